// Folder decoder assembly (see folder_decoder.h). The header reader has already checked the
// folder's structure (indices in range, a tree under the main coder); here each coder is looked
// up in the method table and joined to its inputs.
#include "archive/folder_decoder.h"

#include <algorithm>

#include "archive/archive_error.h"
#include "archive/coder_registry.h"

namespace kel::archive {
namespace {

// Passes on exactly `size` bytes of its input; an input that ends sooner is damaged.
class ExactSizeStream : public InStream {
  public:
    ExactSizeStream(std::unique_ptr<InStream> input, std::uint64_t size)
        : input_(std::move(input)), remaining_(size) {}

    std::size_t Read(std::span<std::uint8_t> buffer) override {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_));
        if (wanted == 0) return 0;
        const std::size_t n = input_->Read(buffer.first(wanted));
        if (n == 0) ThrowCorruptData("a stream ends before its declared size");
        remaining_ -= n;
        return n;
    }

  private:
    std::unique_ptr<InStream> input_;
    std::uint64_t remaining_;
};

class FolderBuilder {
  public:
    FolderBuilder(const StreamsInfo& streams, const FolderInfo& folder, ByteSource& source,
                  DecodeContext& context)
        : streams_(streams), folder_(folder), source_(source), context_(context) {
        std::uint32_t first = 0;
        for (const auto& coder : folder.coders) {
            firstInput_.push_back(first);
            first += coder.numInStreams;
        }
    }

    std::unique_ptr<InStream> Build(std::uint32_t coderIndex) {
        const CoderInfo& coder = folder_.coders[coderIndex];
        const MethodInfo* method = FindMethod(coder.methodId);
        if (method == nullptr || method->create == nullptr) {
            throw ArchiveError(
                KEL_ERROR_UNSUPPORTED_METHOD,
                "the compression method " + MethodName(coder.methodId) + " is not supported");
        }
        if (method->numInStreams != coder.numInStreams) {
            ThrowCorruptData("the coder " + std::string(method->name) +
                             " has the wrong number of inputs");
        }
        CoderInputs inputs;
        inputs.properties = coder.properties;
        inputs.outSize = folder_.unpackSizes[coderIndex];
        inputs.context = &context_;
        for (std::uint32_t j = 0; j < coder.numInStreams; ++j) {
            inputs.inputs.push_back(OpenInput(firstInput_[coderIndex] + j));
        }
        return method->create(std::move(inputs));
    }

  private:
    std::unique_ptr<InStream> OpenInput(std::uint32_t input) {
        for (const BindPair& pair : folder_.bindPairs) {
            if (pair.inIndex == input) {
                return std::make_unique<ExactSizeStream>(Build(pair.outIndex),
                                                         folder_.unpackSizes[pair.outIndex]);
            }
        }
        const auto packed =
            std::find(folder_.packedInputs.begin(), folder_.packedInputs.end(), input);
        const std::size_t stream = folder_.firstPackStream +
                                   static_cast<std::size_t>(packed - folder_.packedInputs.begin());
        return OpenPackedStream(source_, streams_.packOffsets[stream], streams_.packSizes[stream]);
    }

    const StreamsInfo& streams_;
    const FolderInfo& folder_;
    ByteSource& source_;
    DecodeContext& context_;
    std::vector<std::uint32_t> firstInput_;
};

}  // namespace

std::unique_ptr<InStream> OpenFolderStream(const StreamsInfo& streams, std::size_t folderIndex,
                                           ByteSource& source, DecodeContext& context) {
    const FolderInfo& folder = streams.folders.at(folderIndex);
    FolderBuilder builder(streams, folder, source, context);
    return std::make_unique<ExactSizeStream>(builder.Build(folder.mainCoder), folder.UnpackSize());
}

}  // namespace kel::archive
