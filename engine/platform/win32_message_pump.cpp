// Win32 adapter of the message pump: messages of every window of the calling thread. A WM_QUIT
// is consumed like any other message; the engine ends through its script, not through a quit.
#include "engine/platform/win32_message_pump.h"

#include <windows.h>

namespace kel {
namespace {

bool DispatchOne() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

}  // namespace

void Win32MessagePump::ProcessPending() {
    while (DispatchOne()) {
    }
}

void Win32MessagePump::ProcessOne() {
    if (!DispatchOne()) WaitMessage();
}

}  // namespace kel
