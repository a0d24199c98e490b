// The file-system rules (tests/platform/FileSystemBehaviour.cpp) on the POSIX
// service, and what only a POSIX disk has: links, fifos, dot files and users
// without root's privileges.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PosixTestSupport.h"
#include "platform/FileSystemBehaviour.h"

namespace sigpatch::platform::posix {
namespace {

using namespace sigpatch::testing;
using Names = std::vector<std::u16string>;

class PosixSubject : public FileSystemSubject {
 public:
  FileSystemService& service() override { return service_; }
  std::u16string root() const override { return u(dir_.path()); }
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
                         fileSystemName);

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::u16string path(const std::string& name) const { return u(dir / name); }
  void folders(std::initializer_list<const char*> names) {
    for (const std::string name : names) mkdir((dir / name).c_str(), 0755);
  }
  // Links by their targets.
  void links(std::initializer_list<std::pair<std::string, const char*>> pairs) {
    for (const auto& [target, link] : pairs) symlink(target.c_str(), (dir / link).c_str());
  }
  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(PosixFileSystemTest, LinksAreFollowedAndShownButFifosAreNeitherFileNorFolder) {
  writeFile(dir / "file", "x");
  writeFile(dir / ".hidden", "h");
  folders({"folder"});
  // clang-format off
  links({{dir / "file", "toFile"}, {"folder", "toFolder"}, {dir / "nothing", "dangling"},
         {dir / "loop2", "loop1"}, {dir / "loop1", "loop2"}});
  // clang-format on
  mkfifo((dir / "fifo").c_str(), 0644);
  EXPECT_TRUE(fs.FileExists(path("toFile")) && fs.FolderExists(path("toFolder")));
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

// The number of folders below and with `folder`, stopping at `limit`.
int walk(const Folder& folder, int limit) {
  int seen = 1;
  for (const auto& sub : folder.SubFolders()) {
    if (seen >= limit) return seen;
    seen += walk(*sub, limit - seen);
  }
  return seen;
}

TEST_F(PosixFileSystemTest, LinksBackUpTheTreeAreNotFollowed) {
  folders({"x", "y", "x/inner"});
  // Back to x, back to the top, across and from y back again, to itself.
  // clang-format off
  links({{"..", "x/inner/up"}, {dir.path(), "x/root"}, {"../y", "x/toY"}, {"../x", "y/toX"},
         {".", "self"}});
  // clang-format on
  const auto top = fs.GetFolder(path(""));
  EXPECT_EQ(names(top->SubFolders()), (Names{u"x", u"y"}));
  EXPECT_EQ(names(fs.GetFolder(path("x/toY"))->SubFolders()), Names{});
  EXPECT_EQ(walk(*top, 100), 7) << "top, x, x/inner, x/toY, y, y/toX, y/toX/inner";
}

TEST_F(PosixFileSystemTest, DeletingRemovesLinksButNotWhatTheyLeadTo) {
  TempFolder outside;
  writeFile(outside / "keep", "k");
  folders({"tree"});
  // clang-format off
  links({{outside.path(), "tree/outside"}, {outside / "keep", "tree/keep"},
         {outside / "keep", "link"}});
  // clang-format on
  fs.DeleteFile(path("link"), false);
  fs.DeleteFolder(path("tree"), false);
  EXPECT_FALSE(fs.FolderExists(path("tree")));
  EXPECT_TRUE(fs.FileExists(u(outside / "keep")));
}

// Without root's privileges, the permissions of files and folders count.
TEST_F(PosixFileSystemTest, WhatAUserMayNotReadOrChangeRaises70) {
  mkdir((dir / "closed").c_str(), 0700);
  writeFile(dir / "closed/inside", "x");
  folders({"locked"});
  writeFile(dir / "locked/file", "x", 0666);
  writeFile(dir / "secret", "x", 0600);
  writeFile(dir / "open", "x", 0666);
  const std::function<void(PosixFileSystem&)> calls[] = {
      [&](PosixFileSystem& n) { n.GetFolder(path("closed"))->Files(); },
      [&](PosixFileSystem& n) { n.GetFolder(path("closed"))->ListFiles(); },
      [&](PosixFileSystem& n) { n.OpenTextFile(path("secret"), 1, false, 0); },
      [&](PosixFileSystem& n) { n.CopyFile(path("open"), path("locked/copy"), true); },
      [&](PosixFileSystem& n) { n.DeleteFile(path("locked/file"), true); },
      [&](PosixFileSystem& n) { n.CreateFolder(path("locked/new")); },
      [&](PosixFileSystem& n) { n.GetFile(path("secret"))->SetAttributes(1); }};
  for (const auto& call : calls) {
    EXPECT_EQ(
        asNobody([&] { return errorOf([&] { call(*std::make_unique<PosixFileSystem>()); }); }), 70);
  }
  EXPECT_EQ(asNobody([&] { return PosixFileSystem().FileExists(path("closed/inside")) ? 1 : 0; }),
            0);
  EXPECT_TRUE(fs.FileExists(path("locked/file")));
}

}  // namespace
}  // namespace sigpatch::platform::posix
