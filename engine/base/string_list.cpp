// Ordered, optionally hashed list of lines (see string_list.h).
#include "engine/base/string_list.h"

namespace kel {

StringList& StringList::operator=(const StringList& other) {
    if (this != &other) {
        lines_ = other.lines_;
        hashed_ = other.hashed_;
        Invalidate();
    }
    return *this;
}

void StringList::Add(std::string line) {
    lines_.push_back(std::move(line));
    Invalidate();
}

void StringList::Set(std::size_t i, std::string line) {
    lines_.at(i) = std::move(line);
    Invalidate();
}

void StringList::Clear() {
    lines_.clear();
    Invalidate();
}

const StringList::Positions* StringList::Find(std::string_view line) const {
    std::lock_guard guard(indexLock_);
    if (!indexValid_) {
        index_.clear();
        index_.reserve(lines_.size());
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            auto [it, inserted] = index_.try_emplace(lines_[i], Positions{i, i});
            if (!inserted) it->second.last = i;
        }
        indexValid_ = true;
    }
    auto it = index_.find(line);
    return it == index_.end() ? nullptr : &it->second;
}

std::size_t StringList::IndexOf(std::string_view line) const {
    if (hashed_) {
        const Positions* hit = Find(line);
        return hit ? hit->first : npos;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (EqualsIgnoreCase(lines_[i], line)) return i;
    }
    return npos;
}

std::size_t StringList::LastIndexOf(std::string_view line) const {
    if (hashed_) {
        const Positions* hit = Find(line);
        return hit ? hit->last : npos;
    }
    for (std::size_t i = lines_.size(); i-- > 0;) {
        if (EqualsIgnoreCase(lines_[i], line)) return i;
    }
    return npos;
}

}  // namespace kel
