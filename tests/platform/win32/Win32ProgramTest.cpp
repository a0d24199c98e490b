// The program's own facts on Windows: its folder from the module's path, its argument string from
// the system's command line, its drives and folders, its console, and the icon and version
// information of sigpatch.exe.

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

TEST(Win32ProgramTest, TheArgumentsAreTheCommandLineLessTheProgramsName) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases{
      {u"sigpatch.exe /Silent", u"/Silent"},
      {u"\"C:\\Program Files\\Sigpatch\\sigpatch.exe\"  /Path:\"C:\\My x\" ",
       u"/Path:\"C:\\My x\" "},
      {u"C:\\Sig\\sigpatch.exe\t/?", u"/?"},
      {u"sigpatch", u""},
      {u"\"sigpatch\"", u""},
      {u"\"C:\\a b\"c.exe x", u"x"},  // a quote only groups
      {u"\"unclosed x", u""},
      {u"", u""}};
  for (const auto& [line, arguments] : cases)
    EXPECT_EQ(argumentsOf(line), arguments) << text::toUtf8(line);
  EXPECT_EQ(currentArguments(), argumentsOf(fromWide(::GetCommandLineW())));
  const ProgramInfo app = currentProgramInfo();
  wchar_t module[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
  EXPECT_EQ(app.Path + u"\\" + app.EXEName + u".exe", fromWide(module));
  EXPECT_EQ(app.EXEName, u"win32_tests");
  EXPECT_EQ(app.Title, u"Sigpatch");
  EXPECT_EQ((std::vector<int>{app.Major, app.Minor, app.Revision}), (std::vector<int>{1, 1, 2}));
}

TEST(Win32ProgramTest, DrivesAreTheLogicalDrivesInLowerCaseAndFoldersTheirOwnSpelling) {
  Win32DrivesAndFolders folders;
  TempFolder dir;
  const auto drives = folders.Drives();
  EXPECT_NE(std::find(drives.begin(), drives.end(), u"c:"), drives.end());
  for (const auto& drive : drives) {
    EXPECT_EQ(drive, text::toLower(drive.substr(0, 2)));
    EXPECT_TRUE(folders.IsDrive(text::toUpper(drive) + u"\\"));
  }
  EXPECT_TRUE(folders.IsReady(folders.DriveOf(dir.path())));
  EXPECT_TRUE(folders.IsReady(folders.DriveOf(builtProgram(SIGPATCH_EXE))))
      << "the drive that holds the build (under Wine: the POSIX root)";
  char16_t missing = u'z';
  while (std::find(drives.begin(), drives.end(), std::u16string{missing, u':'}) != drives.end()) {
    --missing;
  }
  EXPECT_FALSE(folders.IsDrive(std::u16string{missing, u':'}));
  EXPECT_FALSE(folders.IsReady(std::u16string{missing, u':'}));
  EXPECT_FALSE(folders.IsDrive(dir.path()));
  EXPECT_EQ(folders.DriveOf(u"C:\\Temp\\x"), u"c:");
  EXPECT_EQ(folders.DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
  EXPECT_EQ(folders.DriveOf(u"relative\\path"), folders.DriveOf(folders.CurrentFolder()));
  ::CreateDirectoryW(wide(dir / u"Updates").c_str(), nullptr);
  EXPECT_EQ(folders.FindFolder(text::toUpper(dir / u"Updates\\")), dir / u"Updates");
  EXPECT_EQ(folders.FindFolder(dir / u"Updates\\..\\Updates"), dir / u"Updates");
  EXPECT_EQ(folders.FindFolder(dir / u"missing"), std::nullopt);
  EXPECT_EQ(folders.FindFolder(u"c:"), u"C:\\") << "a drive alone names its root";
  for (const auto& [path, root] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"C:\\Temp", u"C:\\"},
           {u"C:\\", u"C:\\"},
           {u"\\\\server\\share\\a", u"\\\\server\\share\\"},
           {u"\\\\server\\share", u"\\\\server\\share\\"},
           {u"\\\\server", u""},
           {u"relative", u""}}) {
    EXPECT_EQ(rootOf(path), root) << text::toUtf8(path);
  }
}

// The console side of the terminal toolkit.
TEST(Win32ProgramTest, FilesAreNoTerminalsAndGiveTheirLines) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(toolkit::tty::isTerminal(file));
  EXPECT_FALSE(toolkit::tty::prepareTerminal(file));
  std::fputs("C:\\Updates\r\n\xC3\xA9t\xC3\xA9\nlast", file);
  std::rewind(file);
  for (const char* line : {"C:\\Updates", "\xC3\xA9t\xC3\xA9", "last"}) {
    EXPECT_EQ(toolkit::tty::readLine(file), line);
  }
  EXPECT_EQ(toolkit::tty::readLine(file), std::nullopt);
  std::fclose(file);
}

// The icon and the version information that the resource script gives sigpatch.exe.
TEST(Win32ProgramTest, SigpatchExeHasItsVersionInformationAndAnIconInThreeSizes) {
  const std::wstring exe = wide(builtProgram(SIGPATCH_EXE));
  DWORD ignored = 0;
  std::vector<unsigned char> data(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_NE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()), 0);
  void* value = nullptr;
  UINT length = 0;
  for (const auto& [name, expected] : std::vector<std::pair<std::wstring, std::u16string>>{
           {L"CompanyName", u"Ferrolite"},
           {L"Comments",
            u"Checks for definition updates in a specified location and applies them."},
           {L"LegalCopyright", u"Ferrolite"},
           {L"ProductName", u"Sigpatch"},
           {L"FileVersion", u"1.1.2"},
           {L"OriginalFilename", u"sigpatch.exe"}}) {
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
    ASSERT_NE(::VerQueryValueW(data.data(), query.c_str(), &value, &length), 0);
    EXPECT_EQ(fromWide(static_cast<const wchar_t*>(value)), expected);
  }
  ASSERT_NE(::VerQueryValueW(data.data(), L"\\", &value, &length), 0);
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionLS, 0x00020000u);

  const HMODULE module = ::LoadLibraryExW(
      exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  const HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr) << "RT_GROUP_ICON 1";
  // The group directory: reserved, type 1, count, then 14 bytes an icon.
  const auto* bytes =
      static_cast<const unsigned char*>(::LockResource(::LoadResource(module, group)));
  ASSERT_NE(bytes, nullptr);
  ASSERT_EQ(bytes[4], 3);
  EXPECT_EQ((std::vector<int>{bytes[6], bytes[20], bytes[34]}), (std::vector<int>{16, 32, 48}));
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sigpatch::platform::win32
