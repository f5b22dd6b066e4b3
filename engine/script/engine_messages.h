// The engine's own user-visible texts (error boxes, preparation window, download and retry
// dialogs) with their English defaults, and the message table file that replaces them: a block
// of 115 lines (line n is message n; lines 91-111 are read and ignored), optionally followed by
// entries of a language name line and another block. The last block read stays, unless a
// language name matches the user's language, which stops the reading. Portable core.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kel {

class EngineMessages {
public:
    static constexpr int kBlockLines = 115;

    enum Id : int {
        kCommonControlsUpdate = 1,
        kResourceNotFound = 2,
        kResourceDecompressionFailure = 3,
        kDatabaseNotFound = 4,
        kRuntimeErrorInInstall = 5,
        kRuntimeErrorInScript = 20,
        kPercentComplete = 21,
        kPreparationCaption = 23,
        kPreparationText = 24,
    };

    EngineMessages();

    const std::string& Get(int line) const;

    // Reads a message table file's text. `userLanguageName` is the display name of the user's
    // language ("German"); an entry with that name (ignoring case) ends the reading. A block
    // cut short keeps the earlier texts of its missing lines.
    void LoadMessageTable(std::string_view text, std::string_view userLanguageName);

private:
    std::array<std::string, kBlockLines + 1> texts_;  // 1-based
};

// The process-wide table used by every engine message box.
EngineMessages& Messages();

}  // namespace kel
