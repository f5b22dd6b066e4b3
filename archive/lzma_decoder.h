// Factories of the LZMA and LZMA2 decoders for the method table (coder_registry.cpp).
#pragma once

#include "archive/coder_registry.h"

namespace kel::archive {

std::unique_ptr<InStream> CreateLzmaDecoder(CoderInputs&& coder);
std::unique_ptr<InStream> CreateLzma2Decoder(CoderInputs&& coder);

}  // namespace kel::archive
