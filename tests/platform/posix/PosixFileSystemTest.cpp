// The file-system rules (tests/platform/FileSystemBehaviour.cpp) on the POSIX service, and what
// only a POSIX disk has: links, fifos, dot files and users without root's privileges.

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

// Links are followed and shown, but deleting removes the link alone, also
// within a folder; fifos are neither file nor folder.
TEST_F(PosixFileSystemTest, LinksAreFollowedAndShownButFifosAreNeitherFileNorFolder) {
  writeFile(dir / "file", "x");
  writeFile(dir / ".hidden", "h");
  folders({"folder"});
  links({{dir / "file", "toFile"},
         {"folder", "toFolder"},
         {dir / "nothing", "dangling"},
         {dir / "loop2", "loop1"},
         {dir / "loop1", "loop2"}});
  mkfifo((dir / "fifo").c_str(), 0644);
  EXPECT_TRUE(fs.FileExists(path("toFile")) && fs.FolderExists(path("toFolder")));
  for (const auto* name : {"dangling", "fifo", "loop1"}) {
    EXPECT_FALSE(fs.FileExists(path(name)) || fs.FolderExists(path(name))) << name;
  }
  const auto top = fs.GetFolder(path(""));
  EXPECT_EQ(names(top->Files()), (Names{u".hidden", u"file", u"toFile"}));
  EXPECT_EQ(listedNames(*top), (Names{u".hidden", u"file", u"toFile"}));
  EXPECT_EQ(names(top->SubFolders()), (Names{u"folder", u"toFolder"}));
  EXPECT_EQ(fs.GetFile(path(".hidden"))->Attributes(), attr::kHidden);
  EXPECT_EQ(fs.GetFile(path("toFile"))->Attributes(), attr::kAlias);
  EXPECT_EQ(fs.GetFolder(path("toFolder"))->Attributes(), attr::kDirectory | attr::kAlias);
  EXPECT_EQ(errorOf([&] { fs.GetFile(path("file/below")); }), 53);
  links({{dir / "file", "folder/file"}, {"..", "folder/up"}});
  fs.DeleteFile(path("toFile"), false);
  fs.DeleteFolder(path("folder"), false);
  EXPECT_TRUE(fs.FileExists(path("file")) && !fs.FolderExists(path("folder")));
}

// Without root's privileges, the permissions of files and folders count.
TEST_F(PosixFileSystemTest, WhatAUserMayNotReadOrChangeRaises70) {
  mkdir((dir / "closed").c_str(), 0700);
  writeFile(dir / "closed/inside", "x");
  folders({"locked"});
  writeFile(dir / "locked/file", "x", 0666);
  writeFile(dir / "secret", "x", 0600);
  writeFile(dir / "open", "x", 0666);
  const std::function<void()> calls[] = {
      [&] { fs.GetFolder(path("closed"))->Files(); },
      [&] { fs.OpenTextFile(path("secret"), 1, false, 0); },
      [&] { fs.CopyFile(path("open"), path("locked/copy"), true); },
      [&] { fs.DeleteFile(path("locked/file"), true); },
      [&] { fs.CreateFolder(path("locked/new")); },
      [&] { fs.GetFile(path("secret"))->SetAttributes(1); }};
  for (const auto& call : calls) EXPECT_EQ(asNobody([&] { return errorOf(call); }), 70);
  EXPECT_FALSE(asNobody([&] { return fs.FileExists(path("closed/inside")); }));
  EXPECT_TRUE(fs.FileExists(path("locked/file")));
}

}  // namespace
}  // namespace sigpatch::platform::posix
