// Builds the decoder of one folder: the tree of coders rooted at the folder's main coder, with
// bound inputs fed by other coders and the rest by the archive's packed streams. The stream it
// answers yields exactly the folder's unpack size or throws.
#pragma once

#include <cstddef>
#include <memory>

#include "archive/byte_source.h"
#include "archive/decode_context.h"
#include "archive/in_stream.h"
#include "archive/sevenzip_database.h"

namespace kel::archive {

std::unique_ptr<InStream> OpenFolderStream(const StreamsInfo& streams, std::size_t folderIndex,
                                           ByteSource& source, DecodeContext& context);

}  // namespace kel::archive
