// The engine's archive wrappers against a fake of the library's four functions: what they pass
// (modes, targets, callbacks), what they make of the answers (receivers, error texts), and the
// per-call state of the default callbacks.
#include "engine/media/archive_client.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kel {
namespace {

struct FakeLibrary {
    // Listing
    std::vector<std::string> names;
    std::vector<KelArchiveEntry> records;
    int32_t openError = KEL_ERROR_NONE;  // non-zero: OpenListArchive fails with it
    int opens = 0;
    int closes = 0;
    // What a call does with its callbacks before answering.
    std::function<void(KelPasswordCallback)> onOpen;
    std::function<void(KelPasswordCallback, KelProgressCallback, KelFileDoneCallback,
                       KelReplaceCallback)>
        onExtract;
    // Extraction
    int32_t extractError = KEL_ERROR_NONE;
    int extracts = 0;
    std::string extractPassword;
    int32_t pathOption = -1;
    int32_t mode = -1;
    std::string outputFolder;
    std::vector<std::string> targets;
    int32_t lastError = KEL_ERROR_NONE;
};
FakeLibrary gFake;

KelListHandle KEL_ARCHIVE_CALL FakeOpen(const char*, int32_t, KelPasswordCallback password, void*,
                                        void*, void*, const char*, const KelArchiveEntry** entries,
                                        uint32_t* count) {
    ++gFake.opens;
    if (gFake.onOpen) gFake.onOpen(password);
    gFake.lastError = gFake.openError;
    if (gFake.openError != KEL_ERROR_NONE) return nullptr;
    for (std::size_t i = 0; i < gFake.records.size(); ++i)
        gFake.records[i].path = gFake.names[i].c_str();
    *entries = gFake.records.data();
    *count = static_cast<uint32_t>(gFake.records.size());
    return reinterpret_cast<KelListHandle>(&gFake);
}

void KEL_ARCHIVE_CALL FakeClose(KelListHandle) { ++gFake.closes; }

int32_t KEL_ARCHIVE_CALL FakeExtract(const char*, int32_t pathOption, const char* output,
                                     const KelTargetFiles* targets, int32_t mode,
                                     const char* password, KelPasswordCallback passwordCallback,
                                     KelProgressCallback progress, KelFileDoneCallback fileDone,
                                     KelReplaceCallback replace) {
    ++gFake.extracts;
    gFake.pathOption = pathOption;
    gFake.mode = mode;
    gFake.outputFolder = output;
    gFake.extractPassword = password;
    gFake.targets.clear();
    for (uint32_t i = 0; targets != nullptr && i < targets->count; ++i)
        gFake.targets.emplace_back(targets->paths[i]);
    if (gFake.onExtract) gFake.onExtract(passwordCallback, progress, fileDone, replace);
    gFake.lastError = gFake.extractError;
    return gFake.extractError == KEL_ERROR_NONE ? 1 : 0;
}

int32_t KEL_ARCHIVE_CALL FakeLastError(int32_t) { return gFake.lastError; }

std::string FakeTimeText(std::uint64_t time) { return "T" + std::to_string(time); }

ArchivePorts FakePorts() {
    ArchivePorts ports;
    ports.library = {FakeOpen, FakeClose, FakeExtract, FakeLastError};
    ports.fileTimeText = FakeTimeText;
    return ports;
}

int32_t AskReplace(KelReplaceCallback replace) { return replace("x", 1, 0, 2, 0, "y", 3, 0, 4, 0); }

std::string AskPassword(KelPasswordCallback password) {
    char buffer[KEL_PASSWORD_BUFFER_SIZE] = "unchanged";
    return password(buffer) != 0 ? std::string(buffer) : "<none>";
}

class archive_client : public testing::Test {
  protected:
    void SetUp() override {
        gFake = FakeLibrary{};
        gFake.names = {"docs", "docs\\a.txt", "b.bin"};
        gFake.records.resize(3);
        gFake.records[0].attributes = 0x10;
        gFake.records[1] = KelArchiveEntry{};
        gFake.records[1].size = 1234;
        gFake.records[1].packedSize = 99;
        gFake.records[1].modified = 132591648000000000ull;
        gFake.records[1].attributes = 0x21;
        gFake.records[2].size = 5000000000ull;
    }
    ArchivePorts ports_ = FakePorts();
};

TEST_F(archive_client, ListFillsTheReceiversAsDecimalTexts) {
    StringList paths, sizes, packed, times, attributes;
    paths.Add("left over");
    std::string error = "left over";
    ASSERT_TRUE(
        ListArchive(ports_, "a.7z", "", {&paths, &sizes, &packed, &times, &attributes}, error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(paths.Lines(), (std::vector<std::string>{"docs", "docs\\a.txt", "b.bin"}));
    EXPECT_EQ(sizes.Lines(), (std::vector<std::string>{"0", "1234", "5000000000"}));
    EXPECT_EQ(packed.Lines(), (std::vector<std::string>{"0", "99", "0"}));
    EXPECT_EQ(times[1], "T132591648000000000");
    EXPECT_EQ(attributes.Lines(), (std::vector<std::string>{"16", "33", "0"}));
    EXPECT_EQ(gFake.closes, 1);

    ASSERT_TRUE(
        ListArchive(ports_, "a.7z", "", {nullptr, &sizes, nullptr, nullptr, nullptr}, error))
        << "receivers are optional";
    EXPECT_EQ(sizes.Count(), 3u);
}

TEST_F(archive_client, ListFailureGivesTheMessageOfItsCode) {
    struct MessageCase {
        int32_t code;
        const char* text;
    };
    const MessageCase cases[] = {
        {KEL_ERROR_ARCHIVE_NOT_FOUND, "The archive file was not found"},
        {KEL_ERROR_ILLEGAL_PATH, "Illegal path used in a wildcard expression"},
        {KEL_ERROR_CANNOT_OPEN,
         "The archive cannot be opened: unsupported archive or incorrect password"},
        {KEL_ERROR_CRC_MISMATCH, "General failure opening archive"},
        {42, "General failure opening archive"},
    };
    for (const auto& c : cases) {
        gFake.openError = c.code;
        StringList paths;
        paths.Add("stale");
        std::string error;
        EXPECT_FALSE(ListArchive(ports_, "a.7z", "", {&paths}, error));
        EXPECT_EQ(error, c.text) << c.code;
        EXPECT_TRUE(paths.Empty()) << "receivers are cleared first";
    }
    EXPECT_EQ(gFake.closes, 0) << "no handle, nothing to close";
}

TEST_F(archive_client, PasswordIsOfferedOncePerCall) {
    std::vector<std::string> seen;
    gFake.onOpen = [&](KelPasswordCallback password) {
        seen.push_back(AskPassword(password));
        seen.push_back(AskPassword(password));
    };
    std::string error;
    ASSERT_TRUE(ListArchive(ports_, "a.7z", "secret", {}, error));
    ASSERT_TRUE(ListArchive(ports_, "a.7z", "other", {}, error));
    EXPECT_EQ(seen, (std::vector<std::string>{"secret", "<none>", "other", "<none>"}));

    seen.clear();
    gFake.onExtract = [&](KelPasswordCallback password, auto, auto, auto) {
        seen.push_back(AskPassword(password));
    };
    StringList entries;
    ASSERT_TRUE(
        ExtractArchiveEntries(ports_, "a.7z", "x", "C:\\out", {}, &entries, error, false, false));
    EXPECT_EQ(seen, (std::vector<std::string>{"x"}));
    EXPECT_EQ(gFake.extractPassword, "x");

    // A password longer than the library's buffer is cut, never written past it.
    seen.clear();
    ASSERT_TRUE(ExtractArchiveEntries(ports_, "a.7z", std::string(400, 'p'), "C:\\out", {},
                                      &entries, error, false, false));
    EXPECT_EQ(seen[0].size(), KEL_PASSWORD_BUFFER_SIZE - 1u);
}

TEST_F(archive_client, ExtractWithoutEntriesListsFirst) {
    std::string error;
    ASSERT_TRUE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\out\\", {}, nullptr, error, false, false));
    EXPECT_EQ(gFake.opens, 1);
    EXPECT_EQ(gFake.closes, 1);
    EXPECT_EQ(gFake.targets, gFake.names);
    EXPECT_EQ(gFake.pathOption, 1);
    EXPECT_EQ(gFake.outputFolder, "C:\\out\\");
    EXPECT_EQ(gFake.mode, 1) << "mode flag clear";

    StringList entries;
    entries.Add("docs\\a.txt");
    ASSERT_TRUE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\out", {}, &entries, error, false, true));
    EXPECT_EQ(gFake.opens, 1) << "an entry list needs no listing";
    EXPECT_EQ(gFake.targets, (std::vector<std::string>{"docs\\a.txt"}));
    EXPECT_EQ(gFake.mode, 0) << "mode flag set";

    gFake.openError = KEL_ERROR_ARCHIVE_NOT_FOUND;
    EXPECT_FALSE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\out", {}, nullptr, error, false, false));
    EXPECT_EQ(error, kArchiveNotFoundText);
    EXPECT_EQ(gFake.extracts, 2) << "a failed listing ends the call";
}

TEST_F(archive_client, ExtractFailureIsHashAndCode) {
    gFake.extractError = 42;
    std::string error;
    EXPECT_FALSE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\out", {}, nullptr, error, false, false));
    EXPECT_EQ(error, "#42");
    gFake.extractError = KEL_ERROR_CANNOT_OPEN;
    EXPECT_FALSE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\out", {}, nullptr, error, false, false));
    EXPECT_EQ(error, "#1003");
}

TEST_F(archive_client, DefaultCallbacks) {
    int32_t question = -1, progress = -1, second = -1;
    gFake.onExtract = [&](auto, KelProgressCallback p, KelFileDoneCallback s,
                          KelReplaceCallback q) {
        question = AskReplace(q);
        progress = p("x", 1, 2);
        second = s("x", KEL_FILE_WRITTEN);
    };
    StringList entries;
    std::string error;
    ASSERT_TRUE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\o", {}, &entries, error, true, false));
    EXPECT_EQ(question, KEL_REPLACE_ALL) << "answer flag set";
    EXPECT_EQ(progress, 1);
    EXPECT_EQ(second, 1);
    ASSERT_TRUE(
        ExtractArchiveEntries(ports_, "a.7z", "", "C:\\o", {}, &entries, error, false, false));
    EXPECT_EQ(question, KEL_REPLACE_SKIP) << "answer flag clear";
}

TEST_F(archive_client, CallerCallbacksAreCalledAndTheirFailuresStopTheCall) {
    std::vector<std::string> log;
    int32_t progressAnswer = -1;
    gFake.onExtract = [&](KelPasswordCallback pw, KelProgressCallback p, KelFileDoneCallback s,
                          KelReplaceCallback q) {
        log.push_back(AskPassword(pw));
        progressAnswer = p("docs\\a.txt", 50, 100);
        s("C:\\o\\docs\\a.txt", KEL_FILE_WRITTEN);
        log.push_back(std::to_string(AskReplace(q)));
    };
    ArchiveExtractCallbacks callbacks;
    callbacks.password = [] { return std::optional<std::string>("typed"); };
    callbacks.progress = [&](const std::string& path, std::uint64_t done, std::uint64_t total) {
        log.push_back(path + " " + std::to_string(done) + "/" + std::to_string(total));
        return false;
    };
    callbacks.second = [&](const std::string& path, int outcome) {
        log.push_back(path + " " + std::to_string(outcome));
        return true;
    };
    callbacks.question = [] { return KEL_REPLACE_YES; };
    StringList entries;
    std::string error;
    ASSERT_TRUE(ExtractArchiveEntries(ports_, "a.7z", "", "C:\\o", callbacks, &entries, error, true,
                                      false));
    EXPECT_EQ(log, (std::vector<std::string>{"typed", "docs\\a.txt 50/100", "C:\\o\\docs\\a.txt 1",
                                             "2"}));
    EXPECT_EQ(progressAnswer, 0) << "the caller said stop";

    // An exception in a callback answers stop to the library and becomes the error text.
    callbacks.progress = [](const std::string&, std::uint64_t, std::uint64_t) -> bool {
        throw std::runtime_error("worker gone");
    };
    gFake.extractError = KEL_ERROR_CANCELLED;
    EXPECT_FALSE(ExtractArchiveEntries(ports_, "a.7z", "", "C:\\o", callbacks, &entries, error,
                                       true, false));
    EXPECT_EQ(progressAnswer, 0);
    EXPECT_EQ(error, "worker gone");
}

TEST_F(archive_client, UnpackPayloadExtractsEverythingReplacingWithoutAsking) {
    int32_t question = -1;
    gFake.onExtract = [&](auto, auto, auto, KelReplaceCallback q) { question = AskReplace(q); };
    EXPECT_TRUE(UnpackPayload(ports_, "setup.res", "C:\\Temp\\kel1\\"));
    EXPECT_EQ(gFake.targets, gFake.names);
    EXPECT_EQ(gFake.outputFolder, "C:\\Temp\\kel1\\");
    EXPECT_EQ(gFake.mode, 0);
    EXPECT_EQ(gFake.extractPassword, "");
    EXPECT_EQ(question, KEL_REPLACE_ALL);
    gFake.extractError = KEL_ERROR_WRITE_FAILED;
    EXPECT_FALSE(UnpackPayload(ports_, "setup.res", "C:\\Temp\\kel1\\"));
}

}  // namespace
}  // namespace kel
