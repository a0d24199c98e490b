// The program's own facts on Windows: its folder from the module's path, its
// argument string from the system's command line, its drives and folders, its
// console, and the icon and version information of sigpatch.exe.

#include <gtest/gtest.h>

#include <cstdio>

#include "Win32TestSupport.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Program.h"
#include "toolkit/tty/TtyConsole.h"

namespace sigpatch::platform::win32 {
namespace {

using sigpatch::testing::builtProgram;
using sigpatch::testing::TempFolder;

TEST(ArgumentsOfTest, TheProgramsNameAndTheBlanksAfterItGo) {
  EXPECT_EQ(argumentsOf(u"sigpatch.exe /Silent"), u"/Silent");
  EXPECT_EQ(argumentsOf(u"\"C:\\Program Files\\Sigpatch\\sigpatch.exe\"  /Path:\"C:\\My x\" "),
            u"/Path:\"C:\\My x\" ");
  EXPECT_EQ(argumentsOf(u"C:\\Sig\\sigpatch.exe\t/?"), u"/?");
  EXPECT_EQ(argumentsOf(u"sigpatch"), u"");
  EXPECT_EQ(argumentsOf(u"\"sigpatch\""), u"");
  EXPECT_EQ(argumentsOf(u"\"C:\\a b\"c.exe x"), u"x") << "a quote only groups";
  EXPECT_EQ(argumentsOf(u"\"unclosed x"), u"");
  EXPECT_EQ(argumentsOf(u""), u"");
}

TEST(CurrentProgramTest, TheModuleGivesNameFolderAndVersion) {
  const ProgramInfo app = currentProgramInfo();
  EXPECT_EQ(app.EXEName, u"win32_tests");
  wchar_t module[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
  EXPECT_EQ(app.Path + u"\\win32_tests.exe", fromWide(module));
  EXPECT_EQ(app.Title, u"Sigpatch");
  EXPECT_EQ((std::vector<int>{app.Major, app.Minor, app.Revision}), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(currentArguments(), argumentsOf(fromWide(::GetCommandLineW())));
}

class Win32FoldersTest : public ::testing::Test {
 protected:
  Win32DrivesAndFolders folders;
  TempFolder dir;
};

TEST_F(Win32FoldersTest, TheDrivesAreTheLogicalDrivesInLowerCase) {
  const auto drives = folders.Drives();
  ASSERT_FALSE(drives.empty());
  EXPECT_NE(std::find(drives.begin(), drives.end(), u"c:"), drives.end());
  for (const auto& drive : drives) {
    EXPECT_EQ(drive.size(), 2u);
    EXPECT_EQ(drive, text::toLower(drive));
    EXPECT_TRUE(folders.IsDrive(drive));
    EXPECT_TRUE(folders.IsDrive(text::toUpper(drive) + u"\\"));
  }
  EXPECT_TRUE(folders.IsReady(u"c:"));
  EXPECT_TRUE(folders.IsReady(folders.DriveOf(dir.path())));
  EXPECT_TRUE(folders.IsReady(folders.DriveOf(builtProgram(SIGPATCH_EXE))))
      << "the drive that holds the build (under Wine: the POSIX root)";
  char16_t missing = u'z';
  while (missing > u'd' &&
         std::find(drives.begin(), drives.end(), std::u16string{missing, u':'}) != drives.end()) {
    --missing;
  }
  EXPECT_FALSE(folders.IsDrive(std::u16string{missing, u':'}));
  EXPECT_FALSE(folders.IsReady(std::u16string{missing, u':'}));
  EXPECT_FALSE(folders.IsDrive(dir.path()));
}

TEST_F(Win32FoldersTest, ThePathOfADriveIsItsLetter) {
  EXPECT_EQ(folders.DriveOf(u"C:\\Temp\\x"), u"c:");
  EXPECT_EQ(folders.DriveOf(u"d:"), u"d:");
  EXPECT_EQ(folders.DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
  EXPECT_EQ(folders.DriveOf(u"relative\\path"), folders.DriveOf(folders.CurrentFolder()));
}

TEST_F(Win32FoldersTest, FoldersAreFoundAbsoluteInTheirOwnSpelling) {
  ::CreateDirectoryW(wide(dir / u"Updates").c_str(), nullptr);
  EXPECT_EQ(folders.FindFolder(text::toUpper(dir / u"Updates\\")), dir / u"Updates");
  EXPECT_EQ(folders.FindFolder(dir / u"Updates\\..\\Updates"), dir / u"Updates");
  EXPECT_EQ(folders.FindFolder(dir / u"missing"), std::nullopt);
  EXPECT_EQ(folders.FindFolder(u"c:"), u"C:\\") << "a drive alone names its root";
  EXPECT_EQ(folders.FindFolder(u"C:\\"), u"C:\\");
}

TEST(Win32RootsTest, RootsOfDrivesAndShares) {
  EXPECT_EQ(rootOf(u"C:\\Temp"), u"C:\\");
  EXPECT_EQ(rootOf(u"C:\\"), u"C:\\");
  EXPECT_EQ(rootOf(u"\\\\server\\share\\a"), u"\\\\server\\share\\");
  EXPECT_EQ(rootOf(u"\\\\server\\share"), u"\\\\server\\share\\");
  EXPECT_EQ(rootOf(u"\\\\server"), u"");
  EXPECT_EQ(rootOf(u"relative"), u"");
}

// The console side of the terminal toolkit.
TEST(Win32ConsoleTest, FilesAreNoTerminalsAndGiveTheirLines) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(toolkit::tty::isTerminal(file));
  EXPECT_FALSE(toolkit::tty::prepareTerminal(file));
  std::fputs("C:\\Updates\r\n\xC3\xA9t\xC3\xA9\nlast", file);
  std::rewind(file);
  EXPECT_EQ(toolkit::tty::readLine(file), "C:\\Updates");
  EXPECT_EQ(toolkit::tty::readLine(file), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(toolkit::tty::readLine(file), "last");
  EXPECT_EQ(toolkit::tty::readLine(file), std::nullopt);
  std::fclose(file);
}

// The icon and the version information that the resource script gives sigpatch.exe.
class SigpatchResourcesTest : public ::testing::Test {
 protected:
  std::u16string exe = builtProgram(SIGPATCH_EXE);

  std::u16string versionText(const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(wide(exe).c_str(), &ignored);
    std::vector<unsigned char> data(size);
    if (size == 0 || ::GetFileVersionInfoW(wide(exe).c_str(), 0, size, data.data()) == 0) {
      return u"(no version information)";
    }
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (::VerQueryValueW(data.data(), query.c_str(), &value, &length) == 0) return u"(missing)";
    return fromWide(static_cast<const wchar_t*>(value));
  }
};

TEST_F(SigpatchResourcesTest, TheVersionInformationNamesMakerAndVersion) {
  EXPECT_EQ(versionText(L"CompanyName"), u"Ferrolite");
  EXPECT_EQ(versionText(L"Comments"),
            u"Checks for definition updates in a specified location and applies them.");
  EXPECT_EQ(versionText(L"LegalCopyright"), u"Ferrolite");
  EXPECT_EQ(versionText(L"ProductName"), u"Sigpatch");
  EXPECT_EQ(versionText(L"FileVersion"), u"1.1.2");
  EXPECT_EQ(versionText(L"OriginalFilename"), u"sigpatch.exe");

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(wide(exe).c_str(), &ignored);
  std::vector<unsigned char> data(size);
  ASSERT_NE(::GetFileVersionInfoW(wide(exe).c_str(), 0, size, data.data()), 0);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_NE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length), 0);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00020000u);
}

TEST_F(SigpatchResourcesTest, TheIconComesInThreeSizes) {
  const HMODULE module = ::LoadLibraryExW(
      wide(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  const HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr) << "RT_GROUP_ICON 1";
  // The group directory: reserved, type 1, count, then 14 bytes an icon.
  const auto* bytes =
      static_cast<const unsigned char*>(::LockResource(::LoadResource(module, group)));
  ASSERT_NE(bytes, nullptr);
  ASSERT_EQ(bytes[4], 3);
  std::vector<int> sizes;
  for (int i = 0; i < 3; ++i) sizes.push_back(bytes[6 + 14 * i]);
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
  const HICON icon = static_cast<HICON>(
      ::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) ::DestroyIcon(icon);
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sigpatch::platform::win32
