// The file-system rules (tests/platform/FileSystemBehaviour.cpp) on the Windows file functions, and
// what only Windows has: names without regard to case, drives, files held open, and its error
// codes.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "platform/FileSystemBehaviour.h"
#include "platform/win32/Win32FileErrors.h"
#include "platform/win32/Win32FileSystem.h"

namespace sigpatch::platform::win32 {
namespace {

using testing::errorOf, testing::FileSystemBehaviourTest, testing::FileSystemSubject,
    testing::TempFolder, testing::writeFile;

class Win32Subject : public FileSystemSubject {
 public:
  FileSystemService& service() override { return service_; }
  std::u16string root() const override { return dir_.path(); }
  void write(const std::u16string& path, const std::string& bytes) override {
    writeFile(path, bytes);
  }
  void setTimes(const std::u16string& path, std::int64_t written, std::int64_t read) override {
    const auto fileTime = [](std::int64_t seconds) {
      const auto ticks = static_cast<std::uint64_t>((seconds + 11644473600LL) * 10000000LL);
      return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    };
    const HANDLE file = ::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const FILETIME access = fileTime(read), write = fileTime(written);
    ::SetFileTime(file, nullptr, &access, &write);
    ::CloseHandle(file);
  }

 private:
  TempFolder dir_;
  Win32FileSystemService service_;
};

INSTANTIATE_TEST_SUITE_P(Win32, FileSystemBehaviourTest, testing::subjectOf<Win32Subject>("Win32"),
                         sigpatch::testing::fileSystemName);

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::u16string path(std::u16string_view name) const { return dir / name; }

  TempFolder dir;
  Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, NamesIgnoreCaseAndPathsTakeTheSystemsSeparatorAndDrive) {
  ::CreateDirectoryW(wide(path(u"sub")).c_str(), nullptr);
  writeFile(path(u"sub\\Thirty.EXE"), "x");
  EXPECT_TRUE(fs.FileExists(path(u"SUB\\thirty.exe")));
  EXPECT_TRUE(fs.FolderExists(dir.path() + u"/sub"));
  const auto file = fs.GetFile(path(u"sub\\thirty.exe"));
  EXPECT_EQ(file->Name() + u" " + file->Path(), u"Thirty.EXE " + path(u"sub\\Thirty.EXE"));
  EXPECT_EQ(errorOf([&] { fs.CopyFile(file->Path(), path(u"SUB\\THIRTY.exe"), true); }), 70);
  wchar_t before[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, before);
  ::SetCurrentDirectoryW(wide(dir.path()).c_str());
  const auto relative = fs.GetFile(u"sub/Thirty.EXE");
  ::SetCurrentDirectoryW(before);
  EXPECT_EQ(relative->Path(), path(u"sub\\Thirty.EXE"));
  const auto root = fs.GetFolder(dir.path().substr(0, 3));
  EXPECT_EQ(root->Path() + u"|" + root->Name(), dir.path().substr(0, 3) + u"|");
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(dir.path().substr(0, 3), true); }), 70);
}

TEST_F(Win32FileSystemTest, AFileHeldOpenCannotBeDeletedOrRead) {
  writeFile(path(u"busy"), "b");
  const HANDLE open = ::CreateFileW(wide(path(u"busy")).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path(u"busy"), true); }), 70);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"busy"), 1, false, 0); }), 70);
  ::CloseHandle(open);
}

// The errors that the shared rules cannot bring about on a working disk.
TEST(Win32FileErrorsTest, SystemErrorsBecomeTheServicesNumbers) {
  constexpr Subject kFile = Subject::File, kFolder = Subject::Folder;
  // clang-format off
  for (const auto& [error, subject, number] : std::initializer_list<std::tuple<DWORD, Subject, int>>{
           {ERROR_DISK_FULL, kFile, 61}, {ERROR_NOT_READY, kFolder, 71}, {ERROR_CRC, kFile, 57},
           {ERROR_INVALID_NAME, kFile, 75}, {ERROR_SHARING_VIOLATION, kFile, 70}}) {
    // clang-format on
    EXPECT_EQ(fileErrorNumber(error, subject), number) << error;
  }
}

}  // namespace
}  // namespace sigpatch::platform::win32
