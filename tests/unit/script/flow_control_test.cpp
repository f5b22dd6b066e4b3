// Flow control through whole runs: conditionals with their branch and end skips, disabled and
// "Ignore" statements, wizard-loop navigation, "GoTo Label", deep nesting and long loops. Each
// script reports its path as lines of the output file.
#include <gtest/gtest.h>

#include "interpreter_fixture.h"

namespace kel::testing {
namespace {

struct FlowCase {
    const char* label;
    std::vector<Statement> script;
    std::vector<std::string> output;
};

void PrintTo(const FlowCase& c, std::ostream* out) { *out << c.label; }

// T is "1" and F is "0" (injected), so that If T "0" "1" holds and If F "0" "1" does not.
Statement IfTrue() { return If("T", "0", "1"); }
Statement IfFalse() { return If("F", "0", "1"); }
Statement ElseIfTrue() { return ElseIf("T", "0", "1"); }
Statement ElseIfFalse() { return ElseIf("F", "0", "1"); }

const FlowCase kConditionalCases[] = {
    {"false If without Else resumes after its End",
     {IfFalse(), Write("no"), End(), Write("after")},
     {"after"}},
    {"nested blocks inside a skipped branch are stepped over",
     {IfFalse(), IfTrue(), Write("no"), End(), WizardLoop(), End(), Write("no"), End(),
      Write("after")},
     {"after"}},
    {"disabled If and End inside a skipped branch count for nothing",
     {IfFalse(), Disabled(IfTrue()), Write("no"), Disabled(End()), Ignore(), End(), Write("after")},
     {"after"}},
    {"a disabled If does not open a level",
     {IfFalse(), Disabled(IfTrue()), Write("no"), End(), Write("after")},
     {"after"}},
    {"a disabled End does not close the branch",
     {IfFalse(), Disabled(End()), Write("no"), End(), Write("after")},
     {"after"}},
    {"Else and Else If of a nested conditional do not stop the skip",
     {IfFalse(), IfTrue(), Write("no"), ElseIfTrue(), Write("no"), Else(), Write("no"), End(),
      Else(), Write("else"), End()},
     {"else"}},
    {"true If, true Else If: only the first branch",
     {IfTrue(), Write("if"), ElseIfTrue(), Write("elseif"), Else(), Write("else"), End(),
      Write("after")},
     {"if", "after"}},
    {"false If, false Else If, Else: only the Else branch",
     {IfFalse(), Write("if"), ElseIfFalse(), Write("elseif"), Else(), Write("else"), End()},
     {"else"}},
    {"the first Else If that holds runs, later ones do not",
     {IfFalse(), Write("if"), ElseIfFalse(), Write("one"), ElseIfTrue(), Write("two"), ElseIfTrue(),
      Write("three"), Else(), Write("else"), End()},
     {"two"}},
    {"an Else If chain without Else where nothing holds",
     {IfFalse(), Write("if"), ElseIfFalse(), Write("one"), End(), Write("after")},
     {"after"}},
    {"a true branch skips later Else If and Else whatever they hold",
     {IfFalse(), ElseIfTrue(), Write("one"), ElseIfFalse(), Write("two"), Else(), Write("else"),
      End()},
     {"one"}},
    {"chains nested in a running branch, after earlier skipped conditionals",
     {IfFalse(),   Write("no"),    End(),     IfFalse(),     Write("no"),
      Else(),      Write("outer"), IfFalse(), Write("no"),   ElseIfFalse(),
      Write("no"), Else(),         IfTrue(),  Write("deep"), ElseIfTrue(),
      Write("no"), End(),          End(),     End(),         Write("after")},
     {"outer", "deep", "after"}},
    {"negated Else If handed over by a skip",
     {IfFalse(), ElseIf("F", "0", "1", "TRUE"), Write("negated"), End()},
     {"negated"}},
    {"a false If on the last statement ends the script", {Write("first"), IfFalse()}, {"first"}},
    {"Ignore and disabled statements never run",
     {Ignore(), Disabled(Write("no")), Write("yes"), Disabled(TerminateInstall()), Write("end")},
     {"yes", "end"}},
    {"Label, Comment, Code Folding Region and unknown names do nothing",
     {Label("A"),
      {"Comment", {"text"}},
      {"Code Folding Region", {}},
      {"Frobnicate", {"x"}},
      Write("end")},
     {"end"}},
};

class ConditionalFlow : public InterpreterTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(ConditionalFlow, RunsExactlyTheExpectedStatements) {
    Inject("T", "1");
    Inject("F", "0");
    Run(GetParam().script);
    EXPECT_EQ(Output(), GetParam().output);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ConditionalFlow, ::testing::ValuesIn(kConditionalCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(InterpreterTest, ScriptWhoseEveryStatementIsDisabledRunsNothingAndEndsNormally) {
    Run({Disabled(Write("a")), Disabled(TerminateInstall()), Disabled(Raise("x"))});
    EXPECT_TRUE(Output().empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(phases.calls.back(), "WriteBack");
}

TEST_F(InterpreterTest, EmptyScriptEndsNormally) {
    const RunResult result = Run(std::vector<Statement>{});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(result.endProcessNow);
}

struct WizardCase {
    const char* label;
    std::vector<DialogOutcome> outcomes;
    std::vector<std::string> shown;
};

void PrintTo(const WizardCase& c, std::ostream* out) { *out << c.label; }

using enum DialogOutcome;
const WizardCase kWizardCases[] = {
    {"next, next, back, next, next leaves after the third dialog",
     {kNext, kNext, kBack, kNext, kNext},
     {"One", "Two", "Three", "Two", "Three"}},
    {"back on the first dialog leaves at once", {kBack}, {"One"}},
    {"cancel leaves from the middle", {kNext, kCancel}, {"One", "Two"}},
    {"back twice returns to the first dialog",
     {kNext, kNext, kBack, kBack, kNext, kNext, kNext},
     {"One", "Two", "Three", "Two", "One", "Two", "Three"}},
    {"another outcome keeps the direction",
     {kNext, kNone, kBack, kNone},
     {"One", "Two", "Three", "Two", "One"}},
};

class WizardNavigation : public InterpreterTest,
                         public ::testing::WithParamInterface<WizardCase> {};

// Statements between the dialogs of a loop never run; the statements after its End do.
TEST_P(WizardNavigation, ShowsTheDialogsInOrderAndLeavesTheLoop) {
    outcomes.assign(GetParam().outcomes.begin(), GetParam().outcomes.end());
    Run({Write("before"), WizardLoop(), Dialog("One"), Write("between"), Disabled(Dialog("Off")),
         Dialog("Two"), Ignore(), Dialog("Three"), Write("between"), End(), Write("after")});
    EXPECT_EQ(dialogsShown, GetParam().shown);
    EXPECT_EQ(Output(), (std::vector<std::string>{"before", "after"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, WizardNavigation, ::testing::ValuesIn(kWizardCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(InterpreterTest, WizardLoopInsideASkippedBranchIsSteppedOver) {
    Inject("F", "0");
    Run({IfFalse(), WizardLoop(), Dialog("One"), End(), Write("no"), End(), Write("after")});
    EXPECT_TRUE(dialogsShown.empty());
    EXPECT_EQ(Output(), (std::vector<std::string>{"after"}));
}

TEST_F(InterpreterTest, DialogOutsideAWizardLoopRunsInOrder) {
    outcomes = {kBack, kBack};
    Run({Dialog("One"), Write("x"), Dialog("Two"), Write("y")});
    EXPECT_EQ(dialogsShown, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"x", "y"}));
}

TEST_F(InterpreterTest, WizardLoopWithoutEndEndsTheScript) {
    outcomes = {kNext};
    Run({WizardLoop(), Dialog("One")});
    EXPECT_EQ(dialogsShown, (std::vector<std::string>{"One"}));
    EXPECT_TRUE(boxes.shown.empty());
}

const FlowCase kGoToCases[] = {
    {"forward to a label after the statement",
     {Write("a"), GoTo("later"), Write("no"), Label("LATER"), Write("b")},
     {"a", "b"}},
    {"backward to a label before the statement, in both directions",
     {GoTo("Fwd"), Label("Back"), Write("2"), GoTo("Done"), Label("Fwd"), Write("1"), GoTo("back"),
      Label("Done"), Write("3")},
     {"1", "2", "3"}},
    {"out of open branches: later conditionals run cleanly",
     {IfTrue(), IfTrue(), GoTo("Out"), End(), Write("no"), Else(), Write("no"), End(), Label("Out"),
      IfFalse(), Write("no"), Else(), Write("else"), End(), Write("after")},
     {"else", "after"}},
    {"out of a running Else If branch",
     {IfFalse(), ElseIfTrue(), GoTo("Out"), Else(), Write("no"), End(), Label("Out"), Write("out"),
      IfFalse(), Write("no"), ElseIfTrue(), Write("elseif"), End()},
     {"out", "elseif"}},
    {"to a disabled label: continues after it",
     {GoTo("Off"), Write("no"), Disabled(Label("Off")), Write("yes")},
     {"yes"}},
    {"the first of two equal labels wins",
     {GoTo("Twice"), Label("twice"), Write("first"), GoTo("End"), Label("TWICE"), Write("second"),
      Label("End")},
     {"first"}},
    {"a counted loop",
     {Label("Top"), Count("N"), Write("$N$"), If("LIMIT", "2", "$N$"), GoTo("Top"), End(),
      Write("done")},
     {"1", "2", "3", "done"}},
};

class GoToFlow : public InterpreterTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(GoToFlow, ContinuesAtTheLabel) {
    Inject("T", "1");
    Inject("F", "0");
    Inject("LIMIT", "3");
    Run(GetParam().script);
    EXPECT_EQ(Output(), GetParam().output);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoToFlow, ::testing::ValuesIn(kGoToCases),
                         [](const auto& info) { return CaseName(info.param.label); });

// The GoTo stands after a wizard loop's End and jumps back before it: the loop runs again from
// its start, in wizard mode again.
TEST_F(InterpreterTest, GoToBackIntoAWizardLoopRunsItAgain) {
    Inject("LIMIT", "2");
    outcomes = {kNext, kNext, kNext, kNext};
    Run({Label("Again"), Count("N"), WizardLoop(), Dialog("One"), Write("no"), Dialog("Two"), End(),
         If("LIMIT", "2", "$N$"), GoTo("again"), End(), Write("done")});
    EXPECT_EQ(dialogsShown, (std::vector<std::string>{"One", "Two", "One", "Two"}));
    EXPECT_EQ(Output(), (std::vector<std::string>{"done"}));
}

// No recursion per level: thousands of nested blocks, taken and skipped.
TEST_F(InterpreterTest, DeepNestingOfConditionals) {
    constexpr int kDepth = 20000;
    Inject("T", "1");
    Inject("F", "0");
    std::vector<Statement> script;
    for (int i = 0; i < kDepth; ++i) script.push_back(IfTrue());
    script.push_back(Write("deepest"));
    // A skipped block as deep, inside the deepest branch.
    script.push_back(IfFalse());
    for (int i = 0; i < kDepth; ++i) script.push_back(IfTrue());
    script.push_back(Write("no"));
    for (int i = 0; i < kDepth; ++i) script.push_back(End());
    script.push_back(Else());
    script.push_back(Write("else"));
    script.push_back(End());
    for (int i = 0; i < kDepth; ++i) script.push_back(End());
    script.push_back(Write("after"));
    Run(script);
    EXPECT_EQ(Output(), (std::vector<std::string>{"deepest", "else", "after"}));
}

TEST_F(InterpreterTest, LongGoToLoop) {
    Inject("LIMIT", "50000");
    std::size_t statements = 0;
    Run(BuildScript(
            {Label("Top"), Count("N"), If("LIMIT", "2", "$N$"), GoTo("Top"), End(), Write("$N$")}),
        [&](std::size_t) { return ++statements, true; });
    EXPECT_EQ(Output(), (std::vector<std::string>{"50000"}));
    // Label, Count, If, GoTo per turn; the last turn ends with Count, If, End, Write.
    EXPECT_EQ(statements, 4u * 50000 + 1);
}

TEST_F(InterpreterTest, HundredThousandStatements) {
    std::vector<Statement> script(100000, Statement{"Comment", {"x"}});
    script.push_back(Write("end"));
    std::size_t statements = 0;
    Run(BuildScript(script), [&](std::size_t) { return ++statements, true; });
    EXPECT_EQ(statements, 100001u);
    EXPECT_EQ(Output(), (std::vector<std::string>{"end"}));
}

}  // namespace
}  // namespace kel::testing
