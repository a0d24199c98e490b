// The file-system service on the Windows file functions, against real files
// and folders in a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/win32/Win32FileErrors.h"
#include "platform/win32/Win32FileSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

using sigpatch::testing::attributes;
using sigpatch::testing::readFile;
using sigpatch::testing::setReadOnly;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

// The error number a call raises; 0 when it raises none.
int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

template <typename List>
std::vector<std::u16string> namesOf(const List& items) {
  std::vector<std::u16string> names;
  for (const auto& item : items) names.push_back(item->Name());
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::u16string>;

// The archive bit, which the system sets on every file it writes.
constexpr std::int32_t kArchive = 32;

// 2004-03-07 09:05:01 UTC as the system's file time.
constexpr std::int64_t kTime = 1078650301;

void setTimes(const std::u16string& path, std::int64_t written, std::int64_t accessed) {
  auto fileTime = [](std::int64_t seconds) {
    const auto ticks = static_cast<std::uint64_t>((seconds + 11644473600LL) * 10000000LL);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  };
  const HANDLE file = ::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME access = fileTime(accessed);
  const FILETIME write = fileTime(written);
  ::SetFileTime(file, nullptr, &access, &write);
  ::CloseHandle(file);
}

std::int64_t secondsOf(Clock::TimePoint t) { return std::chrono::system_clock::to_time_t(t); }

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::u16string path(std::u16string_view name) const { return dir / name; }
  void makeFolder(std::u16string_view name) const {
    ASSERT_NE(::CreateDirectoryW(wide(path(name)).c_str(), nullptr), 0);
  }

  TempFolder dir;
  Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, TellsFilesFromFolders) {
  writeFile(path(u"file"), "x");
  makeFolder(u"folder");
  EXPECT_TRUE(fs.FileExists(path(u"file")));
  EXPECT_TRUE(fs.FileExists(path(u"FILE")));
  EXPECT_FALSE(fs.FileExists(path(u"folder")));
  EXPECT_FALSE(fs.FileExists(path(u"missing")));
  EXPECT_FALSE(fs.FileExists(u""));
  EXPECT_TRUE(fs.FolderExists(path(u"folder")));
  EXPECT_TRUE(fs.FolderExists(path(u"folder\\")));
  EXPECT_TRUE(fs.FolderExists(dir.path() + u"/folder"));
  EXPECT_FALSE(fs.FolderExists(path(u"file")));
  EXPECT_FALSE(fs.FolderExists(u""));
}

TEST_F(Win32FileSystemTest, FileItemsGiveNamePathSizeAndDates) {
  writeFile(path(u"empty"), "");
  writeFile(path(u"Thirty.EXE"), std::string(30, 'x'));
  setTimes(path(u"Thirty.EXE"), kTime, 1700000000);
  EXPECT_EQ(fs.GetFile(path(u"empty"))->Size(), 0);
  // The name in the file system's own letter case, whatever case asked for it.
  const auto file = fs.GetFile(path(u"thirty.exe"));
  EXPECT_EQ(file->Name(), u"Thirty.EXE");
  EXPECT_EQ(file->Path(), path(u"Thirty.EXE"));
  EXPECT_EQ(file->Size(), 30);
  EXPECT_EQ(secondsOf(file->DateLastModified()), kTime);
  EXPECT_EQ(secondsOf(file->DateLastAccessed()), 1700000000);
}

TEST_F(Win32FileSystemTest, PathsAreFullPathsWithTheSystemsSeparator) {
  makeFolder(u"sub");
  writeFile(path(u"sub\\a.txt"), "a");
  wchar_t before[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, before);
  ::SetCurrentDirectoryW(wide(dir.path()).c_str());
  const auto file = fs.GetFile(u"sub/a.txt");
  const auto folder = fs.GetFolder(u"sub\\..\\sub\\");
  ::SetCurrentDirectoryW(before);
  EXPECT_EQ(file->Path(), path(u"sub\\a.txt"));
  EXPECT_EQ(folder->Path(), path(u"sub"));
  EXPECT_EQ(folder->Name(), u"sub");
  const auto root = fs.GetFolder(dir.path().substr(0, 3));
  EXPECT_EQ(root->Path(), dir.path().substr(0, 3));
  EXPECT_EQ(root->Name(), u"");
}

TEST_F(Win32FileSystemTest, TheReadOnlyBitIsTheSystemsAttribute) {
  writeFile(path(u"plain"), "p");
  writeFile(path(u"locked"), "l");
  writeFile(path(u"hidden"), "h");
  setReadOnly(path(u"locked"), true);
  ::SetFileAttributesW(wide(path(u"hidden")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  makeFolder(u"folder");
  // Wine shows every file with its archive bit; Windows as it was set.
  auto bits = [](std::int32_t value) { return value & ~kArchive; };
  EXPECT_EQ(bits(fs.GetFile(path(u"plain"))->Attributes()), 0);
  EXPECT_EQ(bits(fs.GetFile(path(u"locked"))->Attributes()), attr::kReadOnly);
  EXPECT_EQ(bits(fs.GetFile(path(u"hidden"))->Attributes()), attr::kHidden);
  EXPECT_EQ(fs.GetFolder(path(u"folder"))->Attributes(), attr::kDirectory);

  auto hidden = fs.GetFile(path(u"hidden"));
  hidden->SetAttributes(hidden->Attributes() | attr::kReadOnly);
  EXPECT_EQ(bits(attributes(path(u"hidden"))), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)
      << "the other bits stay";
  EXPECT_EQ(bits(hidden->Attributes()), attr::kHidden | attr::kReadOnly);
  hidden->SetAttributes(attr::kNormal);
  EXPECT_EQ(bits(attributes(path(u"hidden"))), FILE_ATTRIBUTE_HIDDEN);
  fs.GetFile(path(u"locked"))->SetAttributes(0);
  EXPECT_EQ(bits(fs.GetFile(path(u"locked"))->Attributes()), 0);
}

TEST_F(Win32FileSystemTest, AFolderKeepsItsReadOnlyBit) {
  makeFolder(u"folder");
  fs.GetFolder(path(u"folder"))->SetAttributes(attr::kDirectory | attr::kReadOnly);
  if (sigpatch::testing::underWine()) {
    GTEST_SKIP() << "Wine keeps no read-only bit for folders; Windows does";
  }
  EXPECT_EQ(fs.GetFolder(path(u"folder"))->Attributes(), attr::kDirectory | attr::kReadOnly);
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path(u"folder"), false); }), 70);
  fs.DeleteFolder(path(u"folder"), true);
  EXPECT_FALSE(fs.FolderExists(path(u"folder")));
}

TEST_F(Win32FileSystemTest, AFolderListsItsFilesAndItsFolders) {
  writeFile(path(u"b.exe"), "b");
  writeFile(path(u"A.exe"), "a");
  writeFile(path(u"hidden"), "h");
  ::SetFileAttributesW(wide(path(u"hidden")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  makeFolder(u"sub");
  writeFile(path(u"sub\\deeper"), "d");
  makeFolder(u"other");
  const auto folder = fs.GetFolder(dir.path());
  EXPECT_EQ(namesOf(folder->Files()), (Names{u"A.exe", u"b.exe", u"hidden"}));
  EXPECT_EQ(namesOf(folder->SubFolders()), (Names{u"other", u"sub"}));
  for (const auto& file : folder->Files()) EXPECT_EQ(file->Path(), dir / file->Name());
  for (const auto& sub : folder->SubFolders()) EXPECT_EQ(sub->Path(), dir / sub->Name());
  EXPECT_EQ(namesOf(fs.GetFolder(path(u"other"))->Files()), Names{});
}

TEST_F(Win32FileSystemTest, LinksBackUpTheTreeAreNotFollowed) {
  makeFolder(u"x");
  makeFolder(u"y");
  const auto link = [&](std::u16string_view name, const std::u16string& target) {
    return ::CreateSymbolicLinkW(
               wide(path(name)).c_str(), wide(target).c_str(),
               SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
  };
  if (sigpatch::testing::underWine()) {
    GTEST_SKIP() << "Wine makes symbolic links to folders that its own listing and attribute "
                    "calls do not show; Windows shows them as folders with the link bit";
  }
  if (!link(u"x\\up", dir.path())) {
    GTEST_SKIP() << "this account may not make symbolic links (Windows asks for developer mode "
                    "or a privilege)";
  }
  ASSERT_TRUE(link(u"x\\toY", path(u"y")));
  ASSERT_TRUE(link(u"y\\toX", path(u"x")));
  const auto top = fs.GetFolder(dir.path());
  EXPECT_EQ(namesOf(top->SubFolders()), (Names{u"x", u"y"}));
  // A link to a folder that is not on the path is a folder to walk into.
  EXPECT_EQ(namesOf(fs.GetFolder(path(u"x"))->SubFolders()), (Names{u"toY"}));
  EXPECT_EQ(namesOf(fs.GetFolder(path(u"x\\toY"))->SubFolders()), Names{})
      << "y\\toX leads back to x, which is on the path";
  EXPECT_EQ(fs.GetFolder(path(u"x\\up"))->Attributes() & attr::kAlias, attr::kAlias);
}

TEST_F(Win32FileSystemTest, MissingThingsRaiseTheServicesNumbers) {
  writeFile(path(u"file"), "x");
  makeFolder(u"folder");
  EXPECT_EQ(errorOf([&] { fs.GetFolder(path(u"missing")); }), 76);
  EXPECT_EQ(errorOf([&] { fs.GetFolder(path(u"file")); }), 76);
  EXPECT_EQ(errorOf([&] { fs.GetFolder(u""); }), 5);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path(u"missing")); }), 53);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path(u"nofolder\\file")); }), 53);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path(u"folder")); }), 53);
  const auto file = fs.GetFile(path(u"file"));
  ::DeleteFileW(wide(path(u"file")).c_str());
  EXPECT_EQ(errorOf([&] { file->Size(); }), 53);
  const auto folder = fs.GetFolder(path(u"folder"));
  ::RemoveDirectoryW(wide(path(u"folder")).c_str());
  EXPECT_EQ(errorOf([&] { folder->Files(); }), 76);
}

TEST_F(Win32FileSystemTest, CopyKeepsContentsDateAndReadOnlyBit) {
  const std::string bytes("MZ\0\x90\xff\r\n", 7);
  writeFile(path(u"source"), bytes);
  setTimes(path(u"source"), kTime, kTime);
  setReadOnly(path(u"source"), true);
  fs.CopyFile(path(u"source"), path(u"copy"), false);
  EXPECT_EQ(readFile(path(u"copy")), bytes);
  EXPECT_EQ(secondsOf(fs.GetFile(path(u"copy"))->DateLastModified()), kTime);
  EXPECT_EQ(fs.GetFile(path(u"copy"))->Attributes() & attr::kReadOnly, attr::kReadOnly);
}

TEST_F(Win32FileSystemTest, CopyOverwritesOnlyWhenAskedAndNeverAReadOnlyFile) {
  writeFile(path(u"source"), "new");
  writeFile(path(u"old"), "old");
  writeFile(path(u"locked"), "locked");
  setReadOnly(path(u"locked"), true);
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path(u"source"), path(u"old"), false); }), 58);
  EXPECT_EQ(readFile(path(u"old")), "old");
  fs.CopyFile(path(u"source"), path(u"old"), true);
  EXPECT_EQ(readFile(path(u"old")), "new");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path(u"source"), path(u"locked"), true); }), 70);
  EXPECT_EQ(readFile(path(u"locked")), "locked");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path(u"source"), path(u"SOURCE"), true); }), 70);
  EXPECT_EQ(readFile(path(u"source")), "new");
}

TEST_F(Win32FileSystemTest, CopyIntoAFolderKeepsTheName) {
  writeFile(path(u"source.txt"), "s");
  makeFolder(u"into");
  fs.CopyFile(path(u"source.txt"), path(u"into"), false);
  EXPECT_EQ(readFile(path(u"into\\source.txt")), "s");
  makeFolder(u"slash");
  fs.CopyFile(path(u"source.txt"), path(u"slash\\"), false);
  EXPECT_EQ(namesOf(fs.GetFolder(path(u"slash"))->Files()), Names{u"source.txt"});
}

TEST_F(Win32FileSystemTest, AFailedCopyLeavesNothingBehind) {
  writeFile(path(u"source"), "s");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path(u"missing"), path(u"copy"), true); }), 53);
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path(u"source"), path(u"nofolder\\copy"), true); }), 76);
  EXPECT_EQ(namesOf(fs.GetFolder(dir.path())->Files()), Names{u"source"});
}

TEST_F(Win32FileSystemTest, DeleteRefusesAReadOnlyFileUnlessForced) {
  writeFile(path(u"plain"), "p");
  writeFile(path(u"locked"), "l");
  setReadOnly(path(u"locked"), true);
  makeFolder(u"folder");
  fs.DeleteFile(path(u"plain"), false);
  EXPECT_FALSE(fs.FileExists(path(u"plain")));
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path(u"locked"), false); }), 70);
  EXPECT_TRUE(fs.FileExists(path(u"locked")));
  fs.DeleteFile(path(u"locked"), true);
  EXPECT_FALSE(fs.FileExists(path(u"locked")));
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path(u"locked"), false); }), 53);
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path(u"folder"), false); }), 53);
}

TEST_F(Win32FileSystemTest, DeleteFolderRemovesTheWholeTree) {
  makeFolder(u"tree");
  makeFolder(u"tree\\sub");
  writeFile(path(u"tree\\sub\\file"), "f");
  writeFile(path(u"tree\\file"), "f");
  fs.DeleteFolder(path(u"tree"), false);
  EXPECT_FALSE(fs.FolderExists(path(u"tree")));
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path(u"tree"), false); }), 76);
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(dir.path().substr(0, 3), true); }), 70);
}

TEST_F(Win32FileSystemTest, DeleteFolderStopsAtAReadOnlyFileUnlessForced) {
  makeFolder(u"tree");
  writeFile(path(u"tree\\locked"), "x");
  setReadOnly(path(u"tree\\locked"), true);
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path(u"tree"), false); }), 70);
  EXPECT_TRUE(fs.FileExists(path(u"tree\\locked")));
  fs.DeleteFolder(path(u"tree"), true);
  EXPECT_FALSE(fs.FolderExists(path(u"tree")));
}

TEST_F(Win32FileSystemTest, CreateFolderNeedsItsParentAndNoNameTaken) {
  const auto made = fs.CreateFolder(path(u"new"));
  EXPECT_EQ(made->Path(), path(u"new"));
  EXPECT_EQ(made->Name(), u"new");
  EXPECT_TRUE(fs.FolderExists(path(u"new")));
  EXPECT_EQ(errorOf([&] { fs.CreateFolder(path(u"new")); }), 58);
  EXPECT_EQ(errorOf([&] { fs.CreateFolder(path(u"no\\parent")); }), 76);
}

TEST_F(Win32FileSystemTest, TextStreamsReadEveryByteAsOneCharacter) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  writeFile(path(u"bytes"), bytes);
  auto stream = fs.OpenTextFile(path(u"bytes"), 1, false, 0);
  EXPECT_EQ(stream->Read(10), text::fromAnsi(bytes.substr(0, 10)));
  stream->Skip(118);
  EXPECT_EQ(stream->Read(3), std::u16string(u"\u20AC\u0081\u201A"));
  EXPECT_EQ(stream->Read(1000), text::fromAnsi(bytes.substr(131)));
  EXPECT_EQ(stream->Read(5), u"");
  EXPECT_EQ(errorOf([&] { stream->Read(-1); }), 5);
  stream->Close();
  EXPECT_EQ(errorOf([&] { stream->Read(1); }), 5);
}

TEST_F(Win32FileSystemTest, OpenTextFileOffersReadingOnly) {
  writeFile(path(u"f"), "x");
  makeFolder(u"folder");
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"f"), 2, false, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"f"), 1, true, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"f"), 1, false, -1); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"missing"), 1, false, 0); }), 53);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path(u"folder"), 1, false, 0); }), 70);
}

TEST_F(Win32FileSystemTest, AFileInUseCannotBeDeleted) {
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
  EXPECT_EQ(fileErrorNumber(ERROR_FILE_NOT_FOUND, Subject::File), 53);
  EXPECT_EQ(fileErrorNumber(ERROR_FILE_NOT_FOUND, Subject::Folder), 76);
  EXPECT_EQ(fileErrorNumber(ERROR_PATH_NOT_FOUND, Subject::File), 53);
  EXPECT_EQ(fileErrorNumber(ERROR_PATH_NOT_FOUND, Subject::Folder), 76);
  EXPECT_EQ(fileErrorNumber(ERROR_ACCESS_DENIED, Subject::File), 70);
  EXPECT_EQ(fileErrorNumber(ERROR_SHARING_VIOLATION, Subject::File), 70);
  EXPECT_EQ(fileErrorNumber(ERROR_ALREADY_EXISTS, Subject::Folder), 58);
  EXPECT_EQ(fileErrorNumber(ERROR_FILE_EXISTS, Subject::File), 58);
  EXPECT_EQ(fileErrorNumber(ERROR_DISK_FULL, Subject::File), 61);
  EXPECT_EQ(fileErrorNumber(ERROR_NOT_READY, Subject::Folder), 71);
  EXPECT_EQ(fileErrorNumber(ERROR_CRC, Subject::File), 57);
  EXPECT_EQ(fileErrorNumber(ERROR_INVALID_NAME, Subject::File), 75);
}

}  // namespace
}  // namespace sigpatch::platform::win32
