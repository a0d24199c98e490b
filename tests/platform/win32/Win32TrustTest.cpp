// Whether a package may run: who besides the trusted accounts could change what runs from a path,
// judged from given owners and access lists (SDDL) and from those the system keeps; the program's
// own folder for the copies it runs; a package's Authenticode signature against the publisher
// named in the settings.
//
// Wine keeps no access lists: a file's security is the host file's mode, shown as entries for
// SYSTEM, the prefix's one account (the owner of every file) and Everyone.

#include <gtest/gtest.h>

#include <optional>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32AccessRules.h"
#include "platform/win32/Win32System.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace sigpatch::testing;

#define MAKE_SAFE                                                                                  \
  u" (icacls \"C:\\Updates\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F " \
  u"*S-1-5-32-545:(OI)(CI)RX"
#define WRITABLE u"C:\\Updates is writable by "
#define USERS WRITABLE u"BUILTIN\\Users"
#define SY_ONLY L"O:BAD:P(A;;FA;;;SY)"
#define SY_BA L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
#define NS_MAY_WRITE L"O:BAD:P" SY_BA L"(A;OICI;0x1301bf;;;NS)"
#define AUTH WRITABLE u"NT AUTHORITY\\Authenticated Users"
#define NS WRITABLE u"NT AUTHORITY\\NETWORK SERVICE"
// C:\ itself, owned by TrustedInstaller: any user may add a folder to it.
#define DRIVE                                                                            \
  L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"                    \
  L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGRGWGX;;;AU)" \
  L"(A;;LC;;;AU)"

// One entry of a package's path, C:\Updates, by its owner and access list.
TEST(AccessRulesTest, OnlyTheTrustedMayChangeWhatRuns) {
  constexpr PathPart kPackage = PathPart::Package, kFolder = PathPart::PackageFolder,
                     kAbove = PathPart::FolderAbove, kLink = PathPart::Link;
  const struct {
    PathPart part;
    const wchar_t* sddl;
    const char16_t* trustedOwner;
    const char16_t* said;  // "" when nobody else could change it
  } rows[] = {
      // clang-format off
      {kFolder, L"O:BAD:P" SY_BA L"(A;OICI;0x1200a9;;;BU)", u"", u""},
      {kFolder, L"O:BAD:P" SY_BA L"(A;OICI;0x1301bf;;;BU)", u"", USERS MAKE_SAFE u")"},
      // As Windows makes C:\Updates at the top of C:\: "Authenticated Users: Modify" handed down.
      {kFolder, L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)"
                L"(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGRGWGX;;;AU)", u"", AUTH MAKE_SAFE u")"},
      {kAbove, DRIVE, u"", u""},
      {kFolder, DRIVE, u"", AUTH MAKE_SAFE u" /remove:g *S-1-5-11)"},
      // C:\ProgramData lets the Users add files and folders and write attributes.
      {kAbove, L"O:SYD:PAI" SY_BA L"(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)(A;CI;0x116;;;BU)", u"",
       u""},
      // An entry only handed down is ignored; a deny entry is not counted on.
      {kFolder, L"O:BAD:P" SY_BA L"(A;OICIIO;FA;;;WD)", u"", u""},
      {kFolder, L"O:BAD:P(D;OICI;0x1301bf;;;BU)" SY_BA L"(A;OICI;0x1301bf;;;BU)", u"",
       USERS MAKE_SAFE u")"},
      {kPackage, SY_ONLY L"(A;;GW;;;AU)", u"", AUTH},
      {kAbove, SY_ONLY L"(A;;GA;;;BU)", u"", USERS},
      {kFolder, L"O:BAD:NO_ACCESS_CONTROL", u"",
       WRITABLE u"everyone, as it has no access list" MAKE_SAFE u")"},
      {kFolder, L"O:BUD:P" SY_BA, u"",
       u"C:\\Updates belongs to BUILTIN\\Users (icacls \"C:\\Updates\" /setowner *S-1-5-32-544)"},
      {kPackage, L"O:NSD:P(A;;FA;;;SY)(A;;FA;;;NS)", u"NT AUTHORITY\\NETWORK SERVICE", u""},
      {kFolder, NS_MAY_WRITE, u"NETWORK SERVICE", u""},
      {kFolder, NS_MAY_WRITE, u"", NS MAKE_SAFE u" /remove:g *S-1-5-20)"},
      {kFolder, NS_MAY_WRITE, u"no-such-account", NS MAKE_SAFE u" /remove:g *S-1-5-20)"},
      // Removing what is in a folder above, removing it, changing its access list count; adding to
      // it does not.
      {kAbove, SY_ONLY L"(A;;0x40;;;BU)", u"", USERS},
      {kAbove, SY_ONLY L"(A;;SD;;;BU)", u"", USERS},
      {kAbove, SY_ONLY L"(A;;WD;;;BU)", u"", USERS},
      {kAbove, SY_ONLY L"(A;;0x6;;;BU)", u"", u""},
      {kFolder, SY_ONLY L"(A;;0x2;;;BU)", u"", USERS MAKE_SAFE u")"},
      {kPackage, SY_ONLY L"(A;;0x100;;;BU)", u"", USERS},
      {kPackage, SY_ONLY L"(A;;0x1200a9;;;BU)", u"", u""},
      {kLink, SY_ONLY L"(A;;0x100;;;BU)", u"", USERS},
      // CREATOR OWNER on the entry itself lets nobody in.
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;;FA;;;CO)", u"", u""},
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;BU)(A;OICI;0x1301bf;;;AU)(A;;FA;;;WD)"
                L"(A;OICI;0x1301bf;;;WD)", u"", USERS u", NT AUTHORITY\\Authenticated Users and "
                u"Everyone" MAKE_SAFE u" /remove:g *S-1-5-11 *S-1-1-0)"}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(text::toUtf8(fromWide(row.sddl)) + " " + text::toUtf8(row.trustedOwner));
    Descriptor descriptor(row.sddl);
    ASSERT_NE(descriptor.Get(), nullptr);
    TrustedAccounts trusted;
    trusted.AddAccount(row.trustedOwner);
    EXPECT_EQ(text::toUtf8(OthersWhoCanChange(u"C:\\Updates", descriptor.Get(), row.part, trusted)),
              text::toUtf8(row.said));
  }
}

std::u16string systemDrive() {
  wchar_t drive[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  return fromWide(drive);
}

class PackageTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!system.RunsPrivileged()) GTEST_SKIP() << "the test makes folders as an administrator";
  }
  Win32System system;
};

// A package in a folder in a folder above, in a folder of the test's own at the top of the
// system's drive (so that the folders above are the system's), given access lists that Wine keeps:
// ones that only Everyone's rights tell apart. Which entries make a path unsafe is the table
// above's, an open package folder the end-to-end run's; this is the walk along the path.
TEST_F(PackageTrustTest, OnlyTheTrustedMayChangeThePackageOrAFolderAboveIt) {
  const wchar_t* readOnly = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
  const struct {
    const wchar_t *above, *package;  // above nullptr: as handed down
    const char16_t* said;            // the test's account trusted
  } rows[] = {
      {nullptr, readOnly, u""},
      {nullptr, L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)",
       u"{package} is writable by Everyone"},
      {L"D:P" SY_BA L"(A;OICI;0x1301ff;;;WD)", readOnly, u"{above} is writable by Everyone"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(text::toUtf8(row.said));
    TempFolder base(u"sigpatch-trust-", systemDrive() + u"\\");
    const std::u16string above = base / u"Above", package = above + u"\\Updates\\sdat4500.exe";
    ASSERT_EQ(setSecurity(base.path(), L"D:P" SY_BA L"(A;OICI;0x1200a9;;;BU)"), 0u);
    ASSERT_NE(::CreateDirectoryW(wide(above).c_str(), nullptr), 0);
    ASSERT_NE(::CreateDirectoryW(wide(above + u"\\Updates").c_str(), nullptr), 0);
    writeFile(package, "MZ");
    ASSERT_EQ(row.above ? setSecurity(above, row.above) : DWORD{0}, 0u);
    ASSERT_EQ(setSecurity(package, row.package), 0u);
    EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(package, testAccount())),
              text::toUtf8(fill(row.said, {{u"{above}", above}, {u"{package}", package}})));
  }
}

// Made for SYSTEM and the Administrators alone (else the second look would refuse it), and refused
// when others could change it.
TEST_F(PackageTrustTest, TheProgramsFolderIsMadeForItAndRefusedWhenOthersCouldChangeIt) {
  const std::u16string ours = programFolder(), packages = programCopies();
  if (!underWine() && exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  TempFolder::remove(ours);
  ASSERT_EQ(text::toUtf8(system.PrivateFolder()), text::toUtf8(packages));
  EXPECT_EQ(system.PrivateFolder(), packages) << "there already, and still the program's own";
  // Everyone may change the folder, or the one it lies in.
  for (const auto& changed : {packages, ours}) {
    ASSERT_EQ(setSecurity(changed, L"D:P" SY_BA L"(A;OICI;0x1301bf;;;WD)"), 0u);
    EXPECT_EQ(system.PrivateFolder(), u"") << text::toUtf8(changed);
    ASSERT_EQ(setSecurity(changed, L"D:P" SY_BA), 0u);
    EXPECT_EQ(system.PrivateFolder(), packages);
  }
}

// Copies of the record probe signed at build time (SignProbes.cmake) with certificates of a test
// root, which the tests put among the machine's trusted roots, and of a root nobody trusts.
class PackageSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!underWine()) GTEST_SKIP() << "the test puts a root of its own among the machine's roots";
    root.emplace(signedProbe(u"root.cer"));
    ASSERT_TRUE(root->Added()) << "the test root is not among the trusted roots";
  }
  static std::u16string signedProbe(const char16_t* name) {
    return builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\" + name;
  }

  static constexpr char16_t kPublisher[] = u"Ferrolite Test Publisher";
  std::optional<TrustedRoot> root;
  Win32System system;
};

#define NOT_TRUSTED u"its signature is not trusted: "

TEST_F(PackageSignatureTest, OnlyASoundSignatureOfTheNamedPublisherIsGood) {
  const struct {
    const char16_t *file, *publisher, *said;
  } rows[] = {
      {u"signed.exe", kPublisher, u""},
      {u"signed.exe", u"FERROLITE test PUBLISHER", u""},
      {u"signed.exe", u"Ferrolite Updates",
       u"it is signed by Ferrolite Test Publisher, not by Ferrolite Updates"},
      // Wine's WinVerifyTrust passes these three; the check of the signer's chain does not.
      {u"stranger.exe", kPublisher,
       NOT_TRUSTED u"A certificate chain could not be built to a trusted root authority"},
      {u"expired.exe", kPublisher,
       NOT_TRUSTED u"A required certificate is not within its validity period when verifying "
                   u"against the current system clock or the timestamp in the signed file"},
      {u"server.exe", kPublisher,
       NOT_TRUSTED u"The certificate is not valid for the requested usage"}};
  for (const auto& row : rows) {
    const std::u16string file = signedProbe(row.file);
    SCOPED_TRACE(text::toUtf8(file));
    ASSERT_FALSE(readFile(file).empty());
    EXPECT_EQ(text::toUtf8(system.CheckSignature(file, file, row.publisher)),
              text::toUtf8(row.said));
  }
}

}  // namespace
}  // namespace sigpatch::platform::win32
