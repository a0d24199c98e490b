// A package's Authenticode signature against the publisher named in the
// settings: copies of the record probe signed at build time (SignProbes.cmake)
// with certificates of a test root, which the tests put among the machine's
// trusted roots, and of a root nobody trusts.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32System.h"

namespace sigpatch::platform::win32 {
namespace {

using sigpatch::testing::builtProgram;
using sigpatch::testing::readFile;
using sigpatch::testing::TempFolder;
using sigpatch::testing::underWine;
using sigpatch::testing::writeFile;

constexpr char16_t kPublisher[] = u"Ferrolite Test Publisher";

std::u16string signedProbe(const char16_t* name) {
  return builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\" + name;
}

// Where the code of a program starts in its file: the first section's data.
std::size_t codeOffset(const std::string& program) {
  auto read32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(program[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(program[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(program[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(program[at + 3])) << 24;
  };
  const std::size_t header = read32(0x3c);
  const std::size_t optionalSize = static_cast<unsigned char>(program[header + 20]) |
                                   static_cast<unsigned char>(program[header + 21]) << 8;
  const std::size_t firstSection = header + 24 + optionalSize;
  return read32(firstSection + 20);  // PointerToRawData
}

class PackageSignatureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (underWine())
      root = std::make_unique<sigpatch::testing::TrustedRoot>(signedProbe(u"root.cer"));
  }
  static void TearDownTestSuite() { root.reset(); }

  void SetUp() override {
    if (!underWine()) {
      GTEST_SKIP()
          << "the test puts a root certificate of its own among the machine's trusted roots";
    }
    ASSERT_TRUE(root->Added()) << "the test root is not among the trusted roots";
  }

  std::u16string check(const std::u16string& file, std::u16string_view publisher) {
    return system.CheckSignature(file, file, publisher);
  }

  static std::unique_ptr<sigpatch::testing::TrustedRoot> root;
  Win32System system;
};

std::unique_ptr<sigpatch::testing::TrustedRoot> PackageSignatureTest::root;

struct Signed {
  const char* name;
  const char16_t* file;  // in the folder of the signed probes; nullptr: the probe unsigned
  const char16_t* publisher;
  const char16_t* said;
};

void PrintTo(const Signed& row, std::ostream* out) { *out << row.name; }

class SignedPackageTest : public PackageSignatureTest,
                          public ::testing::WithParamInterface<Signed> {};

TEST_P(SignedPackageTest, OnlyASoundSignatureOfTheNamedPublisherIsGood) {
  const Signed& row = GetParam();
  const std::u16string file =
      row.file == nullptr ? builtProgram(SIGPATCH_RECORD_PROBE) : signedProbe(row.file);
  ASSERT_FALSE(readFile(file).empty()) << text::toUtf8(file);
  EXPECT_EQ(text::toUtf8(check(file, row.publisher)), text::toUtf8(row.said));
}

INSTANTIATE_TEST_SUITE_P(
    Packages, SignedPackageTest,
    ::testing::Values(
        Signed{"Good", u"signed.exe", kPublisher, u""},
        Signed{"LetterCaseIgnored", u"signed.exe", u"FERROLITE test PUBLISHER", u""},
        Signed{"AnotherPublisher", u"signed.exe", u"Ferrolite Updates",
               u"it is signed by Ferrolite Test Publisher, not by Ferrolite Updates"},
        Signed{"NotSigned", nullptr, kPublisher, u"it is not signed"},
        // Wine's WinVerifyTrust passes these three; the check of the signer's chain does not.
        Signed{"ByARootNobodyTrusts", u"stranger.exe", kPublisher,
               u"its signature is not trusted: A certificate chain could not be built to a trusted "
               u"root authority"},
        Signed{"ByACertificateThatRanOut", u"expired.exe", kPublisher,
               u"its signature is not trusted: A required certificate is not within its validity "
               u"period when verifying against the current system clock or the timestamp in the "
               u"signed file"},
        Signed{"ByACertificateForWebServers", u"server.exe", kPublisher,
               u"its signature is not trusted: The certificate is not valid for the requested "
               u"usage"}),
    [](const ::testing::TestParamInfo<Signed>& row) { return std::string(row.param.name); });

TEST_F(PackageSignatureTest, AByteChangedAfterSigningBreaksTheSignature) {
  TempFolder dir(u"sigpatch signature ");
  std::string program = readFile(signedProbe(u"signed.exe"));
  ASSERT_GT(program.size(), 4096u);
  const std::u16string copy = dir / u"sdat4500.exe";
  writeFile(copy, program);
  ASSERT_EQ(check(copy, kPublisher), u"") << "a copy is as good as the signed file";

  const std::size_t code = codeOffset(program);
  ASSERT_GT(code, 0u);
  ASSERT_LT(code + 16, program.size());
  program[code + 16] = static_cast<char>(program[code + 16] ^ 0x01);
  writeFile(copy, program);
  EXPECT_EQ(text::toUtf8(check(copy, kPublisher)),
            "its signature is not trusted: The digital signature of the object did not verify");
}

}  // namespace
}  // namespace sigpatch::platform::win32
