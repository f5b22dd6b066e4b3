// Message pump port: how the core lets the main thread's windows live while it works. The
// interpreter runs on the user-interface thread and never returns to a message loop of its own, so
// it hands pending messages to their windows at its own pace. Win32 adapter:
// win32_message_pump.cpp.
#pragma once

namespace kel {

class MessagePump {
  public:
    virtual ~MessagePump() = default;

    // Dispatches every message already waiting, then returns.
    virtual void ProcessPending() = 0;
    // Dispatches one message; when none is waiting, blocks until one arrives.
    virtual void ProcessOne() = 0;
};

}  // namespace kel
