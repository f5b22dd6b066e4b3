// Command-line rules of the engine, captions and base names.
#include "engine/startup/command_line.h"

#include <gtest/gtest.h>

#include "engine/startup/engine_globals.h"

namespace kel {
namespace {

TEST(ParseCommandLine, SilentAndUpdateSwitches) {
    struct Case {
        const char* argument;
        bool silent;
        bool update;
    } cases[] = {
        {"/S", true, false},    {"-s", true, false},      {"/Qn", true, false},
        {"-QN", true, false},   {"/silent", false, false}, {"s", false, false},
        {"/update", false, true}, {"-UpdateSetup", false, true}, {"/updates", false, false},
    };
    for (const Case& c : cases) {
        const CommandLineOptions options = ParseCommandLine({c.argument});
        EXPECT_EQ(options.silent, c.silent) << c.argument;
        EXPECT_EQ(options.update, c.update) << c.argument;
    }
}

TEST(ParseCommandLine, PathArguments) {
    auto options = ParseCommandLine({"/L=C:\\Logs\\Setup.TXT", "-l=ignored", "x/p=y", "/g=G:\\Gpo",
                                     "-g=notSlashForm", "/M=C:\\Sfx\\Pack.EXE"});
    EXPECT_EQ(options.logFilePath, "c:\\logs\\setup.txt");  // lower-cased, first one wins
    EXPECT_EQ(options.packageFolderOverride, "=y");         // first three characters dropped
    EXPECT_EQ(options.gpoPath, "g:\\gpo");
    EXPECT_EQ(options.sfxPath, "c:\\sfx\\pack.exe");

    EXPECT_EQ(ParseCommandLine({"x/l=y"}).logFilePath, "=y");
    EXPECT_EQ(ParseCommandLine({"-g=only"}).gpoPath, "");  // "/g=" has no dash form
}

TEST(ParseCommandLine, Assignments) {
    auto options = ParseCommandLine({"Target=C:\\My App", "a=b=c", "-X=1", "/Y=2", "novalue", "E="});
    const std::vector<std::string> expected = {"TARGET", "C:\\My App", "A", "b=c", "E", ""};
    EXPECT_EQ(options.assignments, expected);
}

TEST(CommandLineTail, ProgramPartRemoved) {
    struct Case {
        const char* raw;
        const char* tail;
    } cases[] = {
        {"\"C:\\Setup Files\\setup.exe\" /s", "/s"},
        {"\"C:\\setup.exe\"", ""},
        {"\"C:\\setup.exe\" ", ""},
        {"setup.exe", ""},
        {"setup.exe /s a=b", "/s a=b"},
        {"\"unterminated", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandLineTail(c.raw), c.tail) << c.raw;
}

TEST(StandardCaption, BrandingRules) {
    EXPECT_EQ(StandardCaption("", false), "Tarnwick Wizard");
    EXPECT_EQ(StandardCaption("Demo", false), "Demo - Tarnwick Wizard");
    EXPECT_EQ(StandardCaption("Demo", true), "Demo");
    EXPECT_EQ(StandardCaption("", true), "");
}

TEST(BaseNameOf, FirstOccurrenceOfTheExtensionIsCut) {
    EXPECT_EQ(BaseNameOf("setup.exe"), "setup");
    EXPECT_EQ(BaseNameOf("my.exe.tool.exe"), "my.tool.exe");
    EXPECT_EQ(BaseNameOf("noextension"), "noextension");
}

}  // namespace
}  // namespace kel
