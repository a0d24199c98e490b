// The rules that judge one entry on a package's path from its owner and
// access list, given in the system's words (SDDL): the owners and entries
// Windows gives real folders, and those that open a folder to others.

#include <gtest/gtest.h>

#include <string>

#include "Win32TrustSupport.h"
#include "platform/win32/Win32AccessRules.h"

namespace sigpatch::platform::win32 {
namespace {

// How an icacls line makes C:\Updates safe.
#define MAKE_SAFE                                                          \
  u" (icacls \"C:\\Updates\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F " \
  u"*S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX"

struct Rule {
  const char* name;
  PathPart part;
  const wchar_t* sddl;
  const char16_t* trustedOwner;
  const char16_t* said;  // for the entry C:\Updates; "" when nobody else could change it
};

void PrintTo(const Rule& rule, std::ostream* out) { *out << rule.name; }

class AccessRulesTest : public ::testing::TestWithParam<Rule> {};

TEST_P(AccessRulesTest, OnlyTheTrustedMayChangeWhatRuns) {
  const Rule& rule = GetParam();
  const sigpatch::testing::Descriptor descriptor(rule.sddl);
  ASSERT_TRUE(descriptor.Valid()) << text::toUtf8(fromWide(rule.sddl));
  TrustedAccounts trusted;
  trusted.AddAccount(rule.trustedOwner);
  EXPECT_EQ(text::toUtf8(OthersWhoCanChange(u"C:\\Updates", descriptor.Get(), rule.part, trusted)),
            text::toUtf8(rule.said));
}

constexpr PathPart kPackage = PathPart::Package;
constexpr PathPart kFolder = PathPart::PackageFolder;
constexpr PathPart kAbove = PathPart::FolderAbove;
constexpr PathPart kLink = PathPart::Link;

INSTANTIATE_TEST_SUITE_P(
    Entries, AccessRulesTest,
    ::testing::Values(
        Rule{"OnlySystemAndAdministrators", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", u"", u""},
        Rule{"UsersMayWrite", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)", u"",
             u"C:\\Updates is writable by BUILTIN\\Users" MAKE_SAFE u")"},
        // C:\Updates as Windows makes it at the top of C:\, which hands down
        // "Authenticated Users: Modify" to new folders.
        Rule{"MadeAtTheTopOfTheDrive", kFolder,
             L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)"
             L"(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGRGWGX;;;AU)",
             u"", u"C:\\Updates is writable by NT AUTHORITY\\Authenticated Users" MAKE_SAFE u")"},
        // C:\ itself, owned by TrustedInstaller: any user may add a folder to
        // it, which changes nothing below it.
        Rule{"TheDriveAbove", kAbove,
             L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
             L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
             L"(A;OICIIO;SDGRGWGX;;;AU)(A;;LC;;;AU)",
             u"", u""},
        Rule{"TheDriveAsThePackagesFolder", kFolder,
             L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
             L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
             L"(A;OICIIO;SDGRGWGX;;;AU)(A;;LC;;;AU)",
             u"",
             u"C:\\Updates is writable by NT AUTHORITY\\Authenticated "
             u"Users" MAKE_SAFE u" /remove:g *S-1-5-11)"},
        // C:\ProgramData lets the Users add files and folders and write
        // attributes; above a downloader's folder that changes nothing.
        Rule{"ProgramDataAbove", kAbove,
             L"O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
             L"(A;CI;0x116;;;BU)",
             u"", u""},
        Rule{"AnEntryOnlyHandedDownIsIgnored", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;WD)", u"", u""},
        Rule{"ADenyEntryIsNotCountedOn", kFolder,
             L"O:BAD:P(D;OICI;0x1301bf;;;BU)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)",
             u"", u"C:\\Updates is writable by BUILTIN\\Users" MAKE_SAFE u")"},
        Rule{"GenericWriteIsWriting", kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;GW;;;AU)", u"",
             u"C:\\Updates is writable by NT AUTHORITY\\Authenticated Users"},
        Rule{"GenericAllIsWriting", kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;GA;;;BU)", u"",
             u"C:\\Updates is writable by BUILTIN\\Users"},
        Rule{"NoAccessListIsOpenToEveryone", kFolder, L"O:BAD:NO_ACCESS_CONTROL", u"",
             u"C:\\Updates is writable by everyone, as it has no access list" MAKE_SAFE u")"},
        Rule{"AnOwnerNotTrusted", kFolder, L"O:BUD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", u"",
             u"C:\\Updates belongs to BUILTIN\\Users (icacls \"C:\\Updates\" /setowner "
             u"*S-1-5-32-544)"},
        Rule{"TheTrustedOwnerOwns", kPackage, L"O:NSD:P(A;;FA;;;SY)(A;;FA;;;NS)",
             u"NT AUTHORITY\\NETWORK SERVICE", u""},
        Rule{"TheTrustedOwnerMayWrite", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", u"NETWORK SERVICE",
             u""},
        Rule{"AnOwnerNotNamedIsNotTrusted", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", u"",
             u"C:\\Updates is writable by NT AUTHORITY\\NETWORK "
             u"SERVICE" MAKE_SAFE u" /remove:g *S-1-5-20)"},
        Rule{"AnUnknownOwnerNameTrustsNobody", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;NS)", u"no-such-account",
             u"C:\\Updates is writable by NT AUTHORITY\\NETWORK "
             u"SERVICE" MAKE_SAFE u" /remove:g *S-1-5-20)"},
        Rule{"UsersMayRemoveWhatIsInAFolderAbove", kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;0x40;;;BU)",
             u"", u"C:\\Updates is writable by BUILTIN\\Users"},
        Rule{"UsersMayRemoveAFolderAbove", kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;SD;;;BU)", u"",
             u"C:\\Updates is writable by BUILTIN\\Users"},
        Rule{"UsersMayChangeTheAccessListOfAFolderAbove", kAbove,
             L"O:BAD:P(A;;FA;;;SY)(A;;WD;;;BU)", u"", u"C:\\Updates is writable by BUILTIN\\Users"},
        Rule{"UsersMayAddToAFolderAbove", kAbove, L"O:BAD:P(A;;FA;;;SY)(A;;0x6;;;BU)", u"", u""},
        Rule{"UsersMayAddToThePackagesFolder", kFolder, L"O:BAD:P(A;;FA;;;SY)(A;;0x2;;;BU)", u"",
             u"C:\\Updates is writable by BUILTIN\\Users" MAKE_SAFE u")"},
        Rule{"UsersMayWriteAttributesOfThePackage", kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;0x100;;;BU)",
             u"", u"C:\\Updates is writable by BUILTIN\\Users"},
        Rule{"UsersMayReadAndRunThePackage", kPackage, L"O:BAD:P(A;;FA;;;SY)(A;;0x1200a9;;;BU)",
             u"", u""},
        Rule{"UsersMayRewriteALink", kLink, L"O:BAD:P(A;;FA;;;SY)(A;;0x100;;;BU)", u"",
             u"C:\\Updates is writable by BUILTIN\\Users"},
        // CREATOR OWNER on the entry itself lets nobody in.
        Rule{"TheCreatorOwnerEntry", kFolder, L"O:BAD:P(A;OICI;FA;;;SY)(A;;FA;;;CO)", u"", u""},
        Rule{"EveryoneNamedOnceAmongOthers", kFolder,
             L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;BU)(A;OICI;0x1301bf;;;AU)"
             L"(A;;FA;;;WD)(A;OICI;0x1301bf;;;WD)",
             u"",
             u"C:\\Updates is writable by BUILTIN\\Users, NT AUTHORITY\\Authenticated Users and "
             u"Everyone" MAKE_SAFE u" /remove:g *S-1-5-11 *S-1-1-0)"}),
    [](const ::testing::TestParamInfo<Rule>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sigpatch::platform::win32
