// TVariableManager: the engine's store of named text values, shared by the interpreter, the
// dialogs, the worker threads and the plug-in calls. Every value is text; names compare ignoring
// letter case and keep the case of their first creation. Portable core: relies only on the
// standard library and the case rules of engine/base/ansi_text.h.
//
// Locking: one recursive mutex guards the table. Each operation holds it only while it touches the
// table and never while it calls out of the store, so the lock nests under no other lock. Lock()
// and Unlock() let a caller hold it across several operations (the progress protocol reads and
// writes its reserved variables that way); the mutex is recursive, so that caller may use the
// store's operations meanwhile. With lock reads off, reads take no lock at all: such a store
// belongs to one thread (the engine's own store always locks reads).
//
// Substitution bound: Expand re-scans every inserted value, so a value that refers to itself,
// directly or through a cycle, would expand for ever. One call therefore makes at most
// kMaxReplacementsPerExpand replacements and inserts at most kMaxInsertedBytesPerExpand bytes in
// all; at the first reference beyond either bound, substitution stops and the rest of the text is
// kept as it stands, references included. A real script never comes near either bound.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/base/ansi_text.h"

namespace kel {

class TVariableManager {
  public:
    static constexpr std::size_t kMaxReplacementsPerExpand = 100'000;
    static constexpr std::size_t kMaxInsertedBytesPerExpand = std::size_t{64} << 20;

    // The engine creates its store with caseSensitive = false and lockReads = true.
    explicit TVariableManager(bool caseSensitive = false, bool lockReads = true);
    TVariableManager(const TVariableManager&) = delete;
    TVariableManager& operator=(const TVariableManager&) = delete;

    // Creates or replaces; an empty name is ignored. Knows nothing of command-line overrides.
    void SetValue(std::string_view name, std::string_view value);
    // Empty text when undefined.
    std::string GetValue(std::string_view name) const;
    std::optional<std::string> Find(std::string_view name) const;
    bool Exists(std::string_view name) const;
    void Clear();
    // Replaces `list` by name, value, name, value ... in no particular order; returns its count.
    std::size_t ListAll(std::vector<std::string>& list) const;
    // Replaces the whole content in one step by the pairs name, value, ... as SetValue would
    // store them one by one after a Clear (a trailing unpaired item is ignored). Other threads see
    // either the old or the new content, never a half-filled store.
    void ReplaceContent(const std::vector<std::string>& pairs);

    // $NAME$ substitution (see the file comment for its bound). The lock is taken per lookup, so
    // another thread may change a variable between two references of one text.
    std::string Expand(std::string_view text) const;
    // The same, with each inserted value wrapped in double quotes (quotes inside it stay as they
    // are); prepares expressions for the evaluator.
    std::string ExpandQuoted(std::string_view text) const;

    // With write = false these act only when lock reads is on. Pair every Lock with an Unlock of
    // the same flag, on the same thread (or use ScopedVariableLock).
    void Lock(bool write) const;
    void Unlock(bool write) const;

    // --- The protection of command-line values in a silent run (used by SetVariable).
    // The command-line assignments as start-up keeps them: names at even positions, values at odd.
    void SetCommandLineOverrides(const std::vector<std::string>& assignments);
    // Mirrors the engine's silent flag; start-up and the interpreter keep it up to date.
    void SetSilentMode(bool silent);
    bool SilentMode() const;
    // Creates a missing variable under the name as passed. An existing one is replaced, except in
    // a silent run when its name is among the command-line overrides and this write is not their
    // injection: then nothing changes. Returns whether the value was written.
    bool SetValueGuarded(std::string_view name, std::string_view value, bool isOverrideInjection);

  private:
    struct NameEqual {
        using is_transparent = void;
        bool caseSensitive;
        bool operator()(std::string_view a, std::string_view b) const noexcept {
            return caseSensitive ? a == b : EqualsIgnoreCase(a, b);
        }
    };
    // The key is the name in the letter case of its first creation.
    using Table = std::unordered_map<std::string, std::string, CaseInsensitiveHash, NameEqual>;
    using NameSet = std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual>;

    Table NewTable() const;
    static void Store(Table& table, std::string_view name, std::string_view value);
    std::string ExpandWith(std::string_view text, bool quoteValues) const;

    const bool caseSensitive_;
    const bool lockReads_;
    mutable std::recursive_mutex mutex_;
    Table table_;
    NameSet overrideNames_;
    bool silent_ = false;
};

// Holds a store's lock for a scope.
class ScopedVariableLock {
  public:
    ScopedVariableLock(const TVariableManager& store, bool write) : store_(store), write_(write) {
        store_.Lock(write_);
    }
    ~ScopedVariableLock() { store_.Unlock(write_); }
    ScopedVariableLock(const ScopedVariableLock&) = delete;
    ScopedVariableLock& operator=(const ScopedVariableLock&) = delete;

  private:
    const TVariableManager& store_;
    const bool write_;
};

}  // namespace kel
