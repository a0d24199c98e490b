// The program's own facts on Windows: its argument string and folder, its drives and folders, and
// the version information and icon of sigpatch.exe.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Program.h"

namespace sigpatch::platform::win32 {
namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

TEST(Win32ProgramTest, TheArgumentsFollowTheProgramsNameAndItsFolderIsTheModules) {
  // clang-format off
  for (const auto& [line, arguments] : Pairs{
           {u"sigpatch.exe /Silent", u"/Silent"}, {u"C:\\Sig\\sigpatch.exe\t/?", u"/?"},
           {u"\"C:\\Program Files\\sigpatch.exe\"  /Path:\"C:\\My x\" ", u"/Path:\"C:\\My x\" "},
           {u"\"C:\\a b\"c.exe x", u"x"}, {u"\"unclosed x", u""}, {u"\"sigpatch\"", u""}}) {
    EXPECT_EQ(argumentsOf(line), arguments) << text::toUtf8(line);
  }
  // clang-format on
  const ProgramInfo app = currentProgramInfo();
  wchar_t module[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
  EXPECT_EQ(app.Path + u"\\" + app.EXEName + u".exe", fromWide(module));
  EXPECT_EQ(
      app.Title + u" " + text::dec(app.Major) + text::dec(app.Minor) + text::dec(app.Revision),
      u"Sigpatch 112");
}

TEST(Win32ProgramTest, DrivesAreLowerCaseLettersAndFoldersAreFoundInTheirOwnSpelling) {
  Win32DrivesAndFolders folders;
  sigpatch::testing::TempFolder dir;
  const auto drives = folders.Drives();
  EXPECT_NE(std::find(drives.begin(), drives.end(), u"c:"), drives.end());
  EXPECT_TRUE(folders.IsReady(folders.DriveOf(sigpatch::testing::builtProgram(SIGPATCH_EXE))));
  EXPECT_EQ(folders.DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
  ::CreateDirectoryW(wide(dir / u"Updates").c_str(), nullptr);
  EXPECT_EQ(folders.FindFolder(text::toUpper(dir / u"Updates\\..\\Updates\\")), dir / u"Updates");
  EXPECT_EQ(folders.FindFolder(u"c:"), u"C:\\") << "a drive alone names its root";
  // clang-format off
  for (const auto& [path, root] : Pairs{{u"C:\\Temp", u"C:\\"}, {u"\\\\server\\share", u"\\\\server\\share\\"},
                                        {u"\\\\server", u""}, {u"relative", u""}}) {
    EXPECT_EQ(rootOf(path), root) << text::toUtf8(path);
  }
  // clang-format on
}

TEST(Win32ProgramTest, SigpatchExeNamesItsMakerAndVersionAndHasAnIconInThreeSizes) {
  const std::wstring exe = wide(sigpatch::testing::builtProgram(SIGPATCH_EXE));
  DWORD ignored = 0;
  std::vector<unsigned char> data(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_NE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()), 0);
  void* value = nullptr;
  UINT length = 0;
  // clang-format off
  for (const auto& [name, expected] : Pairs{
           {u"CompanyName", u"Ferrolite"}, {u"ProductName", u"Sigpatch"}, {u"FileVersion", u"1.1.2"},
           {u"Comments", u"Checks for definition updates in a specified location and applies them."},
           {u"LegalCopyright", u"Ferrolite"}, {u"OriginalFilename", u"sigpatch.exe"}}) {
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + wide(name);
    ASSERT_NE(::VerQueryValueW(data.data(), query.c_str(), &value, &length), 0);
    EXPECT_EQ(fromWide(static_cast<const wchar_t*>(value)), expected);
  }
  // clang-format on
  ASSERT_NE(::VerQueryValueW(data.data(), L"\\", &value, &length), 0);
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionLS, 0x00020000u);
  // The icon group's directory: reserved, type, count, then 14 bytes an icon, the first its width.
  const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr);
  const auto* bytes =
      static_cast<const unsigned char*>(::LockResource(::LoadResource(module, group)));
  EXPECT_EQ((std::vector<int>{bytes[4], bytes[6], bytes[20], bytes[34]}),
            (std::vector<int>{3, 16, 32, 48}));
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sigpatch::platform::win32
