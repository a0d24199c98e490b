// The file-system rules (tests/platform/FileSystemBehaviour.cpp) on the POSIX
// service, and what only a POSIX disk has: links, fifos, permission bits, dot
// files and users without root's privileges.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PosixTestSupport.h"
#include "platform/FileSystemBehaviour.h"
#include "platform/posix/PosixFileSystem.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

using sigpatch::testing::asNobody;
using sigpatch::testing::errorOf;
using sigpatch::testing::FileSystemBehaviourTest;
using sigpatch::testing::FileSystemSubject;
using sigpatch::testing::listedNames;
using sigpatch::testing::names;
using sigpatch::testing::subjectOf;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;
using Names = std::vector<std::u16string>;

class PosixSubject : public FileSystemSubject {
 public:
  FileSystemService& service() override { return service_; }
  std::u16string root() const override { return text::fromUtf8(dir_.path()); }
  void write(const std::u16string& path, const std::string& bytes) override {
    writeFile(text::toUtf8(path), bytes);
  }
  void setTimes(const std::u16string& path, std::int64_t written, std::int64_t read) override {
    sigpatch::testing::setTimes(text::toUtf8(path), written, read);
  }

 private:
  TempFolder dir_;
  PosixFileSystemService service_;
};

INSTANTIATE_TEST_SUITE_P(Posix, FileSystemBehaviourTest, subjectOf<PosixSubject>("Posix"),
                         sigpatch::testing::fileSystemName);

mode_t modeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return text::fromUtf8(at(name)); }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, LinksAreFollowedAndShownButFifosAreNeitherFileNorFolder) {
  writeFile(at("file"), "x");
  mkdir(at("folder").c_str(), 0755);
  symlink(at("file").c_str(), at("toFile").c_str());
  symlink("folder", at("toFolder").c_str());
  symlink(at("nothing").c_str(), at("dangling").c_str());
  symlink(at("loop2").c_str(), at("loop1").c_str());
  symlink(at("loop1").c_str(), at("loop2").c_str());
  mkfifo(at("fifo").c_str(), 0644);
  writeFile(at(".hidden"), "h");
  EXPECT_TRUE(fs.FileExists(path("toFile")));
  EXPECT_TRUE(fs.FolderExists(path("toFolder")));
  for (const auto* name : {"dangling", "fifo", "loop1"}) {
    EXPECT_FALSE(fs.FileExists(path(name)) || fs.FolderExists(path(name))) << name;
  }
  const auto top = fs.GetFolder(path(""));
  EXPECT_EQ(names(top->Files()), (Names{u".hidden", u"file", u"toFile"}));
  EXPECT_EQ(listedNames(*top), (Names{u".hidden", u"file", u"toFile"}));
  EXPECT_EQ(names(top->SubFolders()), (Names{u"folder", u"toFolder"}));
  EXPECT_EQ(fs.GetFolder(path("toFolder"))->Path(), path("toFolder"));
  EXPECT_EQ(fs.GetFile(path(".hidden"))->Attributes(), attr::kHidden);
  EXPECT_EQ(fs.GetFile(path("toFile"))->Attributes(), attr::kAlias);
  EXPECT_EQ(fs.GetFolder(path("toFolder"))->Attributes(), attr::kDirectory | attr::kAlias);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("file/below")); }), 53);
}

// Visits a folder and everything below it; gives the number of folders seen,
// or stops at `limit`.
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
  const auto top = fs.GetFolder(text::fromUtf8(dir.path()));
  EXPECT_EQ(names(top->SubFolders()), (Names{u"x", u"y"}));
  EXPECT_EQ(names(fs.GetFolder(path("x/toY"))->SubFolders()), Names{});
  // top, x, x/inner, x/toY, y, y/toX, y/toX/inner
  EXPECT_EQ(walk(*top, 100), 7);
}

TEST_F(PosixFileSystemTest, DeletingRemovesLinksButNotWhatTheyLeadTo) {
  TempFolder outside;
  writeFile(outside / "keep", "k");
  mkdir(at("tree").c_str(), 0755);
  symlink(outside.path().c_str(), at("tree/outside").c_str());
  symlink((outside / "keep").c_str(), at("tree/keep").c_str());
  symlink((outside / "keep").c_str(), at("link").c_str());
  fs.DeleteFile(path("link"), false);
  fs.DeleteFolder(path("tree"), false);
  EXPECT_FALSE(fs.FolderExists(path("tree")));
  EXPECT_TRUE(fs.FileExists(text::fromUtf8(outside / "keep")));
}

TEST_F(PosixFileSystemTest, ReadOnlyIsTheAbsenceOfWritePermission) {
  writeFile(at("plain"), "x", 0664);
  writeFile(at("locked"), "x", 0444);
  mkdir(at("folder").c_str(), 0755);
  EXPECT_EQ(fs.GetFile(path("locked"))->Attributes(), attr::kReadOnly);
  fs.GetFile(path("plain"))->SetAttributes(attr::kReadOnly);
  EXPECT_EQ(modeOf(at("plain")), 0444u);
  fs.GetFile(path("plain"))->SetAttributes(0);
  EXPECT_EQ(modeOf(at("plain")), 0644u);
  fs.GetFile(path("locked"))->SetAttributes(attr::kHidden);  // only the read-only bit counts
  EXPECT_EQ(modeOf(at("locked")), 0644u);
  fs.GetFolder(path("folder"))->SetAttributes(attr::kDirectory | attr::kReadOnly);
  EXPECT_EQ(modeOf(at("folder")), 0555u);
}

TEST_F(PosixFileSystemTest, RelativePathsAreTakenFromTheWorkingFolder) {
  writeFile(at("a.txt"), "a");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const auto file = fs.GetFile(u"./a.txt");
  const auto folder = fs.GetFolder(u".");
  const auto absolute = fs.GetAbsolutePathName(u"x/../a.txt");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(file->Path(), path("a.txt"));
  EXPECT_EQ(folder->Path(), text::fromUtf8(dir.path()));
  EXPECT_EQ(absolute, path("a.txt"));
}

// Without root's privileges, the permissions of files and folders count.
TEST_F(PosixFileSystemTest, WhatAUserMayNotReadOrChangeRaises70) {
  mkdir(at("closed").c_str(), 0700);
  writeFile(at("closed/inside"), "x");
  mkdir(at("locked").c_str(), 0755);
  writeFile(at("locked/file"), "x", 0666);
  writeFile(at("secret"), "x", 0600);
  writeFile(at("open"), "x", 0666);
  const std::function<void(PosixFileSystem&)> calls[] = {
      [&](PosixFileSystem& n) { n.GetFolder(path("closed"))->Files(); },
      [&](PosixFileSystem& n) { n.GetFolder(path("closed"))->ListFiles(); },
      [&](PosixFileSystem& n) { n.OpenTextFile(path("secret"), 1, false, 0); },
      [&](PosixFileSystem& n) { n.CopyFile(path("open"), path("locked/copy"), true); },
      [&](PosixFileSystem& n) { n.DeleteFile(path("locked/file"), true); },
      [&](PosixFileSystem& n) { n.CreateFolder(path("locked/new")); },
      [&](PosixFileSystem& n) { n.GetFile(path("secret"))->SetAttributes(1); },
  };
  for (const auto& call : calls) {
    EXPECT_EQ(asNobody([&] {
                PosixFileSystem nobody;
                return errorOf([&] { call(nobody); });
              }),
              70);
  }
  EXPECT_EQ(asNobody([&] { return PosixFileSystem().FileExists(path("closed/inside")) ? 1 : 0; }),
            0);
  EXPECT_TRUE(fs.FileExists(path("locked/file")));
}

}  // namespace
}  // namespace sigpatch::platform::posix
