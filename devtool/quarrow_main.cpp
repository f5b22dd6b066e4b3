// Entry point of Quarrow.exe, the device detection tool: everything lies in CSentrelApp and the
// libraries it links.
#include <windows.h>

#include "devtool/sentrel_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return quarrow::CSentrelApp(instance).Run(GetCommandLineW());
}
