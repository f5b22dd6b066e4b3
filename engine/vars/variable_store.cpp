// The variable store and its $NAME$ substitution (see variable_store.h).
#include "engine/vars/variable_store.h"

#include <utility>

namespace kel {
namespace {

constexpr char kReferenceMark = '$';
constexpr char kValueQuote = '"';

// The text still to be scanned by a substitution: the rest of the caller's text with the values
// inserted so far stacked in front of it. Scanning it front to back gives the same result as
// splicing each value into one string and resuming the scan there, but every character is copied
// a bounded number of times, so substitution stays linear in the size of its result.
class PendingText {
  public:
    explicit PendingText(std::string_view text) : base_(text) {}

    // Appends everything up to the next "$" to `out` and stops in front of it; false when the text
    // ends first (then all of it went to `out`).
    bool CopyUpToMark(std::string& out) {
        for (;;) {
            const std::string_view rest = Rest();
            if (rest.empty()) return false;
            const std::size_t mark = rest.find(kReferenceMark);
            if (mark == std::string_view::npos) {
                out.append(rest);
                Consume(rest.size());
                continue;
            }
            out.append(rest.substr(0, mark));
            Consume(mark);
            return true;
        }
    }

    void SkipMark() { Consume(1); }

    void CopyRest(std::string& out) {
        while (CopyUpToMark(out)) {
            out.push_back(kReferenceMark);
            SkipMark();
        }
    }

    // The value is scanned next, then whatever followed the reference it replaces.
    void Insert(std::string value) {
        if (!value.empty()) inserted_.push_back({std::move(value), 0});
    }

  private:
    struct Segment {
        std::string text;
        std::size_t pos;
    };

    std::string_view Rest() {
        while (!inserted_.empty() && inserted_.back().pos >= inserted_.back().text.size()) {
            inserted_.pop_back();
        }
        if (inserted_.empty()) return base_.substr(basePos_);
        const Segment& top = inserted_.back();
        return std::string_view(top.text).substr(top.pos);
    }

    // Only called for characters Rest() has just shown, so the top segment holds them.
    void Consume(std::size_t count) {
        if (inserted_.empty()) {
            basePos_ += count;
        } else {
            inserted_.back().pos += count;
        }
    }

    std::string_view base_;
    std::size_t basePos_ = 0;
    std::vector<Segment> inserted_;
};

}  // namespace

TVariableManager::TVariableManager(bool caseSensitive, bool lockReads)
    : caseSensitive_(caseSensitive), lockReads_(lockReads), table_(NewTable()) {}

TVariableManager::Table TVariableManager::NewTable() const {
    return Table(0, CaseInsensitiveHash{}, NameEqual{caseSensitive_});
}

void TVariableManager::Store(Table& table, std::string_view name, std::string_view value) {
    if (name.empty()) return;
    auto it = table.find(name);
    if (it != table.end()) {
        it->second.assign(value);
    } else {
        table.emplace(std::string(name), std::string(value));
    }
}

void TVariableManager::SetValue(std::string_view name, std::string_view value) {
    if (name.empty()) return;
    std::lock_guard guard(mutex_);
    Store(table_, name, value);
}

std::optional<std::string> TVariableManager::Find(std::string_view name) const {
    if (name.empty()) return std::nullopt;
    std::unique_lock guard(mutex_, std::defer_lock);
    if (lockReads_) guard.lock();
    auto it = table_.find(name);
    if (it == table_.end()) return std::nullopt;
    return it->second;
}

std::string TVariableManager::GetValue(std::string_view name) const {
    if (name.empty()) return {};
    std::unique_lock guard(mutex_, std::defer_lock);
    if (lockReads_) guard.lock();
    auto it = table_.find(name);
    return it == table_.end() ? std::string() : it->second;
}

bool TVariableManager::Exists(std::string_view name) const {
    if (name.empty()) return false;
    std::unique_lock guard(mutex_, std::defer_lock);
    if (lockReads_) guard.lock();
    return table_.find(name) != table_.end();
}

void TVariableManager::Clear() {
    Table old = NewTable();
    {
        std::lock_guard guard(mutex_);
        table_.swap(old);
    }
}

std::size_t TVariableManager::ListAll(std::vector<std::string>& list) const {
    list.clear();
    std::unique_lock guard(mutex_, std::defer_lock);
    if (lockReads_) guard.lock();
    list.reserve(table_.size() * 2);
    for (const auto& [name, value] : table_) {
        list.push_back(name);
        list.push_back(value);
    }
    return list.size();
}

void TVariableManager::ReplaceContent(const std::vector<std::string>& pairs) {
    Table fresh = NewTable();
    fresh.reserve(pairs.size() / 2);
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) Store(fresh, pairs[i], pairs[i + 1]);
    {
        std::lock_guard guard(mutex_);
        table_.swap(fresh);
    }
    // The old content is freed here, outside the lock.
}

std::string TVariableManager::Expand(std::string_view text) const {
    return ExpandWith(text, /*quoteValues=*/false);
}

std::string TVariableManager::ExpandQuoted(std::string_view text) const {
    return ExpandWith(text, /*quoteValues=*/true);
}

std::string TVariableManager::ExpandWith(std::string_view text, bool quoteValues) const {
    std::string result;
    result.reserve(text.size());
    PendingText pending(text);
    std::string name;
    std::size_t replacements = 0;
    std::size_t insertedBytes = 0;
    while (pending.CopyUpToMark(result)) {
        pending.SkipMark();
        name.clear();
        if (!pending.CopyUpToMark(name)) {
            // A lone "$": nothing to look up.
            result.push_back(kReferenceMark);
            result.append(name);
            break;
        }
        std::optional<std::string> value = Find(name);
        const std::size_t growth = value ? value->size() + (quoteValues ? 2 : 0) : 0;
        if (value && (replacements == kMaxReplacementsPerExpand ||
                      growth > kMaxInsertedBytesPerExpand - insertedBytes)) {
            result.push_back(kReferenceMark);
            result.append(name);
            pending.CopyRest(result);
            break;
        }
        if (!value) {
            // Not a defined name: keep it, and let its closing "$" open the next candidate.
            result.push_back(kReferenceMark);
            result.append(name);
            continue;
        }
        pending.SkipMark();
        ++replacements;
        insertedBytes += growth;
        if (quoteValues) {
            value->insert(value->begin(), kValueQuote);
            value->push_back(kValueQuote);
        }
        pending.Insert(std::move(*value));
    }
    return result;
}

void TVariableManager::Lock(bool write) const {
    if (write || lockReads_) mutex_.lock();
}

void TVariableManager::Unlock(bool write) const {
    if (write || lockReads_) mutex_.unlock();
}

void TVariableManager::SetCommandLineOverrides(const std::vector<std::string>& assignments) {
    NameSet names;
    for (std::size_t i = 0; i < assignments.size(); i += 2) names.insert(assignments[i]);
    std::lock_guard guard(mutex_);
    overrideNames_.swap(names);
}

void TVariableManager::SetSilentMode(bool silent) {
    std::lock_guard guard(mutex_);
    silent_ = silent;
}

bool TVariableManager::SilentMode() const {
    std::lock_guard guard(mutex_);
    return silent_;
}

bool TVariableManager::SetValueGuarded(std::string_view name, std::string_view value,
                                       bool isOverrideInjection) {
    if (name.empty()) return false;
    std::lock_guard guard(mutex_);
    auto it = table_.find(name);
    if (it == table_.end()) {
        table_.emplace(std::string(name), std::string(value));
        return true;
    }
    if (silent_ && !isOverrideInjection && overrideNames_.find(name) != overrideNames_.end()) {
        return false;
    }
    it->second.assign(value);
    return true;
}

}  // namespace kel
