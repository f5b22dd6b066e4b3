// TVariableManager: names, substitution and its bound, the silent-run protection of command-line
// values, and the lock shared by every thread of the engine.
#include "engine/vars/variable_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kel {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs SortedContent(const TVariableManager& store) {
    std::vector<std::string> items;
    const std::size_t count = store.ListAll(items);
    EXPECT_EQ(count, items.size());
    Pairs pairs;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        pairs.emplace_back(items[i], items[i + 1]);
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

void Fill(TVariableManager& store, const Pairs& variables) {
    for (const auto& [name, value] : variables) store.SetValue(name, value);
}

TEST(VariableStore, NamesIgnoreCaseAndKeepTheirFirstCase) {
    TVariableManager store;
    store.SetValue("MyVar", "1");
    store.SetValue("MYVAR", "2");
    EXPECT_EQ(store.GetValue("myvar"), "2");
    EXPECT_EQ(SortedContent(store), (Pairs{{"MyVar", "2"}}));

    store.Clear();
    EXPECT_FALSE(store.Exists("MyVar"));
    store.SetValue("MYVAR", "3");  // a new creation takes the new case
    EXPECT_EQ(SortedContent(store), (Pairs{{"MYVAR", "3"}}));
}

TEST(VariableStore, CaseSensitiveStoreTellsCasesApart) {
    TVariableManager store(/*caseSensitive=*/true, /*lockReads=*/true);
    store.SetValue("Name", "1");
    store.SetValue("NAME", "2");
    EXPECT_EQ(store.GetValue("Name"), "1");
    EXPECT_EQ(store.GetValue("NAME"), "2");
    EXPECT_FALSE(store.Exists("name"));
}

TEST(VariableStore, EmptyNameIsNeverStoredAndEmptyValueIsNotUndefined) {
    TVariableManager store;
    store.SetValue("", "x");
    EXPECT_FALSE(store.Exists(""));
    EXPECT_TRUE(SortedContent(store).empty());

    store.SetValue("EMPTY", "");
    EXPECT_TRUE(store.Exists("EMPTY"));
    EXPECT_FALSE(store.Exists("UNDEFINED"));
    EXPECT_EQ(store.GetValue("EMPTY"), "");
    EXPECT_EQ(store.GetValue("UNDEFINED"), "");
    EXPECT_EQ(store.Find("EMPTY"), std::optional<std::string>(""));
    EXPECT_EQ(store.Find("UNDEFINED"), std::nullopt);
}

TEST(VariableStore, ListAllReplacesTheListAndReplaceContentKeepsFirstCase) {
    TVariableManager store;
    Fill(store, {{"A", "1"}, {"B", ""}});
    std::vector<std::string> items{"stale"};
    EXPECT_EQ(store.ListAll(items), 4u);

    // Pairs are stored as SetValue would store them: empty names dropped, first case kept, the
    // last value kept, a trailing unpaired item ignored.
    store.ReplaceContent({"Mixed", "1", "", "lost", "MIXED", "2", "C", "3", "ODD"});
    EXPECT_EQ(SortedContent(store), (Pairs{{"C", "3"}, {"Mixed", "2"}}));
}

struct ExpandCase {
    const char* label;
    Pairs variables;
    const char* text;
    const char* expanded;
};

TEST(VariableStore, Expand) {
    const ExpandCase cases[] = {
        {"undefined reference stays", {}, "Path: $UNDEFINED$", "Path: $UNDEFINED$"},
        {"text between single dollars", {}, "a$b", "a$b"},
        {"lone dollar", {}, "$", "$"},
        {"no dollar at all", {{"A", "x"}}, "plain", "plain"},
        {"adjacent references", {{"A", "x"}}, "$A$$A$", "xx"},
        // The first pair of dollars encloses an empty name; the scan goes on at the second.
        {"doubled dollar is no escape", {{"A", "x"}}, "$$A$", "$x"},
        {"inserted values are scanned again", {{"A", "$B$"}, {"B", "1"}}, "$A$", "1"},
        {"an undefined name's closing dollar opens the next reference",
         {{"A", "x"}},
         "$PRICE$5 $A$",
         "$PRICE$5 x"},
        {"names ignore case", {{"Target", "C:\\"}}, "$TARGET$", "C:\\"},
        {"empty value", {{"E", ""}}, "[$E$]", "[]"},
        {"unclosed reference", {{"A", "x"}}, "$A", "$A"},
        {"value naming an undefined variable", {{"A", "$Z$"}}, "<$A$>", "<$Z$>"},
        // The scan resumes where the value begins, so a reference can start inside the value and
        // end in the text after it.
        {"reference spanning a value and the text after it",
         {{"A", "x$"}, {"B", "y"}},
         "$A$B$",
         "xy"},
        {"value ending in a lone dollar", {{"A", "5$"}}, "$A$ ok", "5$ ok"},
    };
    for (const ExpandCase& c : cases) {
        TVariableManager store;
        Fill(store, c.variables);
        EXPECT_EQ(store.Expand(c.text), c.expanded) << c.label;
    }
}

TEST(VariableStore, ExpandQuoted) {
    const ExpandCase cases[] = {
        {"value in quotes", {{"A", "x"}}, "$A$ = \"x\"", "\"x\" = \"x\""},
        {"quotes inside the value stay as they are", {{"A", "a\"b"}}, "$A$", "\"a\"b\""},
        {"undefined reference stays for the evaluator to reject", {}, "$NONE$ = 1", "$NONE$ = 1"},
        // The scan resumes at the opening quote, so the value's own references are quoted too.
        {"nested reference", {{"A", "$B$"}, {"B", "1"}}, "$A$", "\"\"1\"\""},
    };
    for (const ExpandCase& c : cases) {
        TVariableManager store;
        Fill(store, c.variables);
        EXPECT_EQ(store.ExpandQuoted(c.text), c.expanded) << c.label;
    }
}

TEST(VariableStore, ExpandOfManyReferencesIsComplete) {
    TVariableManager store;
    Fill(store, {{"A", "<$B$>"}, {"B", "b"}});
    std::string text;
    std::string expected;
    for (int i = 0; i < 20'000; ++i) {
        text += "line $A$ $UNDEFINED$\r\n";
        expected += "line <b> $UNDEFINED$\r\n";
    }
    EXPECT_EQ(store.Expand(text), expected);
}

TEST(VariableStore, SelfReferencesEndAtTheBound) {
    constexpr std::size_t kMax = TVariableManager::kMaxReplacementsPerExpand;
    struct Case {
        const char* label;
        Pairs variables;
    };
    const Case cases[] = {
        {"direct", {{"A", "$A$"}}},
        {"through a cycle", {{"A", "$B$"}, {"B", "$C$"}, {"C", "$A$"}}},
        {"doubling", {{"A", "$A$$A$"}}},
        {"growing in front", {{"A", "x$A$"}}},
        {"growing behind", {{"A", "$A$x"}}},
    };
    for (const Case& c : cases) {
        TVariableManager store;
        Fill(store, c.variables);
        const std::string result = store.Expand("$A$");
        // Whatever was left unexpanded when the bound was hit is kept as it stands.
        EXPECT_NE(result.find('$'), std::string::npos) << c.label;
        EXPECT_LE(result.size(), 3 * kMax + 16) << c.label;
    }

    // Every replacement up to the bound is made: "x$A$" leaves one x per replacement.
    TVariableManager store;
    store.SetValue("A", "x$A$");
    EXPECT_EQ(store.Expand("$A$"), std::string(kMax - 1, 'x') + "x$A$");
}

TEST(VariableStore, InsertedTextIsBounded) {
    constexpr std::size_t kLimit = TVariableManager::kMaxInsertedBytesPerExpand;
    TVariableManager store;
    const std::string big(1 << 20, 'v');
    store.SetValue("A", big + "$A$");
    const std::string result = store.Expand("$A$");
    EXPECT_LE(result.size(), kLimit + 3);
    EXPECT_GE(result.size(), kLimit - big.size() - 3);  // it does get near the limit
    EXPECT_TRUE(result.ends_with(big + "$A$"));
}

// --- The protection of command-line values in a silent run.

TEST(VariableStore, GuardedWrite) {
    struct Case {
        const char* label;
        bool silent;
        const char* name;
        bool exists;
        bool injection;
        bool written;
    };
    const Case cases[] = {
        {"silent: a command-line value survives a script write", true, "TARGETDIR", true, false,
         false},
        {"silent: the name matches ignoring case", true, "TargetDir", true, false, false},
        {"silent: the injection itself writes", true, "TARGETDIR", true, true, true},
        {"silent: other names are written", true, "OTHER", true, false, true},
        {"silent: a missing variable is created", true, "TARGETDIR", false, false, true},
        {"not silent: the write takes effect", false, "TARGETDIR", true, false, true},
    };
    for (const Case& c : cases) {
        TVariableManager store;
        store.SetCommandLineOverrides({"TARGETDIR", "C:\\X", "SILENT", "TRUE"});
        store.SetSilentMode(c.silent);
        if (c.exists) store.SetValue(c.name, "before");
        EXPECT_EQ(store.SetValueGuarded(c.name, "after", c.injection), c.written) << c.label;
        EXPECT_EQ(store.GetValue(c.name), c.written ? "after" : "before") << c.label;
    }
}

TEST(VariableStore, UnguardedWritesIgnoreOverrides) {
    TVariableManager store;
    store.SetCommandLineOverrides({"TARGETDIR", "C:\\X"});
    store.SetSilentMode(true);
    store.SetValue("TARGETDIR", "C:\\X");
    store.SetValue("TARGETDIR", "C:\\Worker");  // worker threads write directly
    EXPECT_EQ(store.GetValue("TARGETDIR"), "C:\\Worker");
    EXPECT_FALSE(store.SetValueGuarded("", "x", true));
    EXPECT_FALSE(store.Exists(""));
}

// --- Threads.

TEST(VariableStoreThreads, ConcurrentWritersAndReaders) {
    TVariableManager store;
    constexpr int kThreads = 4;
    constexpr int kRounds = 2'000;
    std::atomic<int> tornReads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string own = "T" + std::to_string(t) + "_";
            // Every value written to SHARED is a 100-character run of one digit: a torn write
            // would show up as a mix.
            const std::string shared(100, static_cast<char>('0' + t));
            for (int k = 0; k < kRounds; ++k) {
                store.SetValue(own + std::to_string(k % 50), std::to_string(k));
                store.SetValue(k % 2 ? "shared" : "SHARED", shared);
                const std::string seen = store.GetValue("Shared");
                if (seen.size() != 100 || seen.find_first_not_of(seen[0]) != std::string::npos) {
                    ++tornReads;
                }
                if (store.Expand("$SHARED$").size() != 100) ++tornReads;
                if (k % 100 == 0) {
                    std::vector<std::string> items;
                    if (store.ListAll(items) % 2 != 0) ++tornReads;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(tornReads.load(), 0);
    for (int t = 0; t < kThreads; ++t) {
        for (int slot = 0; slot < 50; ++slot) {
            EXPECT_EQ(store.GetValue("T" + std::to_string(t) + "_" + std::to_string(slot)),
                      std::to_string(kRounds - 50 + slot));
        }
    }
    EXPECT_EQ(SortedContent(store).size(), kThreads * 50u + 1);
}

TEST(VariableStoreThreads, HeldLockMakesReadModifyWriteAtomic) {
    TVariableManager store;
    store.SetValue("COUNTER", "0");
    constexpr int kThreads = 4;
    constexpr int kRounds = 2'000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int k = 0; k < kRounds; ++k) {
                // The lock is recursive: the holder may use the store's own operations.
                ScopedVariableLock hold(store, /*write=*/true);
                const int value = std::stoi(store.GetValue("COUNTER"));
                store.SetValue("COUNTER", std::to_string(value + 1));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(store.GetValue("COUNTER"), std::to_string(kThreads * kRounds));
}

TEST(VariableStoreThreads, ReadLockActsOnlyWhenReadsAreLocked) {
    for (const bool lockReads : {true, false}) {
        TVariableManager store(/*caseSensitive=*/false, lockReads);
        store.Lock(/*write=*/false);
        auto writer = std::async(std::launch::async, [&] { store.SetValue("X", "1"); });
        const bool finished = writer.wait_for(std::chrono::milliseconds(lockReads ? 50 : 5000)) ==
                              std::future_status::ready;
        EXPECT_EQ(finished, !lockReads) << "lockReads=" << lockReads;
        store.Unlock(/*write=*/false);
        writer.get();
        EXPECT_EQ(store.GetValue("X"), "1");
    }
}

}  // namespace
}  // namespace kel
