// Where appended data begins and ends, for plain and for signed files.
#include "engine/base/pe_image.h"

#include <gtest/gtest.h>

#include "support/fake_pe.h"

namespace kel {
namespace {

using testing::FakePeImage;
using testing::kFakeImageEnd;

TEST(AppendedData, PlainFiles) {
    const std::string image = FakePeImage();
    EXPECT_EQ(AppendedData(image), std::string_view());
    EXPECT_EQ(AppendedData(image + "script"), "script");
    EXPECT_FALSE(AppendedData("not a program").has_value());
    EXPECT_FALSE(AppendedData(image.substr(0, 0x100)).has_value());  // headers cut off
}

TEST(AppendedData, SignedFilesEndAtTheCertificateTable) {
    std::string image = FakePeImage();
    const std::string script = "abc";  // signing pads the signed part to eight bytes
    const std::uint32_t table = static_cast<std::uint32_t>(kFakeImageEnd + 8);
    testing::SetCertificateTable(image, table, 16);
    std::string signedFile = image + script + std::string(5, '\0') + std::string(16, 'C');
    EXPECT_EQ(AppendedData(signedFile), "abc");

    // A signed engine without a script: the table starts where the image ends.
    std::string bare = FakePeImage();
    testing::SetCertificateTable(bare, static_cast<std::uint32_t>(kFakeImageEnd), 16);
    EXPECT_EQ(AppendedData(bare + std::string(16, 'C')), std::string_view());
}

TEST(AppendedData, CertificateEntryPastTheFileIsIgnored) {
    std::string image = FakePeImage();
    testing::SetCertificateTable(image, 0x7FFFFFF0, 0x100);
    EXPECT_EQ(AppendedData(image + "tail"), "tail");
}

}  // namespace
}  // namespace kel
