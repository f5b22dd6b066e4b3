// Mistakes in script sources: each is reported as "file:line: message" at the line to fix, and
// the compile fails. Also the kelc command line's exit codes and output files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/unit/tools/tools_test_support.h"
#include "tools/common/file_io.h"
#include "tools/kelc/kelc_cli.h"

namespace kel::tools {
namespace {

using test::CompileFiles;
using test::SourceLines;

struct ErrorCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> files;  // main.kel first
    const char* expected;                                    // the first diagnostic, formatted
};

TEST(SourceErrors, AreReportedAtTheirFileAndLine) {
    const ErrorCase cases[] = {
        {"unknown directive",
         {{"main.kel", "@title T\n@titel X\n"}},
         "main.kel:2: unknown directive @titel"},
        {"directive without its value",
         {{"main.kel", "@title\n"}},
         "main.kel:1: @title needs TITLE (write \"\" for an empty value)"},
        {"header value twice",
         {{"main.kel", "@version 1\n\n@version 2\n"}},
         "main.kel:3: @version is given twice (first at main.kel:1)"},
        {"header value twice across files",
         {{"main.kel", "@title A\n@include b.kel\n"}, {"b.kel", "# b\n@title B\n"}},
         "b.kel:2: @title is given twice (first at main.kel:1)"},
        {"integer",
         {{"main.kel", "@build-layout two\n"}},
         "main.kel:1: @build-layout needs a whole number, not \"two\""},
        {"language flag",
         {{"main.kel", "@language-dialog yes\n"}},
         "main.kel:1: @language-dialog is TRUE or FALSE, not \"yes\""},
        {"table row too short",
         {{"main.kel", "@component Main\n"}},
         "main.kel:1: @component needs NAME SIZE (write \"\" for an empty value)"},
        {"unclosed quote",
         {{"main.kel", "@media-file \"Block 1 a b\n"}},
         "main.kel:1: @media-file needs BLOCK PATH DESTINATION: a quoted value has no closing "
         "quote"},
        {"table without rows",
         {{"main.kel", "@component\nComment\n"}},
         "main.kel:1: @component needs NAME SIZE on its line, or its rows on \"|\" lines"},
        {"table value that ends a list",
         {{"main.kel", "@plugin $\n"}},
         "main.kel:1: a value of @plugin cannot be exactly \"$\": that line ends a list in the "
         "compiled script"},
        {"parameter before any statement",
         {{"main.kel", "# x\n  | orphan\n"}},
         "main.kel:2: a parameter line must follow a statement"},
        {"parameter after a header directive",
         {{"main.kel", "@title T\n  | x\n"}},
         "main.kel:2: @title takes no \"|\" lines"},
        {"rows after an inline table row",
         {{"main.kel", "@plugin A\n  | B\n"}},
         "main.kel:2: @plugin has its values on its line; for rows on \"|\" lines, write @plugin "
         "alone"},
        {"indented text",
         {{"main.kel", "Comment\n  text\n"}},
         "main.kel:2: an indented line must be a parameter (\"| value\") or a comment (\"# ...\"); "
         "a statement starts in the first column"},
        {"command that ends a list",
         {{"main.kel", "Comment\n$\n"}},
         "main.kel:2: the command cannot be exactly \"$\": that line ends a list in the compiled "
         "script"},
        {"identifier that ends a list",
         {{"main.kel", "Comment [id=$]\n"}},
         "main.kel:1: the identifier cannot be exactly \"$\": that line ends a list in the "
         "compiled script"},
        {"unclosed attributes",
         {{"main.kel", "Comment [id=x\n"}},
         "main.kel:1: the attributes have no closing \"]\""},
        {"text after attributes",
         {{"main.kel", "Comment [id=x] more\n"}},
         "main.kel:1: nothing may follow the attributes' closing \"]\""},
        {"unknown attribute",
         {{"main.kel", "Comment [color=red]\n"}},
         "main.kel:1: unknown attribute \"color\" (known: id, commented, state, media, header, "
         "source, nosource, command)"},
        {"attribute twice",
         {{"main.kel", "Comment [id=a ID=b]\n"}},
         "main.kel:1: attribute \"id\" is given twice"},
        {"attribute without value",
         {{"main.kel", "Comment [header]\n"}},
         "main.kel:1: attribute \"header\" needs a value (header=...)"},
        {"flag with value",
         {{"main.kel", "Comment [commented=yes]\n"}},
         "main.kel:1: attribute \"commented\" takes no value"},
        {"commented and state",
         {{"main.kel", "Comment [commented state=C]\n"}},
         "main.kel:1: give either \"commented\" or \"state\", not both"},
        {"command twice",
         {{"main.kel", "Comment [command=End]\n"}},
         "main.kel:1: the command is given twice: as the line's text and as the \"command\" "
         "attribute"},
        {"no command",
         {{"main.kel", "[id=x]\n"}},
         "main.kel:1: a statement line needs a command name (or, when the line starts with "
         "\"[\", a \"command\" attribute)"},
        {"source after nosource",
         {{"main.kel", "Comment [nosource]\n\nEnd\n"}},
         "main.kel:3: this statement has a source reference but an earlier one has \"nosource\" "
         "(main.kel:1): the source map can only end early, so every statement after a "
         "\"nosource\" one needs it too"},
        {"bad source position",
         {{"main.kel", "@source-position setup.kel*07\n"}},
         "main.kel:1: @source-position needs PATH*LINE, LINE a whole number from 0 without "
         "leading zeros, not \"setup.kel*07\""},
        {"missing include",
         {{"main.kel", "Comment\n@include lib/none.kel\n"}},
         "main.kel:2: cannot include \"lib/none.kel\" (lib/none.kel): no such file"},
        {"include cycle",
         {{"main.kel", "@include a.kel\n"}, {"a.kel", "Comment\n@include main.kel\n"}},
         "a.kel:2: @include makes a cycle: main.kel -> a.kel -> main.kel"},
        {"error inside an included file",
         {{"main.kel", "Comment\n@include sub/x.kel\n"}, {"sub/x.kel", "\n\nComment [id=a\n"}},
         "sub/x.kel:3: the attributes have no closing \"]\""},
        {"missing main file",
         {{"other.kel", ""}},
         "main.kel: cannot read the source: no such file"},
    };
    for (const ErrorCase& c : cases) {
        auto outcome = CompileFiles(c.files);
        EXPECT_FALSE(outcome.compiled) << c.label;
        ASSERT_FALSE(outcome.diagnostics.All().empty()) << c.label;
        EXPECT_EQ(FormatDiagnostic(outcome.diagnostics.All().front()), c.expected) << c.label;
    }
}

TEST(SourceErrors, EveryMistakeOfAFileIsReported) {
    auto outcome = CompileFiles({{"main.kel", SourceLines({
                                                  "@titel A",
                                                  "Comment",
                                                  "  | fine",
                                                  "Comment [bad",
                                                  "  | swallowed with its statement",
                                                  "@build-layout x",
                                              })}});
    EXPECT_FALSE(outcome.compiled);
    EXPECT_EQ(outcome.diagnostics.Text(),
              "main.kel:1: unknown directive @titel\n"
              "main.kel:4: the attributes have no closing \"]\"\n"
              "main.kel:6: @build-layout needs a whole number, not \"x\"\n");
}

class KelcCommandLine : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunKelc(args, out_, err_);
    }
    void WriteFile(const std::string& path, const std::string& text) {
        ASSERT_TRUE(WriteWholeFile(path, text).ok);
    }

    test::ScratchFolder folder_{"kelc"};
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(KelcCommandLine, CompileWritesTheScriptOrReportsFileAndLine) {
    const std::string source = folder_ / "setup.kel";
    const std::string output = folder_ / "setup.script";
    WriteFile(source, "@title CLI\nComment\n  | hello\n");
    EXPECT_EQ(Run({source, "-o", output}), 0) << err_.str();
    std::string error;
    auto bytes = ReadWholeFile(output, &error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_NE(bytes->find("hello\r\n"), std::string::npos);
    EXPECT_EQ(Run({"compile", "-o", output + "2", source}), 0) << err_.str();
    EXPECT_EQ(ReadWholeFile(output + "2", &error), bytes);

    const std::string broken = folder_ / "broken.kel";
    const std::string notWritten = folder_ / "broken.script";
    WriteFile(broken, "Comment\n\n@nonsense\n");
    EXPECT_EQ(Run({broken, "-o", notWritten}), 1);
    EXPECT_EQ(err_.str(), broken + ":3: unknown directive @nonsense\n");
    EXPECT_FALSE(std::filesystem::exists(notWritten));

    // A compiled script given as the source: a hint instead of a flood.
    WriteFile(broken, std::string(200, 'x') + "\n" + std::string(60, '$') + "\n" +
                          test::CrLfLines(std::vector<std::string>(60, "$")));
    EXPECT_EQ(Run({broken, "-o", notWritten}), 1);
    EXPECT_NE(err_.str().find("kelc: 10 more messages not shown\n"), std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("looks like a compiled script"), std::string::npos);
}

TEST_F(KelcCommandLine, UsageMistakesFail) {
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(Run({folder_ / "a.kel"}), 1);
    EXPECT_NE(err_.str().find("no output file"), std::string::npos);
    EXPECT_EQ(Run({"a.kel", "b.kel", "-o", "c"}), 1);
    EXPECT_EQ(Run({"a.kel", "-o"}), 1);
    EXPECT_EQ(Run({"a.kel", "--fast", "-o", "c"}), 1);
    EXPECT_EQ(Run({"dump"}), 1);
    EXPECT_EQ(Run({"dump", folder_ / "missing.script"}), 1);
    EXPECT_NE(err_.str().find("missing.script"), std::string::npos);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out_.str().find("kelc dump FILE"), std::string::npos);
}

TEST_F(KelcCommandLine, DumpReadsScriptsAndSetupPrograms) {
    const std::string source = folder_ / "setup.kel";
    const std::string compiled = folder_ / "setup.script";
    WriteFile(source, "@title Dumped\nComment\n  | hello\n");
    ASSERT_EQ(Run({source, "-o", compiled}), 0) << err_.str();
    std::string error;
    const std::string script = *ReadWholeFile(compiled, &error);

    ASSERT_EQ(Run({"dump", compiled}), 0) << err_.str();
    const std::string fromScript = out_.str();
    EXPECT_NE(fromScript.find("@title Dumped\n"), std::string::npos);
    EXPECT_EQ(err_.str(), "");

    const std::string setup = folder_ / "setup.exe";
    WriteFile(setup, test::FakePeImage() + script);
    const std::string dumped = folder_ / "dumped.kel";
    ASSERT_EQ(Run({"dump", setup, "-o", dumped}), 0) << err_.str();
    auto text = ReadWholeFile(dumped, &error);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("Comment\n  | hello\n"), std::string::npos);
    const std::string again = folder_ / "again.script";
    ASSERT_EQ(Run({dumped, "-o", again}), 0) << err_.str();
    EXPECT_EQ(ReadWholeFile(again, &error), script);

    // A signed setup: the script ends where the certificate table begins.
    const std::string signedSetup = folder_ / "signed.exe";
    std::string signedBytes = test::FakePeImage(64);
    signedBytes.insert(0x400, script);
    test::PutU32(signedBytes, 0x44 + 20 + 96 + 32,
                 static_cast<std::uint32_t>(0x400 + script.size()));
    WriteFile(signedSetup, signedBytes);
    ASSERT_EQ(Run({"dump", signedSetup}), 0) << err_.str();
    EXPECT_NE(out_.str().find("Comment\n  | hello\n"), std::string::npos);

    const std::string bare = folder_ / "bare.exe";
    WriteFile(bare, test::FakePeImage());
    EXPECT_EQ(Run({"dump", bare}), 1);
    EXPECT_EQ(err_.str(), "kelc dump: " + bare + ": a Windows program with no script appended\n");

    const std::string junk = folder_ / "junk.bin";
    WriteFile(junk, "Comment\r\n$\r\nno more sections\r\n");
    EXPECT_EQ(Run({"dump", junk}), 1);
    EXPECT_NE(err_.str().find("not a compiled script"), std::string::npos);
}

}  // namespace
}  // namespace kel::tools
