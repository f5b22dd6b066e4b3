// The drive port over GetDriveTypeA.
#pragma once

#include "engine/platform/source_medium.h"

namespace kel {

class Win32DriveTypes final : public DriveTypes {
  public:
    unsigned DriveType(const std::string& rootPath) override;
};

}  // namespace kel
