// "Write to Text File": where the line goes, how the file is read and written back, the open-file
// rule and the writes that fail.
#include <gtest/gtest.h>

#include "interpreter_fixture.h"

namespace kel::testing {
namespace {

constexpr const char* kFile = "C:\\data\\list.txt";

Statement WriteTo(std::string file, std::string text, std::string atTop) {
    return {"Write to Text File", {std::move(file), std::move(text), std::move(atTop), ""}};
}

struct WriteCase {
    const char* label;
    std::optional<std::string> before;  // the file's bytes; none when it does not exist
    std::string text;
    std::string atTop;
    std::string after;
};

const WriteCase kWriteCases[] = {
    {"at the top", "a\r\nb\r\n", "x", "TRUE", "x\r\na\r\nb\r\n"},
    {"at the end", "a\r\nb\r\n", "x", "FALSE", "a\r\nb\r\nx\r\n"},
    {"a missing file gets the single line", std::nullopt, "x", "FALSE", "x\r\n"},
    {"a missing file, at the top", std::nullopt, "x", "TRUE", "x\r\n"},
    {"last line without a break", "a\r\nb", "x", "FALSE", "a\r\nb\r\nx\r\n"},
    {"LF and lone CR end lines too", "a\nb\rc\r\n", "x", "FALSE", "a\r\nb\r\nc\r\nx\r\n"},
    {"empty lines are kept", "a\r\n\r\nb\r\n", "x", "FALSE", "a\r\n\r\nb\r\nx\r\n"},
    {"an empty file", "", "x", "TRUE", "x\r\n"},
    {"an empty text is an empty line", "a\r\n", "", "FALSE", "a\r\n\r\n"},
    {"flag -1 is true", "a\r\n", "x", "-1", "x\r\na\r\n"},
    {"flag 1 is false", "a\r\n", "x", "1", "a\r\nx\r\n"},
    {"flag in lower case", "a\r\n", "x", "true", "x\r\na\r\n"},
    {"text and flag are expanded", "a\r\n", "$WORD$", "$YES$", "word\r\na\r\n"},
    {"a text with line breaks", "a\r\n", "x$NL$y", "FALSE", "a\r\nx\r\ny\r\n"},
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.label; }

class WriteToTextFile : public InterpreterTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteToTextFile, WritesTheFileBack) {
    const WriteCase& c = GetParam();
    files.ForceFolders("C:\\data");
    if (c.before) files.AddFile(kFile, *c.before);
    Inject("WORD", "word");
    Inject("YES", "TRUE");
    Inject("NL", "\r\n");
    Run({WriteTo(kFile, c.text, c.atTop)});
    ASSERT_NE(files.Find(kFile), nullptr);
    EXPECT_EQ(*files.Find(kFile), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteToTextFile, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return CaseName(info.param.label); });

TEST_F(InterpreterTest, WriteToTextFilePathIsExpandedAndCollapsed) {
    files.ForceFolders("C:\\data");
    Inject("DIR", "C:\\data\\");
    Run({WriteTo("$DIR$\\list.txt", "x", "FALSE")});
    ASSERT_NE(files.Find(kFile), nullptr);
    EXPECT_EQ(*files.Find(kFile), "x\r\n");
}

// A write that fails changes nothing, reports nothing and the run goes on.
TEST_F(InterpreterTest, FailedWritesChangeNothing) {
    files.AddFile("C:\\data\\locked.txt", "old\r\n");
    files.lockedFiles.insert(MemoryFileSystem::Key("C:\\data\\locked.txt"));
    Run({WriteTo("C:\\missing\\folder\\new.txt", "x", "FALSE"),
         WriteTo("C:\\data\\locked.txt", "x", "FALSE"), WriteTo("", "x", "FALSE"), Write("after")});
    EXPECT_FALSE(files.FileExists("C:\\missing\\folder\\new.txt"));
    EXPECT_EQ(files.files.at(MemoryFileSystem::Key("C:\\data\\locked.txt")), "old\r\n");
    EXPECT_EQ(Output(), (std::vector<std::string>{"after"}));
    EXPECT_TRUE(boxes.shown.empty());
}

// Writing the file that is open for reading closes it: the next read starts again at its first
// line. Writing another file leaves it open. The names compare ignoring case.
TEST_F(InterpreterTest, WriteClosesTheFileOpenForReading) {
    files.AddFile(kFile, "one\r\ntwo\r\nthree\r\n");
    const Statement read{"Read Line", {kFile}};
    Run({read, Write("$LINE$"), read, Write("$LINE$"),
         WriteTo("c:\\DATA\\List.TXT", "four", "FALSE"), read, Write("$LINE$"), read,
         Write("$LINE$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"one", "two", "one", "two"}));
    EXPECT_EQ(*files.Find(kFile), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST_F(InterpreterTest, WriteToAnotherFileKeepsTheReadingPosition) {
    files.AddFile(kFile, "one\r\ntwo\r\n");
    const Statement read{"Read Line", {kFile}};
    Run({read, Write("$LINE$"), read, Write("$LINE$"), read, Write("$LINE$")});
    EXPECT_EQ(Output(), (std::vector<std::string>{"one", "two", "EOF"}));
}

}  // namespace
}  // namespace kel::testing
