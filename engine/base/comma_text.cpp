// Writer and parser of comma text (see comma_text.h).
#include "engine/base/comma_text.h"

namespace kel {
namespace {

constexpr char kQuote = '"';
constexpr char kDelimiter = ',';

// Codes are compared as unsigned bytes: letters of the upper half of the code page are ordinary
// item characters, not control characters.
bool IsSkippedBetweenItems(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

bool EndsUnquotedItem(char c) { return static_cast<unsigned char>(c) <= 32 || c == kDelimiter; }

bool NeedsQuotes(std::string_view item) {
    for (char c : item) {
        if (static_cast<unsigned char>(c) <= 32 || c == kQuote || c == kDelimiter) return true;
    }
    return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
    out.push_back(kQuote);
    for (char c : item) {
        if (c == kQuote) out.push_back(kQuote);
        out.push_back(c);
    }
    out.push_back(kQuote);
}

class CommaTextParser {
  public:
    explicit CommaTextParser(std::string_view text) : text_(text) {}

    std::vector<std::string> Items() {
        std::vector<std::string> items;
        SkipBetweenItems();
        while (!AtEnd()) {
            items.push_back(text_[pos_] == kQuote ? QuotedItem() : UnquotedItem());
            SkipBetweenItems();
            if (pos_ < text_.size() && text_[pos_] == kDelimiter) {
                ++pos_;
                if (AtEnd()) items.emplace_back();
                SkipBetweenItems();
            }
        }
        return items;
    }

  private:
    bool AtEnd() const { return pos_ >= text_.size() || text_[pos_] == '\0'; }

    void SkipBetweenItems() {
        while (pos_ < text_.size() && IsSkippedBetweenItems(text_[pos_])) ++pos_;
    }

    // Starts at the opening quote; leaves the position after the closing one.
    std::string QuotedItem() {
        std::string item;
        ++pos_;
        while (pos_ < text_.size()) {
            const std::size_t quote = text_.find(kQuote, pos_);
            if (quote == std::string_view::npos) {
                item.append(text_.substr(pos_));
                pos_ = text_.size();
                break;
            }
            item.append(text_.substr(pos_, quote - pos_));
            pos_ = quote + 1;
            if (pos_ >= text_.size() || text_[pos_] != kQuote) break;
            item.push_back(kQuote);
            ++pos_;
        }
        return item;
    }

    std::string UnquotedItem() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !EndsUnquotedItem(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string WriteCommaText(const std::vector<std::string>& items) {
    if (items.size() == 1 && items.front().empty()) return std::string(2, kQuote);
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out.push_back(kDelimiter);
        if (NeedsQuotes(items[i])) {
            AppendQuoted(out, items[i]);
        } else {
            out.append(items[i]);
        }
    }
    return out;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
    return CommaTextParser(text).Items();
}

}  // namespace kel
