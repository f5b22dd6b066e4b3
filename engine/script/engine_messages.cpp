// English defaults of the engine messages and the message table reader (see engine_messages.h).
#include "engine/script/engine_messages.h"

#include "engine/base/ansi_text.h"

namespace kel {
namespace {

struct DefaultText {
    int line;
    const char* text;
};

// Lines 91-111 carry no message.
constexpr DefaultText kDefaults[] = {
    {1, "Please install the common controls update from Microsoft before attempting to install this product."},
    {2, "Setup resource not found"},
    {3, "Setup resource decompression failure"},
    {4, "Setup database not found"},
    {5, "Runtime error in install: "},
    {6, "bytes"},
    {7, "KB"},
    {8, "MB"},
    {9, "Attempting to get value of undefined variable "},
    {10, "Attempting to set value of undefined variable "},
    {11, "Copying: "},
    {12, "Unable to copy installation data to local folders"},
    {13, "Downloading Web Media: "},
    {14, "Unable to download installation data from the web"},
    {15, "Extracting Web Media: "},
    {16, "Unable to extract installation data downloaded from the web"},
    {17, "Please locate your original setup sources to continue operation"},
    {18, "Original setup sources required to complete operation, sources not found"},
    {19, "General setup failure"},
    {20, "Runtime error in setup script:"},
    {21, "% complete"},
    {22, "bytes received"},
    {23, "Tarnwick Wizard"},
    {24, "Tarnwick is preparing the Tarnwick Wizard which will install this application. Please wait."},
    {25, "Retry Download?"},
    {26, "Downloading of installation data from the web has failed. Would you like to try again?"},
    {27, " Proxy Information (optional) "},
    {28, "Proxy &Server:"},
    {29, "Proxy &Port:"},
    {30, "If you choose No, setup will exit. However, you will be able to resume your download from where it left off when you re-run setup."},
    {31, "&Yes"},
    {32, "&No"},
    {33, "Retry Extraction?"},
    {34, "Extraction of installation data downloaded from the web has failed. What would you like to do?"},
    {35, "&Download a fresh copy of the installation data."},
    {36, "Try to &extract the existing download data again."},
    {37, "If you choose Cancel, setup will exit. Your existing download data will be preserved."},
    {38, "&OK"},
    {39, "&Cancel"},
    {40, "Are you sure you want to cancel?"},
    {41, "Proxy &User:"},
    {42, "Proxy Pass&word:"},
    {43, "Fatal Error"},
    {44, "Error"},
    {45, "Warning"},
    {46, "Message"},
    {47, "Files in Use"},
    {48, "Out of Disk Space"},
    {49, "Downloading of installation data from the web has failed. Please make sure you are connected to the Internet."},
    {50, "Would you like to:"},
    {51, "Try to &resume the broken download?"},
    {52, "Download a &new copy of the data instead?"},
    {53, "If you choose Cancel, setup will exit. However, you will be able to resume your download from where it left off when you re-run setup."},
    {54, ""},
    {55, "Locating resource"},
    {56, "Connecting to"},
    {57, "Redirecting to"},
    {58, "Beginning data transfer"},
    {59, "Transferring data"},
    {60, "Finishing data transfer"},
    {61, "Beginning component download"},
    {62, "Installing components"},
    {63, "Finishing component download"},
    {64, "Resuming broken download"},
    {65, "Requesting data"},
    {66, "CLASSID available"},
    {67, "Download data recognized"},
    {68, "Saving download information"},
    {69, "Beginning synchronous operation"},
    {70, "Finishing synchronous operation"},
    {71, "Beginning data upload"},
    {72, "Uploading data"},
    {73, "Finishing data upload"},
    {74, "Protocol CLASSID"},
    {75, "Encoding"},
    {76, "Download data recognized and verified"},
    {77, "Class install location"},
    {78, "Decoding"},
    {79, "Loading data handler"},
    {80, "Content disposition attach"},
    {81, "Download data filtered"},
    {82, "CLSID can instantiate"},
    {83, "COM services unavailable"},
    {84, "Direct bind"},
    {85, "Unrecognized download data"},
    {86, "Detecting proxy information"},
    {87, "Accept ranges"},
    {88, "A previously executed setup still has pending operations on the system. Please restart your computer before attempting to install this product."},
    {89, "Select Setup Language"},
    {90, "Please select the language to use during the installation:"},
    {112, "Unable to play Flash movie"},
    {113, "Will be &installed on local hard drive"},
    {114, "&Entire feature will be installed on local hard drive"},
    {115, "Entire feature will be &unavailable"},
};

constexpr int kFirstIgnoredLine = 91;
constexpr int kLastIgnoredLine = 111;

class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool AtEnd() const { return pos_ >= text_.size(); }
    std::string_view Next() {
        std::size_t end = text_.find('\n', pos_);
        std::string_view line = end == std::string_view::npos ? text_.substr(pos_)
                                                              : text_.substr(pos_, end - pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

EngineMessages::EngineMessages() {
    for (const DefaultText& entry : kDefaults) texts_[entry.line] = entry.text;
}

const std::string& EngineMessages::Get(int line) const {
    static const std::string kEmpty;
    return line >= 1 && line <= kBlockLines ? texts_[line] : kEmpty;
}

void EngineMessages::LoadMessageTable(std::string_view text, std::string_view userLanguageName) {
    Lines lines(text);
    auto readBlock = [&] {
        for (int n = 1; n <= kBlockLines && !lines.AtEnd(); ++n) {
            std::string_view line = lines.Next();
            if (n < kFirstIgnoredLine || n > kLastIgnoredLine) texts_[n] = std::string(line);
        }
    };
    readBlock();
    while (!lines.AtEnd()) {
        const std::string_view name = lines.Next();
        readBlock();
        if (!userLanguageName.empty() && EqualsIgnoreCase(name, userLanguageName)) break;
    }
}

EngineMessages& Messages() {
    static EngineMessages messages;
    return messages;
}

}  // namespace kel
