// Scripts run by the real engine under Wine, judged by what they leave behind: the lines they
// write with "Write to Text File", the exit code set by "Terminate with Exit Code", the runtime
// error box and the trace log. Conditions get their values from command-line assignments.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "setup_run.h"

namespace kel::e2e {
namespace {

struct Step {
    std::string command;
    std::vector<std::string> parameters;
    bool disabled = false;
};

ScriptModel Script(const std::vector<Step>& steps) {
    std::vector<std::pair<std::string, std::vector<std::string>>> plain;
    for (const Step& step : steps) plain.push_back({step.command, step.parameters});
    ScriptModel model = MakeScript(plain);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].disabled) model.states.Set(i, ScriptModel::kCommentedState);
    }
    return model;
}

std::vector<std::string> LinesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::vector<std::string> lines;
    std::string text = bytes.str();
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class InterpreterE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        // A missing test bed is a failure, never a silent skip.
        if (!SetupRun::WineAvailable()) GTEST_FAIL() << "needs the Wine test bed: run through ./kel test";
    }
    static std::string TestName() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    // Writes a line to the output file of `run`.
    static Step W(const SetupRun& run, std::string text) {
        return {"Write to Text File",
                {WindowsPath(run.work / "out.txt"), std::move(text), "FALSE", ""}};
    }
    static Step If(std::string variable, std::string code, std::string value,
                   std::string negate = "FALSE") {
        return {"If", {std::move(variable), std::move(code), std::move(value), std::move(negate)}};
    }
    static Step ElseIf(std::string variable, std::string code, std::string value) {
        return {"Else If", {std::move(variable), std::move(code), std::move(value), "FALSE"}};
    }
    static Step Else() { return {"Else", {}}; }
    static Step End() { return {"End", {}}; }
    static Step Label(std::string name) { return {"Label", {std::move(name)}}; }
    static Step GoTo(std::string name) { return {"GoTo Label", {std::move(name)}}; }
    // Declares a variable for the compile check; the command-line assignment of the same value
    // gives it its value whether or not "Set Variable" runs.
    static Step Declare(std::string name, std::string value) {
        return {"Set Variable", {std::move(name), std::move(value)}};
    }
    static Step Disabled(Step step) {
        step.disabled = true;
        return step;
    }
};

const std::vector<std::string> kInterpreterTrace = {
    "  <RunScript>",    "    <CompileScript>", "    </CompileScript>", "    <Variables>",
    "    </Variables>", "    <BootStrap>",     "    </BootStrap>",     "    <qorv>",
    "    </qorv>",      "    <ExitScript>",    "    </ExitScript>",    "  </RunScript>"};

// Every comparison code, GoTo in both directions, nested conditionals with Else If chains, and
// disabled and "Ignore" statements inside skipped blocks.
TEST_F(InterpreterE2E, FlowThroughConditionsLabelsAndBranches) {
    SetupRun run(TestName());
    // clang-format off
    const std::vector<Step> steps = {
        Declare("T", "1"), Declare("F", "0"), Declare("NAME", "Alpha"), Declare("VER", "1.2.10"),
        Declare("NUM", "007"), Declare("EMPTY", ""),
        GoTo("Start"),
        Label("Back"),
        W(run, "back"),
        GoTo("Conditions"),
        Label("Start"),
        W(run, "start"),
        GoTo("back"),
        Label("Conditions"),
        If("NUM", "0", "7"), W(run, "code0 numeric"), End(),
        If("NAME", "0", "alpha"), W(run, "no"), Else(), W(run, "code0 text"), End(),
        If("NAME", "4", "alpha"), W(run, "code4"), End(),
        If("NAME", "1", "lph"), W(run, "code1"), End(),
        If("NAME", "1", "$EMPTY$"), W(run, "no"), Else(), W(run, "code1 empty"), End(),
        If("NAME", "2", "Aa"), W(run, "code2"), End(),
        If("NAME", "3", "LPH"), W(run, "code3"), End(),
        If("$NAME$", "5", ""), W(run, "no"), Else(), W(run, "code5 literal"), End(),
        If("NAME", "5", ""), W(run, "code5"), End(),
        If("VER", "6", "1.2.9"), W(run, "code6"), End(),
        If("VER", "6", "1.2.10.0"), W(run, "no"), Else(), W(run, "code6 equal"), End(),
        If("NAME", "0", "Alpha", "TRUE"), W(run, "no"), Else(), W(run, "negate"), End(),
        If("F", "0", "1"),
            Disabled(If("T", "0", "1")),
            {"Ignore", {}},
            If("T", "0", "1"), W(run, "no"), End(),
            Disabled(End()),
            W(run, "no"),
        ElseIf("F", "0", "1"),
            W(run, "no"),
        ElseIf("T", "0", "1"),
            If("F", "0", "1"), W(run, "no"),
            ElseIf("T", "0", "1"), W(run, "nested elseif"),
            Else(), W(run, "no"),
            End(),
            W(run, "elseif"),
        Else(),
            W(run, "no"),
        End(),
        Disabled(W(run, "disabled")),
        W(run, "end"),
        {"Terminate with Exit Code", {"42"}},
        W(run, "not reached"),
    };
    // clang-format on
    run.WriteCompleteSetup(Script(steps));
    EXPECT_EQ(run.Run({"/S", "T=1", "F=0", "NAME=Alpha", "VER=1.2.10", "NUM=007", "EMPTY="}), 42);
    const std::vector<std::string> expected = {
        "start",       "back",   "code0 numeric", "code0 text",    "code4", "code1",
        "code1 empty", "code2",  "code3",         "code5 literal", "code5", "code6",
        "code6 equal", "negate", "nested elseif", "elseif",        "end"};
    EXPECT_EQ(LinesOf(run.work / "out.txt"), expected);
    EXPECT_TRUE(run.Boxes().empty());
    const std::vector<std::string> trace = run.TraceLines();
    const auto begin = std::find(trace.begin(), trace.end(), "  <RunScript>");
    ASSERT_NE(begin, trace.end());
    EXPECT_EQ(std::vector<std::string>(begin, std::min(trace.end(), begin + 12)),
              kInterpreterTrace);
}

TEST_F(InterpreterE2E, ExitCodes) {
    struct Case {
        const char* label;
        std::string code;
        int exitCode;
    } cases[] = {{"Number", "42", 42}, {"NoInteger", "abc", 0}, {"Expanded", "$CODE$", 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupRun run(TestName() + c.label);
        run.WriteCompleteSetup(
            Script({W(run, "a"), {"Terminate with Exit Code", {c.code}}, W(run, "b")}));
        EXPECT_EQ(run.Run({"/S", "CODE=7"}), c.exitCode);
        EXPECT_EQ(LinesOf(run.work / "out.txt"), std::vector<std::string>{"a"});
    }
    SetupRun run(TestName() + "TerminateInstall");
    run.WriteCompleteSetup(Script({W(run, "a"), {"Terminate Install", {}}, W(run, "b")}));
    EXPECT_EQ(run.Run({"/S"}), 0);
    EXPECT_EQ(LinesOf(run.work / "out.txt"), std::vector<std::string>{"a"});
    EXPECT_TRUE(run.TempEntries().empty()) << ::testing::PrintToString(run.TempEntries());
}

// Shown without owner, with single carriage returns as line breaks; the run then ends with the
// exit code set so far and start-up cleans up as after a normal end.
TEST_F(InterpreterE2E, RuntimeErrorBoxes) {
    struct Case {
        const char* label;
        std::vector<std::string> arguments;
        Step failing;  // the statement on line 3
        std::vector<Step> rest;
        std::string message;
    } cases[] = {
        {"VersionField",
         {"TITLE=Demo", "V=1.x.3"},
         If("V", "6", "1.0"),
         {End()},
         "'x' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetupRun run(TestName() + c.label);
        std::vector<Step> steps = {Declare("V", "1.x.3"), W(run, "a"), c.failing, W(run, "no")};
        steps.insert(steps.end(), c.rest.begin(), c.rest.end());
        run.WriteCompleteSetup(Script(steps));
        EXPECT_EQ(run.Run(c.arguments), 0);
        EXPECT_EQ(LinesOf(run.work / "out.txt"), std::vector<std::string>{"a"});
        const auto boxes = run.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Demo - Tarnwick Wizard");
        EXPECT_EQ(boxes[0].text,
                  "Runtime error in setup script:\\r\\rSource File: e2e\\r"
                  "Line Number: 3\\r\\r" +
                      c.message);
        EXPECT_EQ(run.TraceLines().back(), "</Tarnwick>");
        EXPECT_TRUE(run.TempEntries().empty()) << ::testing::PrintToString(run.TempEntries());
    }
    SetupRun silent(TestName() + "Silent");
    silent.WriteCompleteSetup(Script({Declare("V", "1.x.3"), W(silent, "a"), If("V", "6", "1.0"),
                                      W(silent, "no"), End()}));
    EXPECT_EQ(silent.Run({"/S", "V=1.x.3"}), 0);
    EXPECT_TRUE(silent.Boxes().empty());
    EXPECT_EQ(LinesOf(silent.work / "out.txt"), std::vector<std::string>{"a"});
}

// The compile check before the first statement: a script that breaks one of its rules ends the
// process at once with 314, without a box even when not silent, the trace log stopping at the
// check and the support folder left; the same script mended runs to its end.
TEST_F(InterpreterE2E, RejectedScriptsEndWith314) {
    struct Case {
        const char* label;
        std::vector<Step> broken;
        std::vector<Step> mended;
    } cases[] = {
        {"MissingLabel", {GoTo("Nowhere")}, {GoTo("There"), Label("There")}},
        {"TooManyEnd", {End()}, {If("A", "0", "1"), End()}},
        {"InsufficientEnd", {If("A", "0", "1")}, {If("A", "0", "1"), End()}},
        {"LabelInsideIf", {If("A", "0", "1"), Label("L"), End()}, {Label("L"), If("A", "0", "1"), End()}},
        {"LabelRedefined", {Label("L"), Label("l")}, {Label("L"), Label("M")}},
        {"UndefinedVariable", {If("UNSET", "0", "1"), End()}, {If("A", "0", "1"), End()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (bool mended : {false, true}) {
            SetupRun run(TestName() + c.label + (mended ? "Mended" : "Broken"));
            std::vector<Step> steps = {Declare("A", "1"), W(run, "started")};
            const std::vector<Step>& body = mended ? c.mended : c.broken;
            steps.insert(steps.end(), body.begin(), body.end());
            steps.push_back(W(run, "ended"));
            run.WriteCompleteSetup(Script(steps));
            const int exitCode = run.Run({});
            EXPECT_TRUE(run.Boxes().empty());
            const std::vector<std::string> trace = run.TraceLines();
            ASSERT_FALSE(trace.empty());
            if (mended) {
                EXPECT_EQ(exitCode, 0);
                EXPECT_EQ(LinesOf(run.work / "out.txt"), (std::vector<std::string>{"started", "ended"}));
                EXPECT_EQ(trace.back(), "</Tarnwick>");
            } else {
                EXPECT_EQ(exitCode, 314);
                EXPECT_FALSE(fs::exists(run.work / "out.txt"));
                EXPECT_EQ(trace.back(), "    <CompileScript>");
                EXPECT_EQ(run.TempEntries().front(), "kel1");
            }
        }
    }
}

// A read-only file is written (its attributes are reset), lines go to the top or the end, a
// missing file is created and a file in a missing folder is not.
TEST_F(InterpreterE2E, WriteToTextFileOnRealFiles) {
    SetupRun run(TestName());
    const fs::path list = run.work / "list.txt";
    std::ofstream(list, std::ios::binary) << "a\r\nb\r\n";
    fs::permissions(list, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string path = WindowsPath(list);
    run.WriteCompleteSetup(Script({
        {"Write to Text File", {path, "x", "TRUE", ""}},
        {"Write to Text File", {path, "$WORD$", "FALSE", ""}},
        {"Write to Text File", {WindowsPath(run.work / "new.txt"), "only", "FALSE", ""}},
        {"Write to Text File", {WindowsPath(run.work / "missing" / "no.txt"), "x", "FALSE", ""}},
    }));
    EXPECT_EQ(run.Run({"/S", "WORD=y"}), 0);
    EXPECT_EQ(ReadAll(list), "x\r\na\r\nb\r\ny\r\n");
    EXPECT_NE(fs::status(list).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(ReadAll(run.work / "new.txt"), "only\r\n");
    EXPECT_FALSE(fs::exists(run.work / "missing"));
    std::vector<std::string> leftovers;
    for (const auto& entry : fs::directory_iterator(run.work)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("kel", 0) == 0) leftovers.push_back(name);
    }
    EXPECT_TRUE(leftovers.empty()) << ::testing::PrintToString(leftovers);
}

}  // namespace
}  // namespace kel::e2e
