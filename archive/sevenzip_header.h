// Reads a 7z archive's table of contents (sevenzip_database.h describes the format): checks the
// signature header and the header CRCs, unpacks encoded headers, parses streams and files, and
// checks that every structure is consistent (coder graphs, stream counts, sizes, packed stream
// positions) before anything is decoded. Failures throw ArchiveError.
#pragma once

#include "archive/byte_source.h"
#include "archive/decode_context.h"
#include "archive/sevenzip_database.h"

namespace kel::archive {

ArchiveDatabase ReadArchiveDatabase(ByteSource& source, DecodeContext& context);

}  // namespace kel::archive
