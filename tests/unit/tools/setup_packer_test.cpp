// kelpack: a setup folder packed from a tiny payload with a fake engine and library (minimal PE
// images made here, so the test needs no Windows build), its files checked byte for byte and
// the payload archive listed by 7zz; and the inputs it must refuse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "engine/base/pe_image.h"
#include "engine/script/compiled_script.h"
#include "tests/unit/tools/tools_test_support.h"
#include "tools/common/file_io.h"
#include "tools/kelpack/child_process.h"
#include "tools/kelpack/kelpack_cli.h"

namespace kel::tools {
namespace {

namespace fs = std::filesystem;

bool HaveSevenZip() { return RunChildProcess({"7zz", "i"}, "").started; }

class KelpackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveSevenZip()) GTEST_SKIP() << "7zz (Debian package 7zip) is not installed";
        Write("in/setup.kel", "@title Packed\nDisplay Dialog\n  | Welcome\n  | WIZARD\n  |\n  |\n");
        Write("in/payload/Welcome.dfm", "dialog bytes");
        Write("in/payload/sub/readme.txt", "read me");
        fs::create_directories(folder_ / "in/payload/empty");
        Write("in/product.msi", "fake installer database");
        Write("in/setup.bmp", "BM fake picture");
        Write("in/messages.txt", "English\r\n1=Setup\r\n");
        Write("out/win32/kelstub.exe", test::FakePeImage());
        std::string library = test::FakePeImage();
        library[0x200] = 'L';  // tell the two images apart
        Write("out/win32/kel.lib", library);
    }

    void Write(const std::string& relative, const std::string& bytes) {
        fs::create_directories(fs::path(folder_ / relative).parent_path());
        ASSERT_TRUE(WriteWholeFile(folder_ / relative, bytes).ok);
    }
    std::string Read(const std::string& relative) {
        std::string error;
        auto bytes = ReadWholeFile(folder_ / relative, &error);
        EXPECT_TRUE(bytes) << error;
        return bytes.value_or("");
    }

    // kelpack as installed in <scratch>/out/host, so the defaults find out/win32.
    int Pack(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return RunKelpack(args, folder_ / "out/host", out_, err_);
    }
    std::vector<std::string> Basic(const std::string& outFolder = "setup") {
        return {"--script", folder_ / "in/setup.kel",   "--payload", folder_ / "in/payload",
                "--msi",    folder_ / "in/product.msi", "-o",        folder_ / outFolder};
    }

    test::ScratchFolder folder_{"kelpack"};
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(KelpackTest, LaysOutTheSetupFolder) {
    std::vector<std::string> args = Basic();
    args.insert(args.end(), {"--bmp", folder_ / "in/setup.bmp", "--messages",
                             folder_ / "in/messages.txt", "--name", "install"});
    ASSERT_EQ(Pack(args), 0) << err_.str();

    const std::string setup = Read("setup/install.exe");
    const std::string engine = Read("out/win32/kelstub.exe");
    ASSERT_EQ(setup.substr(0, engine.size()), engine);
    auto script = AppendedData(setup);
    ASSERT_TRUE(script);
    ScriptModel model;
    LoadScript(*script, model);
    EXPECT_EQ(model.projectTitle, "Packed");
    EXPECT_EQ(model.commands[0], "Display Dialog");
    EXPECT_EQ(model.GetStatementParameter(model.ids[0], 1), "Welcome");

    EXPECT_EQ(Read("setup/kel.lib"), Read("out/win32/kel.lib") + Read("in/messages.txt"));
    EXPECT_EQ(AppendedData(Read("setup/kel.lib")), Read("in/messages.txt"));
    EXPECT_EQ(Read("setup/install.msi"), Read("in/product.msi"));
    EXPECT_EQ(Read("setup/setup.bmp"), Read("in/setup.bmp"));

    const ChildResult listing =
        RunChildProcess({"7zz", "l", "-slt", folder_ / "setup/install.res"}, "");
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    for (const char* entry :
         {"Path = Welcome.dfm", "Path = sub/readme.txt", "Path = empty", "Method = LZMA2"}) {
        EXPECT_NE(listing.output.find(entry), std::string::npos) << entry << "\n" << listing.output;
    }
    EXPECT_EQ(listing.output.find("payload"), std::string::npos) << "entries are folder-relative";
}

TEST_F(KelpackTest, TakesCompiledScriptsAndSetupProgramsAsTheScript) {
    ASSERT_EQ(Pack(Basic("first")), 0) << err_.str();
    const std::string first = Read("first/setup.exe");
    const std::string script(*AppendedData(first));

    Write("in/compiled.script", script);
    std::vector<std::string> args = Basic("second");
    args[1] = folder_ / "in/compiled.script";
    ASSERT_EQ(Pack(args), 0) << err_.str();
    EXPECT_EQ(Read("second/setup.exe"), first);

    args = Basic("third");
    args[1] = folder_ / "first/setup.exe";
    ASSERT_EQ(Pack(args), 0) << err_.str();
    EXPECT_EQ(Read("third/setup.exe"), first);
}

TEST_F(KelpackTest, RemovesFilesOfAnEarlierPackThatWouldChangeTheSetup) {
    std::vector<std::string> args = Basic();
    args.insert(args.end(), {"--bmp", folder_ / "in/setup.bmp"});
    ASSERT_EQ(Pack(args), 0) << err_.str();
    Write("in/update.msp", "fake patch");
    Write("setup/setup.res", "stale archive that 7zz would add to");
    args = Basic();
    args[4] = "--msp";
    args[5] = folder_ / "in/update.msp";
    ASSERT_EQ(Pack(args), 0) << err_.str();
    // With both beside it the engine would run as a patch with a stale database.
    EXPECT_FALSE(fs::exists(folder_ / "setup/setup.msi"));
    EXPECT_EQ(Read("setup/setup.msp"), "fake patch");
    EXPECT_FALSE(fs::exists(folder_ / "setup/setup.bmp"));
    EXPECT_NE(out_.str().find("removed " + (folder_ / "setup/setup.msi")), std::string::npos);
    const ChildResult listing = RunChildProcess({"7zz", "l", folder_ / "setup/setup.res"}, "");
    EXPECT_EQ(listing.exitCode, 0) << listing.output;
}

TEST_F(KelpackTest, RefusesBadInputsBeforeWritingAnything) {
    Write("in/signed.exe", test::FakePeImage(32));
    Write("in/unstripped.exe", test::FakePeImage() + "COFF symbols");
    Write("in/tabled.lib", test::FakePeImage() + "English\r\n");
    Write("in/text.exe", "not a program");
    Write("in/broken.kel", "Comment\n@nonsense\n");
    const struct {
        const char* label;
        std::vector<std::string> replace;  // option, value: replaced or added
        std::string expected;              // part of the error output
    } cases[] = {
        {"missing payload", {"--payload", folder_ / "in/none"}, "payload folder not found"},
        {"missing database",
         {"--msi", folder_ / "in/none.msi"},
         "installer database (--msi or --msp) not found"},
        {"missing script", {"--script", folder_ / "in/none.kel"}, "script (--script) not found"},
        {"missing engine", {"--engine", folder_ / "in/none.exe"}, "engine (--engine) not found"},
        {"engine not a program", {"--engine", folder_ / "in/text.exe"}, "not a Windows program"},
        {"signed engine", {"--engine", folder_ / "in/signed.exe"}, "the engine is signed"},
        {"engine with data after its image",
         {"--engine", folder_ / "in/unstripped.exe"},
         "12 bytes follow the engine's image"},
        {"library with a table and more messages",
         {"--archive-lib", folder_ / "in/tabled.lib", "--messages", folder_ / "in/messages.txt"},
         "already carries a message table"},
        {"name with .exe", {"--name", "setup.EXE.x"}, "must not contain \".exe\""},
        {"name with a folder", {"--name", "a/b"}, "must be a plain file name"},
        {"output inside the payload",
         {"-o", folder_ / "in/payload/sub/refused"},
         "the output folder lies inside the payload folder"},
        {"script error",
         {"--script", folder_ / "in/broken.kel"},
         folder_ / "in/broken.kel" + ":2: unknown directive @nonsense"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = Basic("refused");
        for (std::size_t k = 0; k < c.replace.size(); k += 2) {
            auto at = std::find(args.begin(), args.end(), c.replace[k]);
            if (at == args.end()) {
                args.insert(args.end(), {c.replace[k], c.replace[k + 1]});
            } else {
                *(at + 1) = c.replace[k + 1];
            }
        }
        EXPECT_EQ(Pack(args), 1) << c.label;
        EXPECT_NE(err_.str().find(c.expected), std::string::npos) << c.label << ":\n" << err_.str();
        EXPECT_FALSE(fs::exists(folder_ / "refused")) << c.label;
    }
}

TEST_F(KelpackTest, ReportsArchiverFailures) {
    std::vector<std::string> args = Basic();
    args.insert(args.end(), {"--7zz", folder_ / "no/such/7zz"});
    EXPECT_EQ(Pack(args), 1);
    EXPECT_NE(err_.str().find("kelpack: cannot run " + (folder_ / "no/such/7zz")),
              std::string::npos)
        << err_.str();

    args = Basic();
    args.insert(args.end(), {"--7zz", "false"});
    EXPECT_EQ(Pack(args), 1);
    EXPECT_NE(err_.str().find("kelpack: false failed (exit code 1)"), std::string::npos)
        << err_.str();
    EXPECT_FALSE(fs::exists(folder_ / "setup/setup.res"));
}

TEST_F(KelpackTest, UsageMistakes) {
    EXPECT_EQ(Pack({"--script"}), 1);
    EXPECT_NE(err_.str().find("--script needs a value"), std::string::npos);
    EXPECT_EQ(Pack({"--colour", "red"}), 1);
    EXPECT_NE(err_.str().find("unknown option --colour"), std::string::npos);
    std::vector<std::string> both = Basic();
    both.insert(both.end(), {"--msp", folder_ / "in/product.msi"});
    EXPECT_EQ(Pack(both), 1);
    EXPECT_NE(err_.str().find("give one installer database"), std::string::npos);
    EXPECT_EQ(Pack({"--help"}), 0);
    EXPECT_NE(out_.str().find("usage: kelpack"), std::string::npos);
}

}  // namespace
}  // namespace kel::tools
