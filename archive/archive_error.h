// The one exception type of the archive library's portable core: a code of kel_archive.h and a
// text that says what failed and where. The library's exports turn it into the calling thread's
// error code; tests read both.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "archive/kel_archive.h"

namespace kel::archive {

class ArchiveError : public std::runtime_error {
  public:
    ArchiveError(KelArchiveError code, const std::string& message)
        : std::runtime_error(message), code_(code) {}

    KelArchiveError Code() const { return code_; }

  private:
    KelArchiveError code_;
};

[[noreturn]] inline void ThrowCorruptHeader(const std::string& what) {
    throw ArchiveError(KEL_ERROR_CANNOT_OPEN, "damaged archive header: " + what);
}

[[noreturn]] inline void ThrowCorruptData(const std::string& what) {
    throw ArchiveError(KEL_ERROR_CORRUPT_DATA, "damaged compressed data: " + what);
}

}  // namespace kel::archive
