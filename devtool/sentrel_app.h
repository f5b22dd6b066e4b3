// CSentrelApp: the application object of Quarrow.exe. It prepares the common controls, reads the
// command line, runs the detection dialog modally and ends the program with exit code 0, whatever
// the dialog returned. Windows builds only.
#pragma once

#include <windows.h>

namespace quarrow {

class CSentrelApp {
  public:
    explicit CSentrelApp(HINSTANCE instance) : instance_(instance) {}

    // The program from its command line (as GetCommandLine gives it) to its exit code.
    int Run(const wchar_t* commandLine);

  private:
    HINSTANCE instance_;
};

}  // namespace quarrow
