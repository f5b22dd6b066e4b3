// "Parse String", "Replace String", "Convert Case" and "Extract Path": every mode and code, the
// letter-case rules, the read-and-written path clean-up, counts beyond the text and long texts
// (which must stay linear).
#include "engine/script/string_commands.h"

#include <gtest/gtest.h>

#include "engine/script/temporary_file_command.h"
#include "string_commands_fixture.h"

namespace kel::testing {
namespace {

struct ParseCase {
    const char* label;
    std::string source, delimiter, mode;
    std::string first, second;
    std::string trim = "FALSE";
    std::string ignoreCase = "FALSE";
};

const ParseCase kParseCases[] = {
    {"first occurrence", "a=b=c", "=", "0", "a", "b=c"},
    {"last occurrence", "a=b=c", "=", "1", "a=b", "c"},
    {"first N characters", "a=b=c", "1", "2", "a", "=b=c"},
    {"last N characters", "a=b=c", "1", "3", "a=b=", "c"},
    {"longer delimiter", "key::value::x", "::", "0", "key", "value::x"},
    {"delimiter at the start", "=b", "=", "0", "", "b"},
    {"delimiter not found, mode 0", "abc", "=", "0", "abc", ""},
    {"delimiter not found, mode 1", "abc", "=", "1", "", "abc"},
    {"empty delimiter, mode 0", "abc", "", "0", "abc", ""},
    {"empty delimiter, mode 1", "abc", "", "1", "", "abc"},
    {"empty source", "", "=", "0", "", ""},
    {"count equal to the length", "abc", "3", "2", "abc", ""},
    {"count beyond the length", "abc", "99", "2", "abc", ""},
    {"huge count", "abc", "2147483647", "2", "abc", ""},
    {"count 0, mode 2", "abc", "0", "2", "", "abc"},
    {"negative count, mode 2", "abc", "-1", "2", "", "abc"},
    {"count no number, mode 2", "abc", "x", "2", "", "abc"},
    {"count beyond 32 bits, mode 2", "abc", "99999999999", "2", "", "abc"},
    {"last 0 characters", "abc", "0", "3", "abc", ""},
    {"last length - 1 characters", "abc", "2", "3", "a", "bc"},
    {"last length characters", "abc", "3", "3", "", ""},
    {"last characters beyond the length", "abc", "4", "3", "", ""},
    {"negative count, mode 3", "abc", "-1", "3", "", ""},
    {"count no number, mode 3", "abc", "x", "3", "", ""},
    {"count 0 of an empty source", "", "0", "3", "", ""},
    {"unknown mode", "a=b", "=", "4", "", ""},
    {"negative mode", "a=b", "=", "-1", "", ""},
    {"trim", " a \t= b\r\n", "=", "0", "a", "b", "TRUE"},
    {"no trim", " a = b ", "=", "0", " a ", " b ", "FALSE"},
    {"ignore case keeps the original letters", "aXbxc", "X", "0", "a", "bxc", "FALSE", "TRUE"},
    {"ignore case, lower-case delimiter", "aXbxc", "x", "0", "a", "bxc", "FALSE", "TRUE"},
    {"ignore case, last", "aXbxc", "X", "1", "aXb", "c", "FALSE", "TRUE"},
    {"exact case", "aXbxc", "x", "0", "aXb", "c"},
    {"source and delimiter are path parameters", "$S$", "$D$", "0", "C:\\x", "y"},
};

class ParseString : public CommandsTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseString, SplitsIntoTwoParts) {
    const ParseCase& c = GetParam();
    Inject("S", "C:\\\\x||y");
    Inject("D", "||");
    Run({Parse(c.source, c.delimiter, c.mode, c.trim, c.ignoreCase)});
    EXPECT_EQ(GetVariable("P1"), c.first);
    EXPECT_EQ(GetVariable("P2"), c.second);
    EXPECT_TRUE(boxes.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseString, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(CommandsTest, ParseStringModeThatIsNoNumberEndsTheRun) {
    Run({Parse("a=b", "=", "zero"), Write("not run")});
    EXPECT_TRUE(Output().empty());
    EXPECT_TRUE(RuntimeErrorShown());
    // The result variables were created before the mode was read.
    EXPECT_TRUE(VariableExists("P1"));
    EXPECT_TRUE(VariableExists("P2"));
}

TEST_F(CommandsTest, ParseStringWithoutResultVariables) {
    Run({{"Parse String", {"a=b", "=", "", "SECOND", "0", "FALSE", "FALSE"}}});
    EXPECT_EQ(GetVariable("SECOND"), "b");
    EXPECT_FALSE(VariableExists(""));
}

TEST(ParseStringParts, LongTextIsCutWithoutQuadraticWork) {
    const std::string source = std::string(4'000'000, 'a') + "=" + std::string(4'000'000, 'B');
    const ParsedParts parts = ParseStringParts(source, "=", 1, true, true);
    EXPECT_EQ(parts.first.size(), 4'000'000u);
    EXPECT_EQ(parts.second, std::string(4'000'000, 'B'));
}

struct ReplaceCase {
    const char* label;
    std::string value, find, replacement, ignoreCase, all;
    std::string result;
};

const ReplaceCase kReplaceCases[] = {
    {"both flags", "aAa", "A", "b", "TRUE", "TRUE", "bbb"},
    {"ignore case only", "aAa", "A", "b", "TRUE", "FALSE", "bAa"},
    {"neither flag", "aAa", "A", "b", "FALSE", "FALSE", "aba"},
    {"replace all, exact case", "aAaA", "A", "b", "FALSE", "TRUE", "abab"},
    {"non-overlapping", "aaaa", "aa", "b", "FALSE", "TRUE", "bb"},
    {"replacement holding the text to find", "aa", "a", "aa", "FALSE", "TRUE", "aaaa"},
    {"not found", "abc", "x", "y", "TRUE", "TRUE", "abc"},
    {"empty text to find", "abc", "", "y", "TRUE", "TRUE", "abc"},
    {"empty replacement", "a-b-c", "-", "", "FALSE", "TRUE", "abc"},
    {"empty value", "", "a", "b", "FALSE", "TRUE", ""},
    {"flags by the truth rule", "aAa", "A", "b", "-1", "true", "bbb"},
    {"flag 1 is false", "aAa", "a", "b", "1", "1", "bAa"},
    {"expanded find and replacement", "one two", "$W$", "$R$", "FALSE", "FALSE", "one 2"},
    {"line breaks become the marker", "x\r\ny", "\r\n", "+", "FALSE", "TRUE", "x+y"},
    {"a marker in the text to find matches a line break", "x\r\ny", "$NEWLINE$", "-", "FALSE",
     "TRUE", "x-y"},
    {"a line break in the replacement stays a marker", "x,y", ",", "$NL$", "FALSE", "TRUE",
     "x$NEWLINE$y"},
    {"pairs of backslashes in the value collapse", "C:\\\\a\\\\b", "a", "z", "FALSE", "TRUE",
     "C:\\z\\b"},
};

class ReplaceString : public CommandsTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplaceString, ChangesTheVariable) {
    const ReplaceCase& c = GetParam();
    Inject("W", "two");
    Inject("R", "2");
    Inject("NL", "\r\n");
    Inject("V", c.value);
    EXPECT_EQ(RunFor({Replace("$V$", c.find, c.replacement, c.ignoreCase, c.all)}, "V"), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceString, ::testing::ValuesIn(kReplaceCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(CommandsTest, ReplaceStringOfAMissingVariableCreatesIt) {
    Run({Replace("fresh", "a", "b", "FALSE", "TRUE")});
    EXPECT_TRUE(VariableExists("FRESH"));
    EXPECT_EQ(GetVariable("FRESH"), "");
}

TEST(ReplaceText, ReplaceAllOfALongTextIsLinear) {
    const std::string text(4'000'000, 'a');
    EXPECT_EQ(ReplaceText(text, "A", "bc", true, true).size(), 8'000'000u);
    EXPECT_EQ(ReplaceText(text, "a", "", false, true), "");
    const std::string once = ReplaceText(text, "a", "b", false, false);
    EXPECT_EQ(once.front(), 'b');
    EXPECT_EQ(once.size(), text.size());
}

struct CaseCase {
    const char* label;
    std::string value, upper, result;
};

const CaseCase kCaseCases[] = {
    {"upper", "Setup-1.exe", "TRUE", "SETUP-1.EXE"},
    {"lower", "Setup-1.EXE", "FALSE", "setup-1.exe"},
    {"flag -1", "abc", "-1", "ABC"},
    {"flag that is not true lowers", "ABC", "yes", "abc"},
    {"doubled backslashes collapse", "C:\\\\Temp", "TRUE", "C:\\TEMP"},
    {"a network path keeps its two backslashes", "\\\\Srv\\Share", "FALSE", "\\\\srv\\share"},
    {"only ASCII letters change", "\xC9t\xE9", "TRUE", "\xC9T\xE9"},
    {"empty", "", "TRUE", ""},
};

class ConvertCaseCommand : public CommandsTest, public ::testing::WithParamInterface<CaseCase> {};

TEST_P(ConvertCaseCommand, ChangesTheVariable) {
    const CaseCase& c = GetParam();
    Inject("V", c.value);
    EXPECT_EQ(RunFor({ConvertCase("V", c.upper)}, "V"), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertCaseCommand, ::testing::ValuesIn(kCaseCases),
                         [](const auto& info) { return CaseName(info.param.label); });

struct ExtractCase {
    const char* label;
    std::string value;
    int code;
    std::string result;
};

const ExtractCase kExtractCases[] = {
    {"file name", "C:\\Data\\Setup\\file.tar.gz", 0, "file.tar.gz"},
    {"name without extension", "C:\\Data\\Setup\\file.tar.gz", 1, "file.tar"},
    {"extension", "C:\\Data\\Setup\\file.tar.gz", 2, "gz"},
    {"folder", "C:\\Data\\Setup\\file.tar.gz", 3, "C:\\Data\\Setup\\"},
    {"folder above", "C:\\Data\\Setup\\file.tar.gz", 4, "C:\\Data\\"},
    {"drive", "C:\\Data\\Setup\\file.tar.gz", 5, "C:\\"},
    {"unknown code", "C:\\Data\\file", 7, "C:\\Data\\file"},
    {"negative code", "C:\\Data\\file", -1, "C:\\Data\\file"},
    {"no extension", "C:\\Data\\file", 2, ""},
    {"no extension, name", "C:\\Data\\file", 1, "file"},
    {"a dot in a folder is no extension", "C:\\v1.2\\file", 2, ""},
    {"a dot in a folder, name", "C:\\v1.2\\file", 1, "file"},
    {"trailing dot", "C:\\file.", 2, ""},
    {"dot file", "C:\\.profile", 1, ""},
    {"folder of a folder path", "C:\\Data\\", 3, "C:\\Data\\"},
    {"file name of a folder path", "C:\\Data\\", 0, ""},
    {"file at the root, folder above", "C:\\file", 4, "C:\\"},
    {"relative name, folder", "file.txt", 3, ""},
    {"relative name, folder above", "file.txt", 4, ""},
    {"relative folder, folder above", "a\\b\\file", 4, "a\\"},
    {"relative name, drive", "file.txt", 5, ""},
    {"drive without backslash", "D:file.txt", 0, "file.txt"},
    {"drive without backslash, drive", "D:file.txt", 5, "D:\\"},
    {"network drive", "\\\\server\\share\\dir\\f.txt", 5, "\\\\server\\share\\"},
    {"network folder above", "\\\\server\\share\\dir\\f.txt", 4, "\\\\server\\share\\"},
    {"network share root, folder above", "\\\\server\\share\\f.txt", 4, "\\\\server\\share\\"},
    {"network server only, drive", "\\\\server", 5, "\\\\server\\"},
    {"network file name", "\\\\server\\share\\f.txt", 0, "f.txt"},
    {"pairs collapse when read", "C:\\\\Data\\\\f.txt", 3, "C:\\Data\\"},
    {"code 6 collapses even the pair of a network path", "\\\\srv\\x", 6, "\\srv\\x"},
    {"empty value", "", 0, ""},
};

class ExtractPath : public CommandsTest, public ::testing::WithParamInterface<ExtractCase> {};

TEST_P(ExtractPath, ReplacesTheVariableByThePart) {
    const ExtractCase& c = GetParam();
    Inject("V", c.value);
    EXPECT_EQ(RunFor({Extract("V", std::to_string(c.code))}, "V"), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractPath, ::testing::ValuesIn(kExtractCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(CommandsTest, ExtractPathCodeThatIsNoNumberEndsTheRun) {
    Inject("V", "C:\\a");
    Run({Extract("V", "name"), Write("not run")});
    EXPECT_TRUE(Output().empty());
    EXPECT_TRUE(RuntimeErrorShown());
    EXPECT_EQ(GetVariable("V"), "C:\\a");
}

TEST_F(CommandsTest, GetTemporaryFileCreatesAnEmptyFileInTempDir) {
    files.ForceFolders("C:\\tmp");
    clock.tick = 0x1A2B;
    Inject("TEMPDIR", "C:\\tmp\\");
    files.AddFile("C:\\tmp\\kel1A2C.tmp", "taken");
    Run({{"Get Temporary File", {"$T$"}}, {"Get Temporary File", {"U"}}});
    const std::string first = GetVariable("T");
    const std::string second = GetVariable("U");
    EXPECT_EQ(first.rfind("C:\\tmp\\kel", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
    ASSERT_NE(files.Find(first), nullptr);
    EXPECT_EQ(*files.Find(first), "");
    ASSERT_NE(files.Find(second), nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(*files.Find("C:\\tmp\\kel1A2C.tmp"), "taken");
}

TEST(CreateTemporaryFile, SkipsTakenNamesAndWrapsAround) {
    MemoryFileSystem files;
    files.ForceFolders("C:\\t");
    files.AddFile("C:\\t\\kelFFFF.tmp", "x");
    // Seed FFFE gives FFFF first (taken), then wraps to 1.
    EXPECT_EQ(CreateTemporaryFile(files, "C:\\t", 0xFFFE), "C:\\t\\kel1.tmp");
    EXPECT_EQ(CreateTemporaryFile(files, "C:\\t\\", 0), "C:\\t\\kel2.tmp");
    EXPECT_EQ(*files.Find("C:\\t\\kelFFFF.tmp"), "x");
}

TEST(CreateTemporaryFile, MissingFolderGivesEmptyText) {
    MemoryFileSystem files;
    EXPECT_EQ(CreateTemporaryFile(files, "C:\\none", 5), "");
    EXPECT_EQ(CreateTemporaryFile(files, "", 5), "");
}

}  // namespace
}  // namespace kel::testing
