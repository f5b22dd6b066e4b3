// Ordered list of text lines with an optional case-insensitive hash index, the container behind
// the script model's lists (statement commands, parameter blocks, command headers ...). The index
// maps every line to its first and last position; any change of the list drops it and the next
// lookup rebuilds it, so lookups stay hash lookups while edits stay cheap. Portable core.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/base/ansi_text.h"

namespace kel {

class StringList {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit StringList(bool hashed = false) : hashed_(hashed) {}
    StringList(const StringList& other) : lines_(other.lines_), hashed_(other.hashed_) {}
    StringList& operator=(const StringList& other);

    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const std::string& operator[](std::size_t i) const { return lines_[i]; }
    // Bounds-checked read; throws std::out_of_range like the list index error of the engine.
    const std::string& At(std::size_t i) const { return lines_.at(i); }
    const std::vector<std::string>& Lines() const { return lines_; }

    void Add(std::string line);
    void Set(std::size_t i, std::string line);
    void Clear();

    // Case-insensitive search for a whole line; npos when absent.
    std::size_t IndexOf(std::string_view line) const;
    std::size_t LastIndexOf(std::string_view line) const;

private:
    struct Positions {
        std::size_t first;
        std::size_t last;
    };
    using Index = std::unordered_map<std::string_view, Positions, CaseInsensitiveHash,
                                     CaseInsensitiveEqual>;

    const Positions* Find(std::string_view line) const;
    void Invalidate() { indexValid_ = false; }

    std::vector<std::string> lines_;
    bool hashed_;
    mutable std::mutex indexLock_;
    mutable Index index_;
    mutable bool indexValid_ = false;
};

}  // namespace kel
