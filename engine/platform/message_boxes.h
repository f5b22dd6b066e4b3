// Message box port: a modal box with a text, a caption, buttons and an icon. The style and result
// values are those of the Win32 MessageBox function, so that script commands which pass a style
// number through keep its meaning; the core names the few it uses. The owner is a window handle as
// a number (0: no owner). Win32 adapter: win32_message_boxes.cpp; tests record what was shown.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

inline constexpr unsigned kBoxOk = 0x0;
inline constexpr unsigned kBoxIconError = 0x10;
inline constexpr unsigned kBoxIconQuestion = 0x20;
inline constexpr unsigned kBoxIconWarning = 0x30;
inline constexpr unsigned kBoxIconInformation = 0x40;

using WindowHandle = std::uintptr_t;

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;

    // Shows the box and returns the button pressed (1 for OK, as Win32 numbers them).
    virtual int Show(const std::string& text, const std::string& caption, unsigned style,
                     WindowHandle owner) = 0;
};

}  // namespace kel
