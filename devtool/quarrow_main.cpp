// Entry point of Quarrow.exe, the device detection tool: everything lies in CSentrelApp and the
// libraries it links. The setup that starts the tool waits for it and expects exit code 0, so
// nothing that goes wrong changes that code.
#include <windows.h>

#include "devtool/sentrel_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        return quarrow::CSentrelApp(instance).Run(GetCommandLineW());
    } catch (...) {
        return 0;
    }
}
