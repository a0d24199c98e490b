// The folder-tree synchroniser on real trees: links, and random trees against
// rsync (its lines and faults: tests/util/FileTreeTest.cpp).

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "PosixTestSupport.h"
#include "app/Application.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

namespace fs = std::filesystem;
using namespace sigpatch::testing;
using Lines = std::vector<TreeLine>;

// The synchroniser on the real services, its lines recorded.
struct RealTree {
  RealTree() {
    tree.InitMyObjects(&app);
    tree.FileTreeChange.connect([this](std::u16string_view line, std::int32_t& color) {
      lines.push_back({std::u16string(line), color});
    });
  }
  PosixServices services;
  Application app;
  FileTree tree;
  Lines lines;
};

// What a link leads to stays, even when it is old or empty.
TEST(PosixFileTreeTest, ALinkIsRemovedButWhatItLeadsToStays) {
  TempFolder dir;
  RealTree real;
  const auto path = [&](const std::string& name) { return u(dir / name); };
  for (const char* f : {"t", "u/empty", "outside", "empty-outside"})
    fs::create_directories(dir / f);
  writeFile(dir / "outside/keep.txt", "not the tree's");
  setTimes(dir / "outside/keep.txt", 1500000000, 1500000000);
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "t/link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "empty-outside").c_str(), (dir / "u/link").c_str()), 0);
  real.tree.SourceDir = path("t");
  real.tree.EmptyFolder(0);
  EXPECT_EQ(real.lines.at(2), blue(u"Folder " + path("t/link") + u" skipped"));
  EXPECT_EQ(readFile(dir / "outside/keep.txt"), "not the tree's");
  real.lines.clear();
  real.tree.SourceDir = path("u");
  real.tree.RemoveEmptySubFolders();
  Lines deleted(real.lines.begin() + 2, real.lines.end() - 1);
  std::sort(deleted.begin(), deleted.end(), [](auto& a, auto& b) { return a.text < b.text; });
  EXPECT_EQ(deleted, (Lines{black(u"Folder " + path("u/empty") + u" deleted"),
                            black(u"Folder " + path("u/link") + u" deleted")}));
  EXPECT_TRUE(fs::exists(dir / "empty-outside"));
}

// Random trees, some destination files newer, some older, some missing, synchronised
// by UpdateTree and, on copies, by `rsync -r --update` must end the same. Times are
// whole seconds two seconds apart at least, and files of equal times have equal
// contents (rsync also copies when sizes differ; UpdateTree compares dates).
class RandomTrees {
 public:
  RandomTrees(unsigned seed, std::string source, std::string destination)
      : rng_(seed), source_(std::move(source)), destination_(std::move(destination)) {
    fs::create_directories(source_);
    fs::create_directories(destination_);
    grow("", 0);
  }

 private:
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  time_t someTime() { return 1500000000 + 2 * between(0, 20000); }
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
    for (int i = 0, count = between(0, 6); i < count; ++i) {
      const std::string name = relative + named(kFiles, i), content = bytes();
      const time_t when = someTime();
      write(source_ + "/" + name, content, when);
      const std::string there = destination_ + "/" + name;
      // clang-format off
      switch (between(0, 4)) {
        case 0: break;  // missing at the destination
        case 1: write(there, bytes(), when - 2 * between(1, 500)); break;  // older
        case 2: write(there, bytes(), when + 2 * between(1, 500)); break;  // newer
        case 3: write(there, content, when); break;  // the same
        default: write(there, std::string(content.size(), 'o'), when - 2 * between(1, 500));
      }  // older, with contents of the same size
      // clang-format on
    }
    if (between(0, 3) == 0) write(destination_ + "/" + relative + "only-here", bytes(), someTime());
    if (depth >= 3) return;
    for (int i = 0, count = depth == 0 ? between(2, 4) : between(0, 3 - depth); i < count; ++i) {
      const std::string name = relative + named(kFolders, i);
      fs::create_directory(source_ + "/" + name);
      // Two folders in three are there at the destination already (if their parent is).
      std::error_code ignored;
      if (between(0, 2) != 0) fs::create_directory(destination_ + "/" + name, ignored);
      grow(name + "/", depth + 1);
    }
  }

  std::mt19937 rng_;
  std::string source_, destination_;
};

// Every folder ("/") and file (a hash of its contents) below `root`, by relative path.
std::map<std::string, std::size_t> contentsOf(const std::string& root) {
  std::map<std::string, std::size_t> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    found[fs::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : "")] =
        std::hash<std::string>()(entry.is_directory() ? "" : readFile(entry.path().string()));
  }
  return found;
}

class FileTreeRsyncTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(FileTreeRsyncTest, UpdateTreeEndsWhereRsyncUpdateEnds) {
  TempFolder dir;
  RandomTrees(GetParam(), dir / "src", dir / "dst");
  const std::string copies = "cp -a '" + (dir / "src") + "' '" + (dir / "rsrc") + "' && cp -a '" +
                             (dir / "dst") + "' '" + (dir / "rdst") + "' && ";
  const int status = std::system((copies + "rsync -r --update --exclude='*.tmp' '" +
                                  (dir / "rsrc") + "/' '" + (dir / "rdst") + "/'")
                                     .c_str());
  ASSERT_EQ(status, 0) << "rsync is missing? run scripts/bootstrap";
  RealTree real;
  real.tree.ExtensionToSkip(u"tmp");
  real.tree.SourceDir = u(dir / "src");
  real.tree.DestinationDir = u(dir / "dst");
  EXPECT_TRUE(real.tree.UpdateTree());
  for (const auto& line : real.lines) EXPECT_NE(line.color, kRed) << text::toUtf8(line.text);
  EXPECT_TRUE(real.services.fake.windowing.messages.empty());
  EXPECT_EQ(contentsOf(dir / "dst"), contentsOf(dir / "rdst"));
  // A second run finds the tree up to date: the heading, "Skipping: TMP", the
  // spacers and "OK!".
  real.lines.clear();
  EXPECT_TRUE(real.tree.UpdateTree());
  EXPECT_EQ(real.lines.size(), 7u) << "a second run copied again";
}

INSTANTIATE_TEST_SUITE_P(Seeds, FileTreeRsyncTest, ::testing::Values(1, 2, 3, 4, 5, 6));

}  // namespace
}  // namespace sigpatch
