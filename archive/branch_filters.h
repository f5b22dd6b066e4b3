// Filters that run over a decoded buffer: the x86 branch converter (BCJ) and Delta. Each is a
// ByteFilter behind a FilterStream, which feeds it its input in blocks and keeps back the bytes
// a filter cannot finish until more data follows (the last 4 bytes for BCJ).
#pragma once

#include "archive/coder_registry.h"

namespace kel::archive {

std::unique_ptr<InStream> CreateX86Decoder(CoderInputs&& coder);
std::unique_ptr<InStream> CreateDeltaDecoder(CoderInputs&& coder);

}  // namespace kel::archive
