// The message box port over MessageBoxA.
#pragma once

#include "engine/platform/message_boxes.h"

namespace kel {

class Win32MessageBoxes final : public MessageBoxes {
  public:
    int Show(const std::string& text, const std::string& caption, unsigned style,
             WindowHandle owner) override;
};

}  // namespace kel
