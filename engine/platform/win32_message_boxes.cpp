// Win32 adapter of the message box port.
#include "engine/platform/win32_message_boxes.h"

#include <windows.h>

namespace kel {

int Win32MessageBoxes::Show(const std::string& text, const std::string& caption, unsigned style,
                            WindowHandle owner) {
    return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

}  // namespace kel
