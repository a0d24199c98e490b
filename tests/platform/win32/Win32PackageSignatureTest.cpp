// A package's Authenticode signature against the publisher named in the
// settings: copies of the record probe signed at build time (SignProbes.cmake)
// with certificates of a test root, which the tests put among the machine's
// trusted roots, and of a root nobody trusts.

#include <gtest/gtest.h>

#include <optional>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32System.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace sigpatch::testing;

constexpr char16_t kPublisher[] = u"Ferrolite Test Publisher";

std::u16string signedProbe(const char16_t* name) {
  return builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\" + name;
}

class PackageSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!underWine()) GTEST_SKIP() << "the test puts a root of its own among the machine's roots";
    root.emplace(signedProbe(u"root.cer"));
    ASSERT_TRUE(root->Added()) << "the test root is not among the trusted roots";
  }
  std::u16string check(const std::u16string& file, std::u16string_view publisher) {
    return system.CheckSignature(file, file, publisher);
  }

  std::optional<TrustedRoot> root;
  Win32System system;
};

#define NOT_TRUSTED u"its signature is not trusted: "

TEST_F(PackageSignatureTest, OnlyASoundSignatureOfTheNamedPublisherIsGood) {
  const struct {
    const char16_t *file, *publisher, *said;  // file nullptr: the probe unsigned
  } rows[] = {
      {u"signed.exe", kPublisher, u""},
      {u"signed.exe", u"FERROLITE test PUBLISHER", u""},
      {u"signed.exe", u"Ferrolite Updates",
       u"it is signed by Ferrolite Test Publisher, not by Ferrolite Updates"},
      {nullptr, kPublisher, u"it is not signed"},
      // Wine's WinVerifyTrust passes these three; the check of the signer's chain does not.
      {u"stranger.exe", kPublisher,
       NOT_TRUSTED u"A certificate chain could not be built to a trusted root authority"},
      {u"expired.exe", kPublisher,
       NOT_TRUSTED u"A required certificate is not within its validity period when verifying "
                   u"against the current system clock or the timestamp in the signed file"},
      {u"server.exe", kPublisher,
       NOT_TRUSTED u"The certificate is not valid for the requested usage"}};
  for (const auto& row : rows) {
    const std::u16string file =
        row.file ? signedProbe(row.file) : builtProgram(SIGPATCH_RECORD_PROBE);
    SCOPED_TRACE(text::toUtf8(file));
    ASSERT_FALSE(readFile(file).empty());
    EXPECT_EQ(text::toUtf8(check(file, row.publisher)), text::toUtf8(row.said));
  }
}

TEST_F(PackageSignatureTest, AByteChangedAfterSigningBreaksTheSignature) {
  TempFolder dir(u"sigpatch signature ");
  std::string program = readFile(signedProbe(u"signed.exe"));
  const std::u16string copy = dir / u"sdat4500.exe";
  writeFile(copy, program);
  ASSERT_EQ(check(copy, kPublisher), u"") << "a copy is as good as the signed file";
  // A byte of the code: the first section's data (PointerToRawData of its header).
  const auto read32 = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(program[at + i]);
    return value;
  };
  const std::size_t header = read32(0x3c), optionalSize = read32(header + 20) & 0xFFFF;
  const std::size_t code = read32(header + 24 + optionalSize + 20) + 16;
  ASSERT_LT(code, program.size());
  program[code] = static_cast<char>(program[code] ^ 0x01);
  writeFile(copy, program);
  EXPECT_EQ(text::toUtf8(check(copy, kPublisher)),
            "its signature is not trusted: The digital signature of the object did not verify");
}

}  // namespace
}  // namespace sigpatch::platform::win32
