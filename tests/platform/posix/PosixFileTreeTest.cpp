// The folder-tree synchroniser on real trees where the fake disk cannot stand
// in: links, and a folder its user may not read. Its lines and faults are in
// tests/util/FileTreeTest.cpp, dates and the read-only bit on each disk in
// tests/platform/FileSystemBehaviour.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "PosixTestSupport.h"
#include "app/Application.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using sigpatch::testing::black;
using sigpatch::testing::blue;
using sigpatch::testing::kSpacer;
using sigpatch::testing::readFile;
using sigpatch::testing::red;
using sigpatch::testing::setTimes;
using sigpatch::testing::writeFile;
using Lines = std::vector<sigpatch::testing::TreeLine>;

class PosixFileTreeTest : public ::testing::Test {
 protected:
  PosixFileTreeTest() {
    fake.Set([&](platform::Platform& services) {
      services.clock = &clock;
      services.fileSystem = &service;
      services.system = &system;
    });
    app.emplace();
    tree.emplace();
    tree->InitMyObjects(&*app);
    tree->FileTreeChange.connect([this](std::u16string_view line, std::int32_t& color) {
      lines.push_back({std::u16string(line), color});
    });
  }

  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return text::fromUtf8(at(name)); }
  // A file written ten days ago, last read then too.
  void oldFile(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(at(name)).parent_path());
    writeFile(at(name), bytes);
    setTimes(at(name), tenDaysAgo, tenDaysAgo);
  }

  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService service;
  platform::posix::PosixSystem system;
  sigpatch::testing::TempFolder dir;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  Lines lines;
  const time_t tenDaysAgo = time(nullptr) - 10 * 86400;
};

TEST_F(PosixFileTreeTest, ALinkIsRemovedButWhatItLeadsToStays) {
  oldFile("outside/keep.txt", "not the tree's");
  std::filesystem::create_directories(at("t"));
  std::filesystem::create_directories(at("u/empty"));
  std::filesystem::create_directories(at("empty-outside"));
  ASSERT_EQ(symlink(at("outside").c_str(), at("t/link").c_str()), 0);
  ASSERT_EQ(symlink(at("empty-outside").c_str(), at("u/link").c_str()), 0);
  tree->SourceDir = path("t");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines.at(2), blue(u"Folder " + path("t/link") + u" skipped"));
  EXPECT_EQ(readFile(at("outside/keep.txt")), "not the tree's");
  lines.clear();
  tree->SourceDir = path("u");
  tree->RemoveEmptySubFolders();
  std::sort(lines.begin() + 2, lines.end() - 1,
            [](const auto& a, const auto& b) { return a.text < b.text; });
  EXPECT_EQ(Lines(lines.begin() + 2, lines.end() - 1),
            (Lines{black(u"Folder " + path("u/empty") + u" deleted"),
                   black(u"Folder " + path("u/link") + u" deleted")}));
  EXPECT_TRUE(std::filesystem::exists(at("empty-outside")));
}

// As root (which CI is) every folder can be read: the walk runs in a child as
// the user nobody, who makes the tree and locks one folder of it.
TEST_F(PosixFileTreeTest, AnUnreadableFolderIsReportedInRedAsPermissionDenied) {
  const int code = sigpatch::testing::asNobody([&] {
    oldFile("t/locked/y.txt", "y");
    oldFile("t/z.txt", "z");
    std::filesystem::create_directories(at("u/locked"));
    if (chmod(at("t/locked").c_str(), 0) != 0 || chmod(at("u/locked").c_str(), 0) != 0) return 3;
    tree->SourceDir = path("t");
    tree->EmptyFolder(0);
    tree->SourceDir = path("u");
    tree->RemoveEmptySubFolders();
    const Lines expected{
        black(u"Delete everything in " + path("t") + u" older than 0 days"),
        kSpacer,
        red(u"Permission denied (" + path("t/locked") + u")"),
        blue(u"Folder " + path("t/locked") + u" skipped"),
        black(u"File " + path("t/z.txt") + u" deleted"),
        kSpacer,
        black(u"Delete all folders in " + path("u") + u" not containing any files"),
        kSpacer,
        red(u"Permission denied (" + path("u") + u")"),
        kSpacer};
    if (lines != expected) std::cerr << ::testing::PrintToString(lines) << "\n";
    return lines != expected ? 1 : fake.windowing.messages.empty() ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(std::filesystem::exists(at("t/locked")));
}

}  // namespace
}  // namespace sigpatch
