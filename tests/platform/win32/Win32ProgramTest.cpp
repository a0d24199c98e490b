// The program's own facts on Windows: its argument string and folder, and the roots of paths. Its
// drives and folders are the folder chooser's (the desktop suite); its version information shows
// in the title line of the windowed run.

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

TEST(Win32ProgramTest, TheRootOfAPathIsItsDriveOrShare) {
  // clang-format off
  for (const auto& [path, root] : Pairs{{u"C:\\Temp", u"C:\\"}, {u"\\\\server\\share", u"\\\\server\\share\\"},
                                        {u"\\\\server", u""}, {u"relative", u""}}) {
    EXPECT_EQ(rootOf(path), root) << text::toUtf8(path);
  }
  // clang-format on
  EXPECT_EQ(Win32DrivesAndFolders().DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
}

// The resource script's version information and icon, in sigpatch.exe.
TEST(Win32ProgramTest, SigpatchExeNamesItsMakerAndVersionAndHasItsIcon) {
  const std::wstring exe = wide(sigpatch::testing::builtProgram(SIGPATCH_EXE));
  DWORD ignored = 0;
  std::vector<unsigned char> data(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_NE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()), 0);
  for (const auto& [name, expected] : Pairs{{u"CompanyName", u"Ferrolite"},
                                            {u"FileVersion", u"1.1.2"},
                                            {u"OriginalFilename", u"sigpatch.exe"}}) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + wide(name);
    ASSERT_NE(::VerQueryValueW(data.data(), query.c_str(), &value, &length), 0);
    EXPECT_EQ(fromWide(static_cast<const wchar_t*>(value)), expected);
  }
  const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);
  ::FreeLibrary(module);
}

}  // namespace
}  // namespace sigpatch::platform::win32
