#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "PosixTestSupport.h"
#include "platform/posix/PosixFileSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

using sigpatch::testing::asNobody;
using sigpatch::testing::readFile;
using sigpatch::testing::setTimes;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

// The error number a call raises; 0 when it raises none.
int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

std::vector<std::u16string> sorted(std::vector<std::u16string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::u16string> namesOf(const FileList& files) {
  std::vector<std::u16string> names;
  for (const auto& file : files) names.push_back(file->Name());
  return sorted(names);
}

std::vector<std::u16string> namesOf(const FolderList& folders) {
  std::vector<std::u16string> names;
  for (const auto& folder : folders) names.push_back(folder->Name());
  return sorted(names);
}

mode_t modeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return u(at(name)); }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, TellsFilesFromFoldersAndFollowsLinks) {
  writeFile(at("file"), "x");
  mkdir(at("folder").c_str(), 0755);
  symlink(at("file").c_str(), at("toFile").c_str());
  symlink(at("folder").c_str(), at("toFolder").c_str());
  symlink(at("nothing").c_str(), at("dangling").c_str());
  mkfifo(at("fifo").c_str(), 0644);
  EXPECT_TRUE(fs.FileExists(path("file")));
  EXPECT_TRUE(fs.FileExists(path("toFile")));
  EXPECT_FALSE(fs.FileExists(path("folder")));
  EXPECT_FALSE(fs.FileExists(path("dangling")));
  EXPECT_FALSE(fs.FileExists(path("fifo")));
  EXPECT_FALSE(fs.FileExists(path("missing")));
  EXPECT_FALSE(fs.FileExists(u""));
  EXPECT_TRUE(fs.FolderExists(path("folder")));
  EXPECT_TRUE(fs.FolderExists(path("toFolder")));
  EXPECT_TRUE(fs.FolderExists(path("folder/")));
  EXPECT_FALSE(fs.FolderExists(path("file")));
  EXPECT_FALSE(fs.FolderExists(path("dangling")));
  EXPECT_FALSE(fs.FolderExists(u""));
}

TEST_F(PosixFileSystemTest, FileItemsGiveNamePathSizeAndDates) {
  writeFile(at("empty"), "");
  writeFile(at("ten"), "0123456789");
  writeFile(at("Thirty.EXE"), std::string(30, 'x'));
  setTimes(at("Thirty.EXE"), 1078650301, 1700000000);  // 2004-03-07 09:05:01 UTC
  EXPECT_EQ(fs.GetFile(path("empty"))->Size(), 0);
  EXPECT_EQ(fs.GetFile(path("ten"))->Size(), 10);
  const auto file = fs.GetFile(path("sub/../Thirty.EXE"));
  EXPECT_EQ(file->Name(), u"Thirty.EXE");
  EXPECT_EQ(file->Path(), path("Thirty.EXE"));
  EXPECT_EQ(file->Size(), 30);
  EXPECT_EQ(std::chrono::system_clock::to_time_t(file->DateLastModified()), 1078650301);
  EXPECT_EQ(std::chrono::system_clock::to_time_t(file->DateLastAccessed()), 1700000000);
}

TEST_F(PosixFileSystemTest, RelativePathsAreFullPathsBelowTheWorkingFolder) {
  writeFile(at("a.txt"), "a");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const auto file = fs.GetFile(u"./a.txt");
  const auto folder = fs.GetFolder(u".");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(file->Path(), path("a.txt"));
  EXPECT_EQ(folder->Path(), u(dir.path()));
}

TEST_F(PosixFileSystemTest, ReadOnlyIsTheAbsenceOfWritePermission) {
  writeFile(at("plain"), "x", 0664);
  writeFile(at("locked"), "x", 0444);
  writeFile(at(".hidden"), "x");
  mkdir(at("folder").c_str(), 0755);
  symlink(at("plain").c_str(), at("link").c_str());
  EXPECT_EQ(fs.GetFile(path("plain"))->Attributes(), 0);
  EXPECT_EQ(fs.GetFile(path("locked"))->Attributes(), attr::kReadOnly);
  EXPECT_EQ(fs.GetFile(path(".hidden"))->Attributes(), attr::kHidden);
  EXPECT_EQ(fs.GetFile(path("link"))->Attributes(), attr::kAlias);
  EXPECT_EQ(fs.GetFolder(path("folder"))->Attributes(), attr::kDirectory);

  auto plain = fs.GetFile(path("plain"));
  plain->SetAttributes(plain->Attributes() | attr::kReadOnly);
  EXPECT_EQ(modeOf(at("plain")), 0444u);
  EXPECT_EQ(plain->Attributes(), attr::kReadOnly);
  plain->SetAttributes(0);
  EXPECT_EQ(modeOf(at("plain")), 0644u);
  fs.GetFile(path("locked"))->SetAttributes(attr::kHidden);  // only the read-only bit counts
  EXPECT_EQ(modeOf(at("locked")), 0644u);
  fs.GetFolder(path("folder"))->SetAttributes(attr::kDirectory | attr::kReadOnly);
  EXPECT_EQ(modeOf(at("folder")), 0555u);
}

TEST_F(PosixFileSystemTest, AFolderListsItsRegularFilesAndItsFolders) {
  writeFile(at("b.exe"), "b");
  writeFile(at("a.exe"), "a");
  writeFile(at(".hidden"), "h");
  mkdir(at("sub").c_str(), 0755);
  writeFile(at("sub/deeper"), "d");
  mkdir(at("other").c_str(), 0755);
  symlink(at("a.exe").c_str(), at("toA").c_str());
  symlink("other", at("toOther").c_str());
  symlink(at("nothing").c_str(), at("dangling").c_str());
  symlink(at("loop2").c_str(), at("loop1").c_str());
  symlink(at("loop1").c_str(), at("loop2").c_str());
  mkfifo(at("fifo").c_str(), 0644);
  const auto folder = fs.GetFolder(u(dir.path()));
  EXPECT_EQ(namesOf(folder->Files()),
            (std::vector<std::u16string>{u".hidden", u"a.exe", u"b.exe", u"toA"}));
  EXPECT_EQ(namesOf(folder->SubFolders()),
            (std::vector<std::u16string>{u"other", u"sub", u"toOther"}));
  const auto files = folder->Files();
  for (const auto& file : files) EXPECT_EQ(file->Path(), u(dir.path()) + u"/" + file->Name());
  EXPECT_EQ(fs.GetFolder(path("toOther"))->Path(), path("toOther"));
}

// Visits a folder and everything below it through SubFolders; gives the number
// of folders seen, or stops at `limit`.
int walk(const Folder& folder, int limit) {
  int seen = 1;
  for (const auto& sub : folder.SubFolders()) {
    if (seen >= limit) return seen;
    seen += walk(*sub, limit - seen);
  }
  return seen;
}

TEST_F(PosixFileSystemTest, LinksBackUpTheTreeAreNotFollowed) {
  mkdir(at("x").c_str(), 0755);
  mkdir(at("y").c_str(), 0755);
  mkdir(at("x/inner").c_str(), 0755);
  symlink("..", at("x/inner/up").c_str());            // back to x
  symlink(dir.path().c_str(), at("x/root").c_str());  // back to the top
  symlink("../y", at("x/toY").c_str());               // across, and from y back again
  symlink("../x", at("y/toX").c_str());
  symlink(".", at("self").c_str());
  const auto top = fs.GetFolder(u(dir.path()));
  EXPECT_EQ(namesOf(top->SubFolders()), (std::vector<std::u16string>{u"x", u"y"}));
  EXPECT_EQ(namesOf(fs.GetFolder(path("x/toY"))->SubFolders()), std::vector<std::u16string>{});
  // top, x, x/inner, x/toY, y, y/toX, y/toX/inner
  EXPECT_EQ(walk(*top, 100), 7);
}

TEST_F(PosixFileSystemTest, MissingThingsRaiseTheServicesNumbers) {
  writeFile(at("file"), "x");
  mkdir(at("folder").c_str(), 0755);
  EXPECT_EQ(errorOf([&] { fs.GetFolder(path("missing")); }), 76);
  EXPECT_EQ(errorOf([&] { fs.GetFolder(path("file")); }), 76);
  EXPECT_EQ(errorOf([&] { fs.GetFolder(u""); }), 5);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("missing")); }), 53);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("nofolder/file")); }), 53);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("file/below")); }), 53);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("folder")); }), 53);
  auto file = fs.GetFile(path("file"));
  unlink(at("file").c_str());
  EXPECT_EQ(errorOf([&] { file->Size(); }), 53);
  auto folder = fs.GetFolder(path("folder"));
  rmdir(at("folder").c_str());
  EXPECT_EQ(errorOf([&] { folder->Files(); }), 76);
}

TEST_F(PosixFileSystemTest, CopyKeepsContentsDateAndReadOnlyBit) {
  const std::string bytes("\0\x01\xff\x80 binary", 10);
  writeFile(at("source"), bytes, 0444);
  setTimes(at("source"), 1078650301, 1078650301);
  fs.CopyFile(path("source"), path("copy"), true);
  EXPECT_EQ(readFile(at("copy")), bytes);
  EXPECT_EQ(std::chrono::system_clock::to_time_t(fs.GetFile(path("copy"))->DateLastModified()),
            1078650301);
  EXPECT_EQ(fs.GetFile(path("copy"))->Attributes(), attr::kReadOnly);
}

TEST_F(PosixFileSystemTest, CopyOverwritesOnlyWhenAskedAndNeverAReadOnlyFile) {
  writeFile(at("source"), "new");
  writeFile(at("old"), "old");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path("source"), path("old"), false); }), 58);
  EXPECT_EQ(readFile(at("old")), "old");
  fs.CopyFile(path("source"), path("old"), true);
  EXPECT_EQ(readFile(at("old")), "new");
  writeFile(at("locked"), "locked", 0444);
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path("source"), path("locked"), true); }), 70);
  EXPECT_EQ(readFile(at("locked")), "locked");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path("source"), path("source"), true); }), 70);
  EXPECT_EQ(readFile(at("source")), "new");
}

TEST_F(PosixFileSystemTest, CopyIntoAFolderKeepsTheName) {
  writeFile(at("source.txt"), "s");
  mkdir(at("into").c_str(), 0755);
  fs.CopyFile(path("source.txt"), path("into/"), true);
  fs.CopyFile(path("source.txt"), path("into"), true);
  EXPECT_EQ(readFile(at("into/source.txt")), "s");
  EXPECT_EQ(namesOf(fs.GetFolder(path("into"))->Files()),
            std::vector<std::u16string>{u"source.txt"});
}

TEST_F(PosixFileSystemTest, AFailedCopyLeavesNothingBehind) {
  writeFile(at("source"), "s");
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path("missing"), path("copy"), true); }), 53);
  EXPECT_EQ(errorOf([&] { fs.CopyFile(path("source"), path("nofolder/copy"), true); }), 76);
  EXPECT_EQ(namesOf(fs.GetFolder(u(dir.path()))->Files()), std::vector<std::u16string>{u"source"});
}

TEST_F(PosixFileSystemTest, DeleteRefusesAReadOnlyFileUnlessForced) {
  writeFile(at("plain"), "x");
  writeFile(at("locked"), "x", 0444);
  writeFile(at("target"), "x");
  symlink(at("target").c_str(), at("link").c_str());
  fs.DeleteFile(path("plain"), false);
  EXPECT_FALSE(fs.FileExists(path("plain")));
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path("locked"), false); }), 70);
  EXPECT_TRUE(fs.FileExists(path("locked")));
  fs.DeleteFile(path("locked"), true);
  EXPECT_FALSE(fs.FileExists(path("locked")));
  EXPECT_EQ(errorOf([&] { fs.DeleteFile(path("locked"), false); }), 53);
  fs.DeleteFile(path("link"), false);
  EXPECT_TRUE(fs.FileExists(path("target")));
}

TEST_F(PosixFileSystemTest, DeleteFolderRemovesTheTreeButNotWhatLinksLeadTo) {
  TempFolder outside;
  writeFile(outside / "keep", "k");
  mkdir(at("tree").c_str(), 0755);
  mkdir(at("tree/sub").c_str(), 0755);
  writeFile(at("tree/sub/file"), "f");
  writeFile(at("tree/file"), "f");
  symlink(outside.path().c_str(), at("tree/outside").c_str());
  symlink((outside / "keep").c_str(), at("tree/sub/keep").c_str());
  fs.DeleteFolder(path("tree"), false);
  EXPECT_FALSE(fs.FolderExists(path("tree")));
  EXPECT_EQ(readFile(outside / "keep"), "k");
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path("tree"), false); }), 76);
}

TEST_F(PosixFileSystemTest, DeleteFolderStopsAtAReadOnlyFileUnlessForced) {
  mkdir(at("tree").c_str(), 0755);
  writeFile(at("tree/locked"), "x", 0444);
  EXPECT_EQ(errorOf([&] { fs.DeleteFolder(path("tree"), false); }), 70);
  EXPECT_TRUE(fs.FileExists(path("tree/locked")));
  fs.DeleteFolder(path("tree"), true);
  EXPECT_FALSE(fs.FolderExists(path("tree")));
}

TEST_F(PosixFileSystemTest, CreateFolderNeedsItsParentAndNoNameTaken) {
  const auto made = fs.CreateFolder(path("new"));
  EXPECT_EQ(made->Path(), path("new"));
  EXPECT_EQ(made->Name(), u"new");
  EXPECT_TRUE(fs.FolderExists(path("new")));
  EXPECT_EQ(errorOf([&] { fs.CreateFolder(path("new")); }), 58);
  EXPECT_EQ(errorOf([&] { fs.CreateFolder(path("no/parent")); }), 76);
}

TEST_F(PosixFileSystemTest, TextStreamsReadEveryByteAsOneCharacter) {
  std::string bytes;
  for (int i = 0; i < 30; ++i) bytes.push_back(static_cast<char>(0x70 + i * 5));
  writeFile(at("thirty"), bytes);
  auto stream = fs.OpenTextFile(path("thirty"), 1, false, 0);
  EXPECT_EQ(stream->Read(10), text::fromAnsi(bytes.substr(0, 10)));
  stream->Skip(5);
  EXPECT_EQ(stream->Read(100), text::fromAnsi(bytes.substr(15)));
  EXPECT_EQ(stream->Read(5), u"");
  EXPECT_EQ(stream->Read(0), u"");
  EXPECT_EQ(errorOf([&] { stream->Read(-1); }), 5);
  stream->Close();
  EXPECT_EQ(errorOf([&] { stream->Read(1); }), 5);
  EXPECT_EQ(text::fromAnsi(bytes.substr(4, 3)), std::u16string(u"\u201E\u2030\u017D"));
}

TEST_F(PosixFileSystemTest, OpenTextFileOffersReadingOnly) {
  writeFile(at("f"), "x");
  mkdir(at("folder").c_str(), 0755);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path("f"), 2, false, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path("f"), 1, true, 0); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path("f"), 1, false, -1); }), 5);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path("missing"), 1, false, 0); }), 53);
  EXPECT_EQ(errorOf([&] { fs.OpenTextFile(path("folder"), 1, false, 0); }), 70);
}

// Without root's privileges, the permissions of files and folders count.
class UnprivilegedFileSystemTest : public PosixFileSystemTest {
 protected:
  UnprivilegedFileSystemTest() {
    mkdir(at("closed").c_str(), 0700);
    writeFile(at("closed/inside"), "x");
    mkdir(at("locked").c_str(), 0755);
    writeFile(at("locked/file"), "x", 0666);
    writeFile(at("secret"), "x", 0600);
    writeFile(at("open"), "x", 0666);
  }
};

TEST_F(UnprivilegedFileSystemTest, AFolderThatCannotBeReadRaises70) {
  EXPECT_EQ(asNobody([&] {
              return errorOf([&] { PosixFileSystem().GetFolder(path("closed"))->Files(); });
            }),
            70);
  EXPECT_EQ(asNobody([&] { return PosixFileSystem().FileExists(path("closed/inside")) ? 1 : 0; }),
            0);
}

TEST_F(UnprivilegedFileSystemTest, FilesThatMayNotBeReadOrChangedRaise70) {
  EXPECT_EQ(asNobody([&] {
              return errorOf([&] { PosixFileSystem().OpenTextFile(path("secret"), 1, false, 0); });
            }),
            70);
  EXPECT_EQ(asNobody([&] {
              return errorOf(
                  [&] { PosixFileSystem().CopyFile(path("open"), path("locked/copy"), true); });
            }),
            70);
  EXPECT_EQ(asNobody([&] {
              return errorOf([&] { PosixFileSystem().DeleteFile(path("locked/file"), true); });
            }),
            70);
  EXPECT_EQ(asNobody([&] {
              return errorOf([&] { PosixFileSystem().CreateFolder(path("locked/new")); });
            }),
            70);
  EXPECT_EQ(asNobody([&] {
              return errorOf([&] { PosixFileSystem().GetFile(path("secret"))->SetAttributes(1); });
            }),
            70);
  EXPECT_TRUE(PosixFileSystem().FileExists(path("locked/file")));
}

}  // namespace
}  // namespace sigpatch::platform::posix
