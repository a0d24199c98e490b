// Who besides the trusted accounts could change what runs from a path, as the
// owners and access lists the system keeps tell it; whether the program runs
// with the system's rights; the program's own folder for the copies it runs.
//
// Wine keeps no access lists: a file's security is the host file's mode, shown
// as entries for SYSTEM, the prefix's one account (the owner of every file)
// and Everyone. The layouts that need more skip there, saying what Wine kept
// (the rules themselves are judged on given access lists in
// Win32AccessRulesTest.cpp); those of the second table are what Wine can show.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32System.h"
// After <windows.h>:
#include <shlobj.h>

namespace sigpatch::platform::win32 {
namespace {

using sigpatch::testing::keeps;
using sigpatch::testing::makeFolder;
using sigpatch::testing::securityOf;
using sigpatch::testing::setSecurity;
using sigpatch::testing::testAccount;
using sigpatch::testing::underWine;
using sigpatch::testing::writeFile;

// How an icacls line makes a folder safe, after the folder's name.
#define SAFE_GRANTS                                                          \
  u"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F " \
  u"*S-1-5-32-545:(OI)(CI)RX"

// Only SYSTEM and the Administrators change, the Users read and run.
constexpr wchar_t kSafeFolder[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr wchar_t kSafePackage[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

// Stands for the account the tests run as, where a layout names a trusted owner.
constexpr char16_t kTheTestsAccount[] = u"(the test's account)";

// A package in a folder in a folder above, each with an access list (nullptr:
// as handed down; the package's own default: kSafePackage), and what the check says.
struct Layout {
  const char* name;
  const wchar_t* above;
  const wchar_t* folder;
  const wchar_t* package;
  const char16_t* trustedOwner;
  // "" when safe; "{above}", "{folder}" and "{package}" stand for the paths.
  const char16_t* said;
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

std::u16string replaced(std::u16string text, std::u16string_view mark, const std::u16string& by) {
  for (auto at = text.find(mark); at != std::u16string::npos;
       at = text.find(mark, at + by.size())) {
    text.replace(at, mark.size(), by);
  }
  return text;
}

// A folder of the test's own at the top of the system's drive, so that the
// folders above the layouts are the system's (a temporary folder lies in the
// account's profile, which the account owns); only SYSTEM and the
// Administrators may change it.
class TrustFolder {
 public:
  TrustFolder() {
    wchar_t drive[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
    path_ = fromWide(drive) + u"\\sigpatch-trust-" + text::dec(::GetCurrentProcessId()) + u"-" +
            text::dec(::GetTickCount());
    made_ = makeFolder(path_, kSafeFolder);
  }
  ~TrustFolder() { sigpatch::testing::TempFolder::remove(path_); }
  TrustFolder(const TrustFolder&) = delete;
  TrustFolder& operator=(const TrustFolder&) = delete;

  bool Made() const { return made_; }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
  bool made_ = false;
};

class PackageTrustTest : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base.Made()) << text::toUtf8(base.path());
    // A test without the Administrators' rights makes folders of its own account.
    if (!system.RunsPrivileged()) GTEST_SKIP() << "the test makes folders as an administrator";
    above = base.path() + u"\\" + text::fromUtf8(GetParam().name);
    folder = above + u"\\Updates";
    package = folder + u"\\sdat4500.exe";
    ASSERT_NE(::CreateDirectoryW(wide(above).c_str(), nullptr), 0);
    ASSERT_NE(::CreateDirectoryW(wide(folder).c_str(), nullptr), 0);
    writeFile(package, "MZ");
  }

  // Gives the layout its access lists; with `verify`, the test is skipped
  // when the system did not keep one, saying what it kept.
  void apply(const Layout& layout, bool verify) {
    const struct {
      const std::u16string& path;
      const wchar_t* sddl;
    } parts[] = {{above, layout.above},
                 {folder, layout.folder},
                 {package, layout.package == nullptr ? kSafePackage : layout.package}};
    for (const auto& part : parts) {
      if (part.sddl == nullptr) continue;
      ASSERT_EQ(setSecurity(part.path, part.sddl), static_cast<DWORD>(ERROR_SUCCESS))
          << text::toUtf8(part.path);
    }
    for (const auto& part : parts) {
      if (verify && part.sddl != nullptr && !keeps(part.path, part.sddl)) {
        GTEST_SKIP() << (underWine() ? "Wine keeps only the host file's mode: " : "not kept: ")
                     << text::toUtf8(part.path) << " was given "
                     << text::toUtf8(fromWide(part.sddl)) << " and keeps " << securityOf(part.path);
      }
    }
  }

  std::u16string said(const Layout& layout) const {
    std::u16string text = replaced(layout.said, u"{above}", above);
    text = replaced(text, u"{package}", package);
    return replaced(text, u"{folder}", folder);
  }

  std::u16string trustedOwner(const Layout& layout) const {
    return layout.trustedOwner == std::u16string_view(kTheTestsAccount) ? testAccount()
                                                                        : layout.trustedOwner;
  }

  Win32System system;
  TrustFolder base;
  std::u16string above;
  std::u16string folder;
  std::u16string package;
};

// Layouts whose access lists Windows keeps as they are given.
class AccessListTest : public PackageTrustTest {};

TEST_P(AccessListTest, OnlyTheTrustedMayChangeThePackageOrAFolderOnItsPath) {
  const Layout& layout = GetParam();
  apply(layout, true);
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(package, trustedOwner(layout))),
            text::toUtf8(said(layout)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AccessListTest,
    ::testing::Values(
        Layout{"OnlySystemAndAdministrators", nullptr, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
               nullptr, u"", u""},
        Layout{"UsersMayWriteTheFolder", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", nullptr, u"",
               u"{folder} is writable by BUILTIN\\Users (icacls \"{folder}" SAFE_GRANTS u")"},
        // As a folder made at the top of C:\ inherits "Authenticated Users: Modify".
        Layout{"AuthenticatedUsersInheritModify",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
               L"(A;OICIIO;SDGRGWGX;;;AU)(A;;0x4;;;AU)",
               nullptr, nullptr, u"",
               u"{folder} is writable by NT AUTHORITY\\Authenticated Users (icacls "
               u"\"{folder}" SAFE_GRANTS u")"},
        Layout{"AnEntryOnlyHandedDownIsIgnored", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;WD)", nullptr, u"", u""},
        Layout{"TheTrustedOwnerMayWrite", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", nullptr,
               u"NT AUTHORITY\\NETWORK SERVICE", u""},
        Layout{"AnOwnerNotNamedIsNotTrusted", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", nullptr, u"",
               u"{folder} is writable by NT AUTHORITY\\NETWORK SERVICE (icacls "
               u"\"{folder}" SAFE_GRANTS u" /remove:g *S-1-5-20)"},
        Layout{"UsersMayWriteThePackage", nullptr, nullptr,
               L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)", u"",
               u"{package} is writable by BUILTIN\\Users"},
        Layout{"UsersMayRemoveWhatIsInAFolderAbove",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;;0x40;;;BU)", nullptr,
               nullptr, u"", u"{above} is writable by BUILTIN\\Users"}),
    [](const ::testing::TestParamInfo<Layout>& row) { return std::string(row.param.name); });

// Layouts that Wine shows as well: what the mode of a host file carries (the
// rights of Everyone), with the account the tests run as trusted, as Wine
// gives every file to it.
class ModeTest : public PackageTrustTest {};

TEST_P(ModeTest, WhatEveryoneMayDoCounts) {
  const Layout& layout = GetParam();
  apply(layout, false);
  if (HasFatalFailure()) return;
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(package, trustedOwner(layout))),
            text::toUtf8(said(layout)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ModeTest,
    ::testing::Values(Layout{"FoldersAsMade", nullptr, nullptr, nullptr, kTheTestsAccount, u""},
                      Layout{"EveryoneMayReadAndRun",
                             L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
                             L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
                             L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)", kTheTestsAccount,
                             u""},
                      Layout{"EveryoneMayChangeTheFolder", nullptr,
                             L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)", nullptr,
                             kTheTestsAccount,
                             u"{folder} is writable by Everyone (icacls "
                             u"\"{folder}" SAFE_GRANTS u" /remove:g *S-1-1-0)"},
                      Layout{"EveryoneMayWriteThePackage", nullptr, nullptr,
                             L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)", kTheTestsAccount,
                             u"{package} is writable by Everyone"},
                      Layout{"EveryoneMayChangeAFolderAbove",
                             L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301ff;;;WD)", nullptr,
                             nullptr, kTheTestsAccount, u"{above} is writable by Everyone"}),
    [](const ::testing::TestParamInfo<Layout>& row) { return std::string(row.param.name); });

// Under Wine every file belongs to the prefix's account, C:\ first of all: a
// run that does not trust that account trusts no folder.
TEST(Win32PackageTrustTest, UnderWineEveryFileBelongsToThePrefixsAccount) {
  if (!underWine()) GTEST_SKIP() << "on Windows files belong to those who made them";
  sigpatch::testing::TempFolder dir;
  writeFile(dir / u"sdat4500.exe", "MZ");
  Win32System system;
  wchar_t drive[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(dir / u"sdat4500.exe", u"")),
            text::toUtf8(fromWide(drive) + u"\\ belongs to " + testAccount()));
  EXPECT_EQ(system.WhoElseCanChange(dir / u"sdat4500.exe", testAccount()), u"");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(dir / u"missing.exe", testAccount())),
            text::toUtf8(dir / u"missing.exe") + " cannot be read: File not found");
  // What Wine keeps of an access list: SYSTEM, the account and the mode's Everyone.
  ASSERT_EQ(setSecurity(dir.path(), L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)"),
            static_cast<DWORD>(ERROR_SUCCESS));
  const std::string kept = securityOf(dir.path());
  EXPECT_EQ(kept.find("BU"), std::string::npos) << kept;
  EXPECT_NE(kept.find(";;;SY)"), std::string::npos) << kept;
}

// A link on the way is judged itself, and then where it leads.
TEST(Win32PackageTrustTest, ALinkIsFollowedOnlyWhenItAndWhereItLeadsAreSafe) {
  Win32System system;
  if (!system.RunsPrivileged()) GTEST_SKIP() << "the test makes folders as an administrator";
  TrustFolder base;
  ASSERT_TRUE(base.Made());
  const std::u16string safe = base.path() + u"\\safe";
  const std::u16string open = base.path() + u"\\open";
  for (const auto& target : {safe, open}) {
    ASSERT_NE(::CreateDirectoryW(wide(target).c_str(), nullptr), 0);
    writeFile(target + u"\\sdat4500.exe", "MZ");
    ASSERT_EQ(setSecurity(target + u"\\sdat4500.exe", kSafePackage),
              static_cast<DWORD>(ERROR_SUCCESS));
  }
  ASSERT_EQ(setSecurity(open, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)"),
            static_cast<DWORD>(ERROR_SUCCESS));
  const std::u16string toSafe = base.path() + u"\\to-safe";
  const std::u16string toOpen = base.path() + u"\\to-open";
  if (const DWORD error = sigpatch::testing::makeJunction(toSafe, safe); error != 0) {
    GTEST_SKIP()
        << "no junction can be made here (error " << error << ")"
        << (underWine()
                ? ": Wine makes none (UnderWineAHostLinkIsJudgedWhereItLeads judges the host's)"
                : "");
  }
  ASSERT_EQ(sigpatch::testing::makeJunction(toOpen, open), 0u);
  const std::u16string owner = testAccount();
  EXPECT_EQ(system.WhoElseCanChange(toSafe + u"\\sdat4500.exe", owner), u"");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(toOpen + u"\\sdat4500.exe", owner)),
            text::toUtf8(open + u" is writable by Everyone (icacls \"" + open + SAFE_GRANTS +
                         u" /remove:g *S-1-1-0)"));
  // A link that others may change could lead elsewhere tomorrow.
  const HANDLE link =
      ::CreateFileW(wide(toSafe).c_str(), READ_CONTROL | WRITE_DAC, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(link, INVALID_HANDLE_VALUE);
  const sigpatch::testing::Descriptor open2(L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)");
  EXPECT_EQ(::SetSecurityInfo(link, SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, open2.Dacl(), nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  ::CloseHandle(link);
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(toSafe + u"\\sdat4500.exe", owner)),
            text::toUtf8(toSafe + u" is writable by BUILTIN\\Users"));
}

// The host's links, which Wine shows as the folders they lead to, are judged
// where they lead, by the path the system reaches in the end. The build made
// them: links\to-safe leads to links\safe, links\to-inner to
// links\open\inner, and links\open is open to every user of the host.
TEST(Win32PackageTrustTest, UnderWineAHostLinkIsJudgedWhereItLeads) {
  if (!underWine()) GTEST_SKIP() << "links of the host are Wine's";
  Win32System system;
  const std::u16string links = sigpatch::testing::builtProgram(SIGPATCH_HOST_LINKS);
  const std::u16string owner = testAccount();
  if (const auto above = system.WhoElseCanChange(links + u"\\safe\\sdat4500.exe", owner);
      !above.empty()) {
    GTEST_SKIP() << "the build tree lies where others may change it: " << text::toUtf8(above);
  }
  // Wine's own view of the links: a reparse point by its attributes, which it
  // cannot open as one.
  EXPECT_NE(sigpatch::testing::attributes(links + u"\\to-inner") & FILE_ATTRIBUTE_REPARSE_POINT,
            0u);
  EXPECT_EQ(system.WhoElseCanChange(links + u"\\to-safe\\sdat4500.exe", owner), u"");
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(links + u"\\to-inner\\sdat4500.exe", owner)),
            text::toUtf8(links + u"\\open is writable by Everyone"));
}

TEST(Win32PackageTrustTest, UnderWineTheProgramRunsAsAnAdministrator) {
  Win32System system;
  if (underWine()) {
    EXPECT_TRUE(system.RunsPrivileged());
  } else {
    EXPECT_EQ(system.RunsPrivileged(), ::IsUserAnAdmin() != FALSE);
  }
}

std::u16string programData() {
  PWSTR path = nullptr;
  ::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
  std::u16string result = fromWide(path);
  ::CoTaskMemFree(path);
  return result;
}

// The program's own folder for the copies it runs: made for SYSTEM and the
// Administrators alone, and refused when others could change it.
TEST(Win32PackageTrustTest, TheProgramsFolderIsMadeForItAndRefusedWhenOthersCouldChangeIt) {
  Win32System system;
  if (!system.RunsPrivileged()) GTEST_SKIP() << "only a run as an administrator has that folder";
  const std::u16string ours = programData() + u"\\Sigpatch";
  const std::u16string packages = ours + u"\\packages";
  if (!underWine() && sigpatch::testing::exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  sigpatch::testing::TempFolder::remove(ours);
  ASSERT_EQ(text::toUtf8(system.PrivateFolder()), text::toUtf8(packages));
  const std::string made = securityOf(packages);
  if (underWine()) {
    // The mode of a folder for its owner alone.
    EXPECT_EQ(made.find(";;;WD)"), std::string::npos) << made;
  } else {
    EXPECT_TRUE(keeps(packages, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)")) << made;
    EXPECT_EQ(std::count(made.begin(), made.end(), '('), 2) << made;
  }
  writeFile(packages + u"\\sdat4500.exe", "MZ");
  EXPECT_EQ(sigpatch::testing::readFile(packages + u"\\sdat4500.exe"), "MZ");
  EXPECT_EQ(system.PrivateFolder(), packages) << "there already, and still the program's own";

  // Everyone may change the folder, or the one it lies in.
  for (const auto& changed : {packages, ours}) {
    ASSERT_EQ(setSecurity(changed, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)"),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(system.PrivateFolder(), u"") << securityOf(changed);
    ASSERT_EQ(setSecurity(changed, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(system.PrivateFolder(), packages);
  }

  sigpatch::testing::TempFolder::remove(ours);
  EXPECT_EQ(system.PrivateFolder(), packages) << "made anew";
}

TEST(Win32PackageTrustTest, TheProgramsFolderIsNoLink) {
  Win32System system;
  if (!system.RunsPrivileged()) GTEST_SKIP() << "only a run as an administrator has that folder";
  if (underWine())
    GTEST_SKIP()
        << "Wine makes no links (the host's are judged in UnderWineAHostLinkIsJudgedWhereItLeads)";
  const std::u16string ours = programData() + u"\\Sigpatch";
  const std::u16string packages = ours + u"\\packages";
  if (sigpatch::testing::exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  ASSERT_EQ(system.PrivateFolder(), packages);
  TrustFolder elsewhere;
  ASSERT_TRUE(elsewhere.Made());
  sigpatch::testing::TempFolder::remove(packages);
  ASSERT_EQ(sigpatch::testing::makeJunction(packages, elsewhere.path()), 0u);
  EXPECT_EQ(system.PrivateFolder(), u"");
  sigpatch::testing::TempFolder::remove(ours);
}

}  // namespace
}  // namespace sigpatch::platform::win32
