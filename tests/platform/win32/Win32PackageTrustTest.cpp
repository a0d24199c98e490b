// Who besides the trusted accounts could change what runs from a path, as the
// owners and access lists the system keeps tell it; whether the program runs
// with the system's rights; the program's own folder for the copies it runs.
//
// Wine keeps no access lists: a file's security is the host file's mode, shown
// as entries for SYSTEM, the prefix's one account (the owner of every file)
// and Everyone, and it makes no links. The layouts that need more skip there,
// saying what Wine kept. The rules themselves are judged on given access lists
// in Win32AccessRulesTest.cpp; here only what the system's own lists add: names
// of groups and accounts, and entries handed down.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32System.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace sigpatch::testing;

// How an icacls line makes a folder safe, after the folder's name.
#define SAFE_GRANTS                                                          \
  u"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F " \
  u"*S-1-5-32-545:(OI)(CI)RX"
#define REMOVE_EVERYONE SAFE_GRANTS u" /remove:g *S-1-1-0)"

// Only SYSTEM and the Administrators change, the Users read and run.
constexpr wchar_t kSafePackage[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
constexpr wchar_t kOpenFolder[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)";
constexpr char16_t kMe[] = u"(the test's account)";  // the account the tests run as

// A package in a folder in a folder above, each with an access list (nullptr:
// as handed down; the package's own default: kSafePackage), the folder reached
// through a link when one is given, and what the check says.
struct Layout {
  const char* name;
  const wchar_t* above;
  const wchar_t* folder;
  const wchar_t* package;
  const char16_t* trustedOwner;
  // "" when safe; "{above}", "{folder}", "{link}" and "{package}" stand for the paths.
  const char16_t* said;
  // Whether the layout needs access lists kept as given (Wine shows only what
  // the mode of a host file carries: Everyone's rights).
  bool needsAccessLists = false;
  // A junction in the folder above that leads to the folder, with its own access
  // list ("" as made); nullptr for none.
  const wchar_t* link = nullptr;
};
void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

class PackageTrustTest : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base.Made()) << text::toUtf8(base.path());
    // A test without the Administrators' rights makes folders of its own account.
    if (!system.RunsPrivileged()) GTEST_SKIP() << "the test makes folders as an administrator";
    ASSERT_NE(::CreateDirectoryW(wide(above).c_str(), nullptr), 0);
    ASSERT_NE(::CreateDirectoryW(wide(folder).c_str(), nullptr), 0);
    writeFile(folder + u"\\sdat4500.exe", "MZ");
  }

  // Gives the layout its access lists and link; the test is skipped when the
  // system keeps no access list it needs, or makes no link, saying why.
  void apply(const Layout& layout) {
    const std::pair<std::u16string, const wchar_t*> parts[] = {
        {above, layout.above},
        {folder, layout.folder},
        {folder + u"\\sdat4500.exe", layout.package ? layout.package : kSafePackage}};
    for (const auto& [path, sddl] : parts) {
      if (sddl) {
        ASSERT_EQ(setSecurity(path, sddl), DWORD{ERROR_SUCCESS}) << text::toUtf8(path);
      }
    }
    for (const auto& [path, sddl] : parts) {
      if (layout.needsAccessLists && sddl && !keeps(path, sddl)) {
        GTEST_SKIP() << (underWine() ? "Wine keeps only the host file's mode: " : "not kept: ")
                     << text::toUtf8(path) << " was given " << text::toUtf8(fromWide(sddl))
                     << " and keeps " << securityOf(path);
      }
    }
    if (layout.link == nullptr) return;
    if (const DWORD error = makeJunction(link, folder)) {
      GTEST_SKIP() << "no junction can be made here (error " << error << ")"
                   << (underWine() ? ": Wine makes none (UnderWineAHostLinkIsJudgedWhereItLeads)"
                                   : "");
    }
    if (!*layout.link) return;
    // Of the link itself, not of where it leads.
    const HANDLE entry =
        ::CreateFileW(wide(link).c_str(), READ_CONTROL | WRITE_DAC, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ASSERT_NE(entry, INVALID_HANDLE_VALUE);
    const Descriptor descriptor(layout.link);
    EXPECT_EQ(::SetSecurityInfo(entry, SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, descriptor.Dacl(), nullptr),
              DWORD{ERROR_SUCCESS});
    ::CloseHandle(entry);
  }

  std::u16string said(const Layout& layout) const {
    std::u16string text = layout.said;
    for (const auto& [mark, path] : {std::pair{u"{above}", above},
                                     {u"{folder}", folder},
                                     {u"{link}", link},
                                     {u"{package}", folder + u"\\sdat4500.exe"}}) {
      const std::u16string_view m = mark;
      for (auto at = text.find(m); at != std::u16string::npos; at = text.find(m, at + path.size()))
        text.replace(at, m.size(), path);
    }
    return text;
  }

  Win32System system;
  TrustFolder base;
  const std::u16string above = base.path() + u"\\" + text::fromUtf8(GetParam().name);
  const std::u16string folder = above + u"\\Updates";
  const std::u16string link = above + u"\\to-Updates";
};

TEST_P(PackageTrustTest, OnlyTheTrustedMayChangeThePackageOrAFolderOrLinkOnItsPath) {
  const Layout& layout = GetParam();
  apply(layout);
  if (IsSkipped() || HasFatalFailure()) return;
  const std::u16string owner =
      layout.trustedOwner == std::u16string_view(kMe) ? testAccount() : layout.trustedOwner;
  const std::u16string package = (layout.link ? link : folder) + u"\\sdat4500.exe";
  EXPECT_EQ(text::toUtf8(system.WhoElseCanChange(package, owner)), text::toUtf8(said(layout)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackageTrustTest,
    ::testing::Values(
        Layout{"FoldersAsMade", nullptr, nullptr, nullptr, kMe, u""},
        Layout{"EveryoneMayReadAndRun",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)",
               L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)", kMe, u""},
        Layout{"EveryoneMayChangeTheFolder", nullptr, kOpenFolder, nullptr, kMe,
               u"{folder} is writable by Everyone (icacls \"{folder}" REMOVE_EVERYONE},
        Layout{"EveryoneMayWriteThePackage", nullptr, nullptr,
               L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;WD)", kMe,
               u"{package} is writable by Everyone"},
        Layout{"EveryoneMayChangeAFolderAbove",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301ff;;;WD)", nullptr, nullptr, kMe,
               u"{above} is writable by Everyone"},
        Layout{"UsersMayWriteTheFolder", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", nullptr, u"",
               u"{folder} is writable by BUILTIN\\Users (icacls \"{folder}" SAFE_GRANTS u")", true},
        // As a folder made at the top of C:\ inherits "Authenticated Users: Modify".
        Layout{"AuthenticatedUsersInheritModify",
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;SDGRGWGX;;;AU)(A;;0x4;;;AU)", nullptr,
               nullptr, u"",
               u"{folder} is writable by NT AUTHORITY\\Authenticated Users (icacls "
               u"\"{folder}" SAFE_GRANTS u")",
               true},
        Layout{"TheTrustedOwnerMayWrite", nullptr,
               L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", nullptr,
               u"NT AUTHORITY\\NETWORK SERVICE", u"", true},
        // A link on the way is judged itself, and then where it leads.
        Layout{"ALinkToASafeFolder", nullptr, nullptr, nullptr, kMe, u"", false, L""},
        Layout{"ALinkToAnOpenFolder", nullptr, kOpenFolder, nullptr, kMe,
               u"{folder} is writable by Everyone (icacls \"{folder}" REMOVE_EVERYONE, false, L""},
        // A link that others may change could lead elsewhere tomorrow.
        Layout{"ALinkOthersMayChange", nullptr, nullptr, nullptr, kMe,
               u"{link} is writable by BUILTIN\\Users", false,
               L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)"}),
    [](const ::testing::TestParamInfo<Layout>& row) { return std::string(row.param.name); });

// Under Wine every file belongs to the prefix's account, C:\ first of all: a
// run that does not trust that account trusts no folder.
TEST(Win32PackageTrustTest, UnderWineEveryFileBelongsToThePrefixsAccount) {
  if (!underWine()) GTEST_SKIP() << "on Windows files belong to those who made them";
  TempFolder dir;
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

// The host's links, which Wine shows as the folders they lead to, are judged
// where they lead, by the path the system reaches in the end. The build made
// them: links\to-safe leads to links\safe, links\to-inner to
// links\open\inner, and links\open is open to every user of the host.
TEST(Win32PackageTrustTest, UnderWineAHostLinkIsJudgedWhereItLeads) {
  if (!underWine()) GTEST_SKIP() << "links of the host are Wine's";
  Win32System system;
  const std::u16string links = builtProgram(SIGPATCH_HOST_LINKS);
  const std::u16string owner = testAccount();
  if (const auto above = system.WhoElseCanChange(links + u"\\safe\\sdat4500.exe", owner);
      !above.empty()) {
    GTEST_SKIP() << "the build tree lies where others may change it: " << text::toUtf8(above);
  }
  // Wine's own view of the links: a reparse point by its attributes, which it
  // cannot open as one.
  EXPECT_NE(attributes(links + u"\\to-inner") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
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

// The program's own folder for the copies it runs: made for SYSTEM and the
// Administrators alone, and refused when others could change it.
TEST(Win32PackageTrustTest, TheProgramsFolderIsMadeForItAndRefusedWhenOthersCouldChangeIt) {
  Win32System system;
  if (!system.RunsPrivileged()) GTEST_SKIP() << "only a run as an administrator has that folder";
  const std::u16string ours = programData() + u"\\Sigpatch";
  const std::u16string packages = ours + u"\\packages";
  if (!underWine() && exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  TempFolder::remove(ours);
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
  EXPECT_EQ(readFile(packages + u"\\sdat4500.exe"), "MZ");
  EXPECT_EQ(system.PrivateFolder(), packages) << "there already, and still the program's own";

  // Everyone may change the folder, or the one it lies in.
  for (const auto& changed : {packages, ours}) {
    ASSERT_EQ(setSecurity(changed, kOpenFolder), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(system.PrivateFolder(), u"") << securityOf(changed);
    ASSERT_EQ(setSecurity(changed, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(system.PrivateFolder(), packages);
  }

  TempFolder::remove(ours);
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
  if (exists(ours)) {
    GTEST_SKIP() << "this machine has a folder of the program's own, which the test leaves alone";
  }
  ASSERT_EQ(system.PrivateFolder(), packages);
  TrustFolder elsewhere;
  ASSERT_TRUE(elsewhere.Made());
  TempFolder::remove(packages);
  ASSERT_EQ(makeJunction(packages, elsewhere.path()), 0u);
  EXPECT_EQ(system.PrivateFolder(), u"");
  TempFolder::remove(ours);
}

}  // namespace
}  // namespace sigpatch::platform::win32
