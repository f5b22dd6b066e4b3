// The WOW64 port over kernel32's IsWow64Process, Wow64DisableWow64FsRedirection and
// Wow64RevertWow64FsRedirection, each resolved by name so that systems without them still run.
#pragma once

#include "engine/platform/wow64.h"

namespace kel {

class Win32Wow64 final : public Wow64 {
  public:
    bool IsWow64() override;
    Wow64Call DisableRedirection(RedirectionValue& oldValue) override;
    Wow64Call RevertRedirection(RedirectionValue oldValue) override;
};

}  // namespace kel
