// Who besides the trusted accounts could change what runs from a path, as the
// owners and access lists the system keeps tell it; whether the program runs
// with the system's rights; the program's own folder for the copies it runs.
//
// Wine keeps no access lists: a file's security is the host file's mode, shown
// as entries for SYSTEM, the prefix's one account (the owner of every file)
// and Everyone, and it makes no links. The rules themselves are judged on given
// access lists in Win32AccessRulesTest.cpp; here what the system's own lists
// add: the walk up the path, names of groups and accounts, entries handed down.

#include <gtest/gtest.h>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32System.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace sigpatch::testing;

#define SAFE_GRANTS                                                          \
  u"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F " \
  u"*S-1-5-32-545:(OI)(CI)RX"
// Only SYSTEM and the Administrators change, the Users read and run.
constexpr wchar_t kSafeFolder[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t kOpenFolder[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)";
constexpr wchar_t kSafePackage[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
constexpr char16_t kMe[] = u"(the test's account)";

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

// A package in a folder in a folder above, in a folder of the test's own at the
// top of the system's drive (so that the folders above are the system's), each
// given an access list (nullptr: as handed down).
TEST_F(PackageTrustTest, OnlyTheTrustedMayChangeThePackageOrAFolderOnItsPath) {
  const struct {
    const wchar_t *above, *folder, *package;
    const char16_t *trustedOwner, *said;
    bool keptOnlyByWindows =
        false;  // Wine keeps only what the host file's mode carries: Everyone's rights
  } rows[] = {
      {nullptr, nullptr, nullptr, kMe, u""},
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
       L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
       L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)", kMe, u""},
      {nullptr, kOpenFolder, nullptr, kMe,
       u"{folder} is writable by Everyone (icacls \"{folder}" SAFE_GRANTS u" /remove:g *S-1-1-0)"},
      {nullptr, nullptr, L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)", kMe,
       u"{package} is writable by Everyone"},
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301ff;;;WD)", nullptr, nullptr, kMe,
       u"{above} is writable by Everyone"},
      {nullptr, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", nullptr, u"",
       u"{folder} is writable by BUILTIN\\Users (icacls \"{folder}" SAFE_GRANTS u")", true},
      // As a folder made at the top of C:\ inherits "Authenticated Users: Modify".
      {L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;SDGRGWGX;;;AU)(A;;0x4;;;AU)", nullptr,
       nullptr, u"",
       u"{folder} is writable by NT AUTHORITY\\Authenticated Users (icacls "
       u"\"{folder}" SAFE_GRANTS u")",
       true},
      {nullptr, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", nullptr,
       u"NT AUTHORITY\\NETWORK SERVICE", u"", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(text::toUtf8(row.said));
    if (row.keptOnlyByWindows && underWine()) continue;
    TempFolder base(u"sigpatch-trust-", systemDrive() + u"\\");
    const std::u16string above = base / u"Above", folder = above + u"\\Updates",
                         package = folder + u"\\sdat4500.exe";
    ASSERT_EQ(setSecurity(base.path(), kSafeFolder), DWORD{ERROR_SUCCESS});
    ASSERT_NE(::CreateDirectoryW(wide(above).c_str(), nullptr), 0);
    ASSERT_NE(::CreateDirectoryW(wide(folder).c_str(), nullptr), 0);
    writeFile(package, "MZ");
    for (const auto& [path, sddl] : {std::pair{above, row.above},
                                     {folder, row.folder},
                                     {package, row.package ? row.package : kSafePackage}}) {
      if (sddl) {
        ASSERT_EQ(setSecurity(path, sddl), DWORD{ERROR_SUCCESS}) << text::toUtf8(path);
      }
    }
    const std::u16string owner = row.trustedOwner == kMe ? testAccount() : row.trustedOwner;
    EXPECT_EQ(
        text::toUtf8(system.WhoElseCanChange(package, owner)),
        text::toUtf8(
            fill(row.said, {{u"{above}", above}, {u"{folder}", folder}, {u"{package}", package}})));
  }
}

// Under Wine every file belongs to the prefix's account, C:\ first of all: a
// run that does not trust that account trusts no folder.
TEST_F(PackageTrustTest, UnderWineEveryFileBelongsToThePrefixsAccount) {
  if (!underWine()) GTEST_SKIP() << "on Windows files belong to those who made them";
  TempFolder dir;
  writeFile(dir / u"sdat4500.exe", "MZ");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(dir / u"sdat4500.exe", u"")),
            text::toUtf8(systemDrive() + u"\\ belongs to " + testAccount()));
  EXPECT_EQ(system.WhoElseCanChange(dir / u"sdat4500.exe", testAccount()), u"");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(dir / u"missing.exe", testAccount())),
            text::toUtf8(dir / u"missing.exe") + " cannot be read: File not found");
  // What Wine keeps of an access list: SYSTEM, the account and the mode's Everyone.
  ASSERT_EQ(setSecurity(dir.path(), L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)"),
            DWORD{ERROR_SUCCESS});
  const std::string kept = securityOf(dir.path());
  EXPECT_EQ(kept.find("BU"), std::string::npos) << kept;
  EXPECT_NE(kept.find(";;;SY)"), std::string::npos) << kept;
}

// The host's links, which Wine shows as the folders they lead to, are judged
// where they lead. The build made them: links\to-safe leads to links\safe,
// links\to-inner to links\open\inner, and links\open is open to every user.
TEST_F(PackageTrustTest, UnderWineAHostLinkIsJudgedWhereItLeads) {
  if (!underWine()) GTEST_SKIP() << "links of the host are Wine's";
  const std::u16string links = builtProgram(SIGPATCH_HOST_LINKS), owner = testAccount();
  if (const auto above = system.WhoElseCanChange(links + u"\\safe\\sdat4500.exe", owner);
      !above.empty()) {
    GTEST_SKIP() << "the build tree lies where others may change it: " << text::toUtf8(above);
  }
  EXPECT_NE(attributes(links + u"\\to-inner") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(system.WhoElseCanChange(links + u"\\to-safe\\sdat4500.exe", owner), u"");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(links + u"\\to-inner\\sdat4500.exe", owner)),
            text::toUtf8(links + u"\\open is writable by Everyone"));
}

TEST(Win32PackageTrustTest, UnderWineTheProgramRunsAsAnAdministrator) {
  EXPECT_EQ(Win32System().RunsPrivileged(), underWine() || ::IsUserAnAdmin());
}

// The program's own folder for the copies it runs: made for SYSTEM and the
// Administrators alone, and refused when others could change it.
TEST_F(PackageTrustTest, TheProgramsFolderIsMadeForItAndRefusedWhenOthersCouldChangeIt) {
  const std::u16string ours = programFolder(), packages = programCopies();
  if (!underWine() && exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  TempFolder::remove(ours);
  ASSERT_EQ(text::toUtf8(system.PrivateFolder()), text::toUtf8(packages));
  EXPECT_EQ(securityOf(packages).find(";;;WD)"), std::string::npos) << securityOf(packages);
  writeFile(packages + u"\\sdat4500.exe", "MZ");
  EXPECT_EQ(readFile(packages + u"\\sdat4500.exe"), "MZ");
  EXPECT_EQ(system.PrivateFolder(), packages) << "there already, and still the program's own";
  // Everyone may change the folder, or the one it lies in.
  for (const auto& changed : {packages, ours}) {
    ASSERT_EQ(setSecurity(changed, kOpenFolder), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(system.PrivateFolder(), u"") << securityOf(changed);
    ASSERT_EQ(setSecurity(changed, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(system.PrivateFolder(), packages);
  }
  TempFolder::remove(ours);
  EXPECT_EQ(system.PrivateFolder(), packages) << "made anew";
}

}  // namespace
}  // namespace sigpatch::platform::win32
