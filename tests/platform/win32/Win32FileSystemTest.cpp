// The file-system rules (tests/platform/FileSystemBehaviour.cpp) on the Windows
// file functions, and what only Windows has: names without regard to case,
// drives, the system's attribute bits, files held open, and its error codes.
// Links to folders are not tried: Wine makes none that its own listing shows.

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
  EXPECT_EQ(file->Name(), u"Thirty.EXE");
  EXPECT_EQ(file->Path(), path(u"sub\\Thirty.EXE"));
  EXPECT_EQ(errorOf([&] { fs.CopyFile(file->Path(), path(u"SUB\\THIRTY.exe"), true); }), 70);
  wchar_t before[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, before);
  ::SetCurrentDirectoryW(wide(dir.path()).c_str());
  const auto relative = fs.GetFile(u"sub/Thirty.EXE");
  ::SetCurrentDirectoryW(before);
  EXPECT_EQ(relative->Path(), path(u"sub\\Thirty.EXE"));
  const auto root = fs.GetFolder(dir.path().substr(0, 3));
  EXPECT_EQ(root->Path(), dir.path().substr(0, 3));
  EXPECT_EQ(root->Name(), u"");
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(dir.path().substr(0, 3), true); }), 70);
}

TEST_F(Win32FileSystemTest, TheReadOnlyBitLeavesTheSystemsOtherBits) {
  writeFile(path(u"hidden"), "h");
  ::SetFileAttributesW(wide(path(u"hidden")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Wine shows every file with its archive bit; Windows as it was set.
  const auto bits = [](std::int32_t value) { return value & ~FILE_ATTRIBUTE_ARCHIVE; };
  auto hidden = fs.GetFile(path(u"hidden"));
  EXPECT_EQ(bits(hidden->Attributes()), attr::kHidden);
  hidden->SetAttributes(hidden->Attributes() | attr::kReadOnly);
  EXPECT_EQ(bits(sigpatch::testing::attributes(path(u"hidden"))),
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  hidden->SetAttributes(attr::kNormal);
  EXPECT_EQ(bits(sigpatch::testing::attributes(path(u"hidden"))), FILE_ATTRIBUTE_HIDDEN);
  ::CreateDirectoryW(wide(path(u"folder")).c_str(), nullptr);
  fs.GetFolder(path(u"folder"))->SetAttributes(attr::kDirectory | attr::kReadOnly);
  if (!sigpatch::testing::underWine()) {  // Wine keeps no read-only bit for folders
    EXPECT_EQ(fs.GetFolder(path(u"folder"))->Attributes(), attr::kDirectory | attr::kReadOnly);
    EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path(u"folder"), false); }), 70);
  }
}

TEST_F(Win32FileSystemTest, AFileHeldOpenCannotBeDeletedOrRead) {
  writeFile(path(u"busy"), "b");
  const HANDLE open = ::CreateFileW(wide(path(u"busy")).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path(u"busy"), true); }), 70);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"busy"), 1, false, 0); }), 70);
  ::CloseHandle(open);
  fs.DeleteFile(path(u"busy"), false);
  EXPECT_FALSE(fs.FileExists(path(u"busy")));
}

TEST(Win32FileErrorsTest, SystemErrorsBecomeTheServicesNumbers) {
  constexpr Subject kFile = Subject::File, kFolder = Subject::Folder;
  // clang-format off
  const std::tuple<DWORD, Subject, int> cases[] = {
      {ERROR_FILE_NOT_FOUND, kFile, 53}, {ERROR_FILE_NOT_FOUND, kFolder, 76},
      {ERROR_PATH_NOT_FOUND, kFile, 53}, {ERROR_PATH_NOT_FOUND, kFolder, 76},
      {ERROR_ACCESS_DENIED, kFile, 70}, {ERROR_SHARING_VIOLATION, kFile, 70},
      {ERROR_ALREADY_EXISTS, kFolder, 58}, {ERROR_FILE_EXISTS, kFile, 58},
      {ERROR_DISK_FULL, kFile, 61}, {ERROR_NOT_READY, kFolder, 71}, {ERROR_CRC, kFile, 57},
      {ERROR_INVALID_NAME, kFile, 75}};
  // clang-format on
  for (const auto& [error, subject, number] : cases)
    EXPECT_EQ(fileErrorNumber(error, subject), number) << error;
}

}  // namespace
}  // namespace sigpatch::platform::win32
