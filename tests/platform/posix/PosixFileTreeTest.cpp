// The folder-tree synchroniser on real temporary trees through the POSIX
// file-system service and the real clock.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "PosixTestSupport.h"
#include "app/AppMain.h"
#include "app/Application.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "ui/frmMain.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using sigpatch::testing::asNobody;
using sigpatch::testing::black;
using sigpatch::testing::blue;
using sigpatch::testing::kSpacer;
using Line = sigpatch::testing::TreeLine;
using sigpatch::testing::readFile;
using sigpatch::testing::red;
using sigpatch::testing::setTimes;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

struct stat statOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

bool exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// The lines as one text a line, "colour<TAB>text", to pass from a child process.
std::string serialise(const std::vector<Line>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += std::to_string(line.color) + "\t" + text::toUtf8(line.text) + "\n";
  }
  return out;
}

std::vector<Line> parse(const std::string& serialised) {
  std::vector<Line> lines;
  std::istringstream in(serialised);
  std::string row;
  while (std::getline(in, row)) {
    const auto tab = row.find('\t');
    lines.push_back({u(row.substr(tab + 1)), std::stoi(row.substr(0, tab))});
  }
  return lines;
}

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
    tree->StatusChange.connect([this](std::u16string_view folder) { app->AM()->UpdateStatusBar(folder); });
    tree->FileTreeChange.connect([this](std::u16string_view line, std::int32_t& color) {
      lines.push_back({std::u16string(line), color});
    });
  }

  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return u(at(name)); }
  void mkdirs(const std::string& name) { std::filesystem::create_directories(at(name)); }
  // A file written ten days ago, last read then too.
  void oldFile(const std::string& name, const std::string& bytes, mode_t mode = 0644) {
    mkdirs(std::filesystem::path(name).parent_path().string());
    writeFile(at(name), bytes, mode);
    setTimes(at(name), tenDaysAgo, tenDaysAgo);
  }
  std::vector<std::u16string> messages() const {
    std::vector<std::u16string> prompts;
    for (const auto& message : fake.windowing.messages) prompts.push_back(message.prompt);
    return prompts;
  }

  sigpatch::testing::ScopedTimeZone tz{"CET-1"};
  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService service;
  platform::posix::PosixSystem system;
  TempFolder dir;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  std::vector<Line> lines;
  const time_t tenDaysAgo = time(nullptr) - 10 * 86400;
};

// --- UpdateTree -----------------------------------------------------------------

TEST_F(PosixFileTreeTest, UpdateTreeCopiesContentsAndDatesAndMakesTheFolders) {
  oldFile("src/a.txt", "alpha");
  oldFile("src/sub/deep/c.dat", std::string("\0\x80\xff", 3), 0444);
  tree->SourceDir = path("src");
  tree->DestinationDir = path("dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + path("dst") + u" with files from " + path("src")),
                kSpacer,
                black(u"Folder " + path("dst") + u" created"),
                black(u"Folder " + path("dst/sub") + u" created"),
                black(u"Folder " + path("dst/sub/deep") + u" created"),
                black(u"File c.dat copied from " + path("src/sub/deep/") + u" to " +
                      path("dst/sub/deep/")),
                black(u"File a.txt copied from " + path("src/") + u" to " + path("dst/")),
                kSpacer,
                black(u"OK!"),
                kSpacer,
            }));
  EXPECT_EQ(readFile(at("dst/a.txt")), "alpha");
  EXPECT_EQ(readFile(at("dst/sub/deep/c.dat")), std::string("\0\x80\xff", 3));
  EXPECT_EQ(statOf(at("dst/a.txt")).st_mtim.tv_sec, tenDaysAgo);
  EXPECT_EQ(statOf(at("dst/sub/deep/c.dat")).st_mode & 0777, 0444u);
  EXPECT_EQ(app->AM()->frm()->sbInfo().PanelText(u"Info"), u"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(PosixFileTreeTest, UpdateTreeReplacesAnOlderReadOnlyFileAndLeavesANewerOne) {
  oldFile("src/old-at-dst.txt", "new contents");
  oldFile("dst/old-at-dst.txt", "old", 0444);
  setTimes(at("dst/old-at-dst.txt"), tenDaysAgo - 60, tenDaysAgo - 60);
  oldFile("src/new-at-dst.txt", "source");
  oldFile("dst/new-at-dst.txt", "changed at the destination", 0444);
  setTimes(at("dst/new-at-dst.txt"), tenDaysAgo + 60, tenDaysAgo + 60);
  tree->SourceDir = path("src");
  tree->DestinationDir = path("dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(readFile(at("dst/old-at-dst.txt")), "new contents");
  EXPECT_EQ(readFile(at("dst/new-at-dst.txt")), "changed at the destination");
  EXPECT_EQ(lines.at(2),
            black(u"File old-at-dst.txt copied from " + path("src/") + u" to " + path("dst/")));
  EXPECT_EQ(lines.size(), 6u);
}

TEST_F(PosixFileTreeTest, UpdateTreeRefusesADestinationInsideTheSource) {
  oldFile("data/a.txt", "a");
  tree->SourceDir = path("data");
  tree->DestinationDir = path("data/backup");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines.at(2),
            red(path("data/backup") + u" starts with " + path("data") + u", skipping..."));
  EXPECT_FALSE(exists(at("data/backup")));
}

TEST_F(PosixFileTreeTest, ACopyThatFailsIsReportedInRed) {
  oldFile("src/a.txt", "a");
  tree->SourceDir = path("src/a.txt");
  tree->DestinationDir = path("missing/a.txt");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + path("missing/a.txt") + u" with files from " +
                      path("src/a.txt")),
                kSpacer,
                red(u"Failed to copy file a.txt from " + path("src/") + u" to " + path("missing/")),
                kSpacer,
                red(u"There where some errors!"),
                kSpacer,
            }));
}

TEST_F(PosixFileTreeTest, MissingPathsAndSkippedExtensionsHaveTheirLines) {
  oldFile("src/a.TMP", "skipped");
  oldFile("src/b.txt", "b");
  tree->ExtensionToSkip(u"tmp");
  tree->SourceDir = path("src");
  tree->DestinationDir = path("dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + path("dst") + u" with files from " + path("src")),
                kSpacer,
                black(u"Skipping: TMP"),
                kSpacer,
                black(u"Folder " + path("dst") + u" created"),
                black(u"File b.txt copied from " + path("src/") + u" to " + path("dst/")),
                kSpacer,
                black(u"OK!"),
                kSpacer,
            }));
  EXPECT_FALSE(exists(at("dst/a.TMP")));

  lines.clear();
  tree->SourceDir = u"";
  EXPECT_FALSE(tree->UpdateTree());
  tree->SourceDir = path("src");
  tree->DestinationDir = u"";
  EXPECT_FALSE(tree->UpdateTree());
  tree->SourceDir = path("nope");
  tree->EmptyFolder(0);
  tree->RemoveEmptySubFolders();
  tree->RemoveOldFile(0);
  std::vector<Line> reported;
  for (const auto& line : lines) {
    if (line != kSpacer && !line.text.starts_with(u"Update files in ") &&
        !line.text.starts_with(u"Delet") && !line.text.starts_with(u"Skipping: ") &&
        line.text != u"There where some errors!") {
      reported.push_back(line);
    }
  }
  EXPECT_EQ(reported, (std::vector<Line>{
                          red(u"No Source path!"),
                          red(u"No Destination path!"),
                          black(u"Folder " + path("nope") + u" does not exist"),
                          black(u"Folder " + path("nope") + u" does not exist"),
                          black(u"File " + path("nope") + u" does not exist"),
                      }));
}

// --- CreatePath and DeleteFolder -----------------------------------------------

TEST_F(PosixFileTreeTest, CreatePathMakesAFourDeepPathOutermostFirst) {
  tree->CreatePath(path("a/b/c/d/"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + path("a") + u" created"),
                       black(u"Folder " + path("a/b") + u" created"),
                       black(u"Folder " + path("a/b/c") + u" created"),
                       black(u"Folder " + path("a/b/c/d") + u" created"),
                   }));
  EXPECT_TRUE(S_ISDIR(statOf(at("a/b/c/d")).st_mode));

  lines.clear();
  tree->CreatePath(u"/");
  tree->CreatePath(path("a/b/c/d"));
  EXPECT_TRUE(lines.empty());

  writeFile(at("f"), "a file in the way");
  tree->CreatePath(path("f/x"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       red(u"Failed to create folder " + path("f")),
                       red(u"Failed to create folder " + path("f/x")),
                   }));
}

TEST_F(PosixFileTreeTest, DeleteFolderRefusesAReadOnlyFileInside) {
  oldFile("t/ro/a.txt", "a", 0444);
  oldFile("t/rofolder/b.txt", "b");
  chmod(at("t/rofolder").c_str(), 0555);
  tree->DeleteFolder(path("t/ro"));
  tree->DeleteFolder(path("t/rofolder"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       red(u"Failed to delete folder " + path("t/ro")),
                       black(u"Folder " + path("t/rofolder") + u" deleted"),
                   }));
  EXPECT_TRUE(exists(at("t/ro/a.txt")));
  EXPECT_FALSE(exists(at("t/rofolder")));
}

// --- EmptyFolder, RemoveOldFile, RemoveEmptySubFolders --------------------------

TEST_F(PosixFileTreeTest, EmptyFolderOfAnOldTreeRemovesEverythingButTheFolderItself) {
  oldFile("t/a/x.txt", "x", 0444);
  oldFile("t/a/b/y.txt", "y");
  oldFile("t/z.txt", "z");
  tree->SourceDir = path("t");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + path("t") + u" older than 0 days"),
                       kSpacer,
                       black(u"File " + path("t/a/b/y.txt") + u" deleted"),
                       black(u"Folder " + path("t/a/b") + u" deleted"),
                       black(u"File " + path("t/a/x.txt") + u" deleted"),
                       black(u"Folder " + path("t/a") + u" deleted"),
                       black(u"File " + path("t/z.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_TRUE(exists(at("t")));
  EXPECT_TRUE(std::filesystem::is_empty(at("t")));
}

TEST_F(PosixFileTreeTest, EmptyFolderKeepsEveryFolderOnThePathOfARecentFile) {
  oldFile("t/a/x.txt", "x");
  oldFile("t/a/b/new.txt", "new");
  // An hour ahead, so that no second passing during the test makes it old.
  setTimes(at("t/a/b/new.txt"), time(nullptr) + 3600, time(nullptr) + 3600);
  oldFile("t/z.txt", "z");
  tree->SourceDir = path("t");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + path("t") + u" older than 0 days"),
                       kSpacer,
                       blue(u"File " + path("t/a/b/new.txt") + u" not deleted"),
                       blue(u"Folder " + path("t/a/b") + u" skipped"),
                       black(u"File " + path("t/a/x.txt") + u" deleted"),
                       blue(u"Folder " + path("t/a") + u" skipped"),
                       black(u"File " + path("t/z.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_EQ(readFile(at("t/a/b/new.txt")), "new");
  EXPECT_FALSE(exists(at("t/a/x.txt")));
}

TEST_F(PosixFileTreeTest, EmptyFolderLeavesWhatALinkLeadsTo) {
  oldFile("outside/keep.txt", "not the tree's");
  mkdirs("t");
  ASSERT_EQ(symlink(at("outside").c_str(), at("t/link").c_str()), 0);
  tree->SourceDir = path("t");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines.at(2), blue(u"Folder " + path("t/link") + u" skipped"));
  EXPECT_EQ(readFile(at("outside/keep.txt")), "not the tree's");
}

TEST_F(PosixFileTreeTest, RemoveOldFileDeletesAnOldFileOnly) {
  oldFile("d/old.txt", "old", 0444);
  tree->SourceDir = path("d/old.txt");
  tree->RemoveOldFile(5);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Deleting " + path("d/old.txt") + u" if it's older than 5 days"),
                       kSpacer,
                       black(u"File " + path("d/old.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_FALSE(exists(at("d/old.txt")));
  lines.clear();
  oldFile("d/young.txt", "young");
  setTimes(at("d/young.txt"), time(nullptr) - 86400, time(nullptr) - 86400);
  tree->SourceDir = path("d/young.txt");
  tree->RemoveOldFile(5);
  EXPECT_EQ(lines.at(2), black(u"File " + path("d/young.txt") + u" not deleted"));
}

TEST_F(PosixFileTreeTest, RemoveEmptySubFoldersDeletesOnlyFoldersWithoutFiles) {
  mkdirs("t/empty/inner");
  oldFile("t/nested/inner/file.txt", "f");
  oldFile("outside/keep.txt", "k");
  mkdirs("empty-outside");
  ASSERT_EQ(symlink(at("empty-outside").c_str(), at("t/link").c_str()), 0);
  tree->SourceDir = path("t");
  tree->RemoveEmptySubFolders();
  ASSERT_EQ(lines.size(), 6u);
  std::vector<Line> middle(lines.begin() + 2, lines.end() - 1);
  std::sort(middle.begin(), middle.end(),
            [](const Line& a, const Line& b) { return a.text < b.text; });
  EXPECT_EQ(middle, (std::vector<Line>{
                        black(u"Folder " + path("t/empty") + u" deleted"),
                        black(u"Folder " + path("t/link") + u" deleted"),
                        blue(u"Folder " + path("t/nested") + u" skipped"),
                    }));
  EXPECT_EQ(readFile(at("t/nested/inner/file.txt")), "f");
  // The link went; the folder it led to stayed.
  EXPECT_TRUE(exists(at("empty-outside")));
}

// --- Folders that cannot be read --------------------------------------------------

// As root (which CI is) every folder can be read: the walk runs in a child as
// the user nobody, who makes the tree and locks one folder of it.
TEST_F(PosixFileTreeTest, AnUnreadableFolderIsReportedInRedAsPermissionDenied) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const int code = asNobody([&] {
    close(pipeFds[0]);
    oldFile("t/locked/y.txt", "y");
    oldFile("t/z.txt", "z");
    mkdirs("u/locked");
    if (chmod(at("t/locked").c_str(), 0) != 0 || chmod(at("u/locked").c_str(), 0) != 0) return 3;
    tree->SourceDir = path("t");
    tree->EmptyFolder(0);
    tree->SourceDir = path("u");
    tree->RemoveEmptySubFolders();
    sigpatch::testing::writeAll(pipeFds[1], serialise(lines));
    return fake.windowing.messages.empty() ? 0 : 4;
  });
  close(pipeFds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeFds[0]);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(parse(output),
            (std::vector<Line>{
                black(u"Delete everything in " + path("t") + u" older than 0 days"),
                kSpacer,
                red(u"Permission denied (" + path("t/locked") + u")"),
                blue(u"Folder " + path("t/locked") + u" skipped"),
                black(u"File " + path("t/z.txt") + u" deleted"),
                kSpacer,
                black(u"Delete all folders in " + path("u") + u" not containing any files"),
                kSpacer,
                red(u"Permission denied (" + path("u") + u")"),
                kSpacer,
            }));
  EXPECT_TRUE(exists(at("t/locked")));
  EXPECT_TRUE(exists(at("u/locked")));
}

}  // namespace
}  // namespace sigpatch
