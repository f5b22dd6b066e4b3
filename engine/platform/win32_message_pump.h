// The message pump port over PeekMessage, WaitMessage and DispatchMessage of the calling thread.
#pragma once

#include "engine/platform/message_pump.h"

namespace kel {

class Win32MessagePump final : public MessagePump {
  public:
    void ProcessPending() override;
    void ProcessOne() override;
};

}  // namespace kel
