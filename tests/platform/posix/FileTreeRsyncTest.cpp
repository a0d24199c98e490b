// UpdateTree against rsync: random trees, some destination files newer, some
// older, some missing, synchronised by UpdateTree and, on copies of the same
// trees, by `rsync -r --update`; the same files with the same contents must end
// up at both destinations. Modification times are whole seconds, two seconds
// apart at least, and files of equal times have equal contents (rsync also
// copies when sizes differ; the synchroniser compares dates to the second).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "PosixTestSupport.h"
#include "app/Application.h"
#include "fakes/ExpectedColors.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "util/FileTree.h"

namespace sigpatch {
namespace {

namespace fs = std::filesystem;
using sigpatch::testing::readFile;
using sigpatch::testing::setTimes;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

// The seeds of the trees; a failure names its seed.
constexpr unsigned kSeeds[] = {1, 2, 3, 4, 5, 6};

class RandomTrees {
 public:
  RandomTrees(unsigned seed, std::string source, std::string destination)
      : rng_(seed), source_(std::move(source)), destination_(std::move(destination)) {}

  void grow() {
    fs::create_directories(source_);
    fs::create_directories(destination_);
    grow("", 0);
  }

  int files = 0;

 private:
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  // Times on a two-second grid, so that two different times are two seconds apart.
  time_t someTime() { return base_ + 2 * between(0, 20000); }

  std::string bytes() {
    std::string content(static_cast<std::size_t>(between(0, 3000)), '\0');
    for (auto& c : content) c = static_cast<char>(between(0, 255));
    return content;
  }

  // A name of one of the forms, "#" standing for the number.
  template <std::size_t N>
  std::string named(const char* const (&forms)[N], int i) {
    std::string form = forms[between(0, N - 1)];
    return form.replace(form.find('#'), 1, std::to_string(i));
  }
  static constexpr const char* kFiles[] = {"a#.txt", "Caf\xc3\xa9 #.dat", ".hidden#",
                                           "noext#", "x#.tar.gz",         "UPPER#.TXT",
                                           "t#.tmp", "colon:#.bin",       "sp ace #"};
  static constexpr const char* kFolders[] = {"sub#", "Folder #", "dots.in.name#",
                                             "\xc3\xbcn\xc3\xaf#"};

  static void write(const std::string& path, const std::string& content, time_t when) {
    writeFile(path, content);
    setTimes(path, when, when);
  }

  void grow(const std::string& relative, int depth) {
    const int fileCount = between(0, 6);
    for (int i = 0; i < fileCount; ++i) {
      const std::string name = relative + named(kFiles, i);
      const std::string content = bytes();
      const time_t when = someTime();
      write(source_ + "/" + name, content, when);
      ++files;
      const std::string there = destination_ + "/" + name;
      switch (between(0, 4)) {
        case 0:  // missing at the destination
          break;
        case 1:  // older at the destination
          write(there, bytes(), when - 2 * between(1, 500));
          break;
        case 2:  // newer at the destination
          write(there, bytes(), when + 2 * between(1, 500));
          break;
        case 3:  // the same
          write(there, content, when);
          break;
        default:  // older, with contents of the same size
          write(there, std::string(content.size(), 'o'), when - 2 * between(1, 500));
          break;
      }
    }
    if (between(0, 3) == 0) write(destination_ + "/" + relative + "only-here", bytes(), someTime());
    if (depth >= 3) return;
    const int folderCount = depth == 0 ? between(2, 4) : between(0, 3 - depth);
    for (int i = 0; i < folderCount; ++i) {
      const std::string name = relative + named(kFolders, i);
      fs::create_directory(source_ + "/" + name);
      // Two folders in three are there at the destination already (if their
      // parent is).
      std::error_code ignored;
      if (between(0, 2) != 0) fs::create_directory(destination_ + "/" + name, ignored);
      grow(name + "/", depth + 1);
    }
  }

  std::mt19937 rng_;
  std::string source_;
  std::string destination_;
  const time_t base_ = 1500000000;
};

// Every folder and file below `root`, by relative path: "/" for a folder, else
// the file's contents.
std::map<std::string, std::string> contentsOf(const std::string& root) {
  std::map<std::string, std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    found[relative] = entry.is_directory() ? "/" : readFile(entry.path().string());
  }
  return found;
}

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FileTreeRsyncTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(FileTreeRsyncTest, UpdateTreeEndsWhereRsyncUpdateEnds) {
  const unsigned seed = GetParam();
  std::cout << "random trees of seed " << seed << "\n";
  ASSERT_EQ(run("command -v rsync >/dev/null"), 0) << "rsync is missing: run scripts/bootstrap";

  TempFolder dir;
  RandomTrees trees(seed, dir / "src", dir / "dst");
  trees.grow();
  ASSERT_EQ(run("cp -a '" + (dir / "src") + "' '" + (dir / "rsrc") + "' && cp -a '" +
                (dir / "dst") + "' '" + (dir / "rdst") + "'"),
            0);
  ASSERT_EQ(run("rsync -r --update --exclude='*.tmp' '" + (dir / "rsrc") + "/' '" + (dir / "rdst") +
                "/'"),
            0);

  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService service;
  platform::posix::PosixSystem system;
  fake.Set([&](platform::Platform& services) {
    services.clock = &clock;
    services.fileSystem = &service;
    services.system = &system;
  });
  Application app;
  FileTree tree;
  tree.InitMyObjects(&app);
  int lines = 0;
  tree.FileTreeChange.connect([&](std::u16string_view line, std::int32_t& color) {
    ++lines;
    EXPECT_NE(color, testing::kRed) << text::toUtf8(line);
  });
  tree.ExtensionToSkip(u"tmp");
  tree.SourceDir = text::fromUtf8(dir / "src");
  tree.DestinationDir = text::fromUtf8(dir / "dst");
  EXPECT_TRUE(tree.UpdateTree());
  EXPECT_TRUE(fake.windowing.messages.empty());
  const auto ours = contentsOf(dir / "dst");
  const auto theirs = contentsOf(dir / "rdst");
  std::vector<std::string> differing;
  for (const auto& [path, content] : theirs) {
    if (ours.count(path) == 0 || ours.at(path) != content) differing.push_back(path);
  }
  for (const auto& entry : ours) {
    if (theirs.count(entry.first) == 0) differing.push_back(entry.first);
  }
  EXPECT_EQ(differing, std::vector<std::string>{}) << "missing, different or not made by rsync";

  // A second run finds the tree up to date: the heading, "Skipping: TMP",
  // the spacers and "OK!".
  lines = 0;
  EXPECT_TRUE(tree.UpdateTree());
  EXPECT_EQ(lines, 7) << "a second run copied again";
  std::cout << trees.files << " source files\n";
}

INSTANTIATE_TEST_SUITE_P(Seeds, FileTreeRsyncTest, ::testing::ValuesIn(kSeeds));

}  // namespace
}  // namespace sigpatch
