// The application object (see sentrel_app.h).
#include "devtool/sentrel_app.h"

#include <commctrl.h>

#include "devtool/command_line.h"
#include "devtool/sentrel_dlg.h"
#include "devtool/win32_text.h"

namespace quarrow {

int CSentrelApp::Run(const wchar_t* commandLine) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    const std::string line = Narrow(commandLine != nullptr ? commandLine : L"");
    const QuarrowOptions options = ParseOptions(CommandLineTail(line));

    CSentrelDlg dialog(instance_, options.traceMode);
    dialog.DoModal();
    return 0;
}

}  // namespace quarrow
