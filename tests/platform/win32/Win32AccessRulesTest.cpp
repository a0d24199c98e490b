// The rules that judge one entry on a package's path from its owner and
// access list, given in the system's words (SDDL): the owners and entries
// Windows gives real folders, and those that open a folder to others.

#include <gtest/gtest.h>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32AccessRules.h"

namespace sigpatch::platform::win32 {
namespace {

// How an icacls line makes C:\Updates safe.
#define MAKE_SAFE                                                          \
  u" (icacls \"C:\\Updates\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F " \
  u"*S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX"
#define WRITABLE u"C:\\Updates is writable by "
// C:\ itself, owned by TrustedInstaller: any user may add a folder to it.
#define DRIVE                                                                            \
  L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"                    \
  L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGRGWGX;;;AU)" \
  L"(A;;LC;;;AU)"
#define NS_MAY_WRITE L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)"

TEST(AccessRulesTest, OnlyTheTrustedMayChangeWhatRuns) {
  constexpr PathPart kPackage = PathPart::Package, kFolder = PathPart::PackageFolder,
                     kAbove = PathPart::FolderAbove, kLink = PathPart::Link;
  const struct {
    PathPart part;
    const wchar_t* sddl;
    const char16_t* trustedOwner;
    const char16_t* said;  // for the entry C:\Updates; "" when nobody else could change it
  } rows[] = {
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", u"", u""},
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", u"",
       WRITABLE u"BUILTIN\\Users" MAKE_SAFE u")"},
      // As Windows makes C:\Updates at the top of C:\, which hands down
      // "Authenticated Users: Modify" to new folders.
      {kFolder,
       L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)"
       L"(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGRGWGX;;;AU)",
       u"", WRITABLE u"NT AUTHORITY\\Authenticated Users" MAKE_SAFE u")"},
      {kAbove, DRIVE, u"", u""},
      {kFolder, DRIVE, u"",
       WRITABLE u"NT AUTHORITY\\Authenticated Users" MAKE_SAFE u" /remove:g *S-1-5-11)"},
      // C:\ProgramData lets the Users add files and folders and write attributes.
      {kAbove,
       L"O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
       L"(A;CI;0x116;;;BU)",
       u"", u""},
      // An entry only handed down; a deny entry is not counted on.
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;WD)", u"", u""},
      {kFolder,
       L"O:BAD:P(D;OICI;0x1301bf;;;BU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", u"",
       WRITABLE u"BUILTIN\\Users" MAKE_SAFE u")"},
      {kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;GW;;;AU)", u"",
       WRITABLE u"NT AUTHORITY\\Authenticated Users"},
      {kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;GA;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      {kFolder, L"O:BAD:NO_ACCESS_CONTROL", u"",
       WRITABLE u"everyone, as it has no access list" MAKE_SAFE u")"},
      {kFolder, L"O:BUD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", u"",
       u"C:\\Updates belongs to BUILTIN\\Users (icacls \"C:\\Updates\" /setowner *S-1-5-32-544)"},
      {kPackage, L"O:NSD:P(A;;FA;;;SY)(A;;FA;;;NS)", u"NT AUTHORITY\\NETWORK SERVICE", u""},
      {kFolder, NS_MAY_WRITE, u"NETWORK SERVICE", u""},
      {kFolder, NS_MAY_WRITE, u"",
       WRITABLE u"NT AUTHORITY\\NETWORK SERVICE" MAKE_SAFE u" /remove:g *S-1-5-20)"},
      {kFolder, NS_MAY_WRITE, u"no-such-account",
       WRITABLE u"NT AUTHORITY\\NETWORK SERVICE" MAKE_SAFE u" /remove:g *S-1-5-20)"},
      // Above the package's folder: removing what is in it, removing it, its
      // access list count; adding to it does not.
      {kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;0x40;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      {kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;SD;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      {kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;WD;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      {kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;0x6;;;BU)", u"", u""},
      {kFolder, L"O:BAD:P(A;;FA;;;SY)(A;;0x2;;;BU)", u"",
       WRITABLE u"BUILTIN\\Users" MAKE_SAFE u")"},
      {kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;0x100;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      {kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;0x1200a9;;;BU)", u"", u""},
      {kLink, L"O:BAD:P(A;;FA;;;SY)(A;;0x100;;;BU)", u"", WRITABLE u"BUILTIN\\Users"},
      // CREATOR OWNER on the entry itself lets nobody in.
      {kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;;FA;;;CO)", u"", u""},
      {kFolder,
       L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;BU)(A;OICI;0x1301bf;;;AU)(A;;FA;;;WD)"
       L"(A;OICI;0x1301bf;;;WD)",
       u"",
       WRITABLE u"BUILTIN\\Users, NT AUTHORITY\\Authenticated Users and "
                u"Everyone" MAKE_SAFE u" /remove:g *S-1-5-11 *S-1-1-0)"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(text::toUtf8(fromWide(row.sddl)) + " " + text::toUtf8(row.trustedOwner));
    const sigpatch::testing::Descriptor descriptor(row.sddl);
    ASSERT_TRUE(descriptor.Valid());
    TrustedAccounts trusted;
    trusted.AddAccount(row.trustedOwner);
    EXPECT_EQ(text::toUtf8(OthersWhoCanChange(u"C:\\Updates", descriptor.Get(), row.part, trusted)),
              text::toUtf8(row.said));
  }
}

}  // namespace
}  // namespace sigpatch::platform::win32
