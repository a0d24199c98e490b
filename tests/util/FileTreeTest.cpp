// The folder-tree synchroniser against the fake disk, in both path styles: every
// line it reports, in order and colour, what it does to the disk, its faults.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/ObjectFactory.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "ui/frmMain.h"
#include "util/FileTree.h"
#include "util/TreeDisk.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using fakes::ImmediateStop;
using runtime::PathStyle;

using testing::black;
using testing::blue;
using testing::kSpacer;
using Line = testing::TreeLine;
using testing::red;
using testing::status;

// The fake windowing layer, telling whenever a status bar is drawn again.
class StatusWatchingWindowing : public fakes::FakeWindowing {
 public:
  void StatusRefreshed(toolkit::headless::HeadlessWindow& /*form*/,
                       const toolkit::headless::HeadlessStatusBar& bar) override {
    if (onStatus) onStatus(bar.PanelText(u"Info"));
  }
  std::function<void(std::u16string)> onStatus;
};

class FileTreeTest : public ::testing::TestWithParam<PathStyle> {
 protected:
  FileTreeTest() : service(GetParam()) {
    fake.Set([&](platform::Platform& services) {
      services.windowing = &windowing;
      services.fileSystem = &service;
      services.system = &system;
    });
    // The drive of the Windows paths.
    if (windows()) service.disk.AddFolder(u"/C:");
    windowing.onStatus = [this](std::u16string text) { trace.push_back(status(text)); };
    app.emplace();
    tree.emplace(GetParam());
    tree->InitMyObjects(&*app);
    tree->StatusChange.connect([this](std::u16string_view folder) { app->AM()->UpdateStatusBar(folder); });
    tree->FileTreeChange.connect([this](std::u16string_view text, std::int32_t& color) {
      lines.push_back({std::u16string(text), color});
      trace.push_back({std::u16string(text), color});
    });
  }

  bool windows() const { return GetParam() == PathStyle::Windows; }
  // A path of the test written in the style under test: "/src/a" is C:\src\a
  // in the Windows style.
  std::u16string p(std::u16string_view posix) const {
    if (!windows()) return std::u16string(posix);
    std::u16string path = u"C:" + std::u16string(posix);
    for (auto& c : path) {
      if (c == u'/') c = u'\\';
    }
    return path;
  }
  std::u16string d(std::u16string_view posix) const { return service.toDisk(p(posix)); }

  fakes::FakeNode& file(std::u16string_view path, std::string bytes,
                        platform::Clock::TimePoint modified) {
    auto& node = service.disk.AddFile(d(path), std::move(bytes));
    node.modified = modified;
    node.accessed = modified;
    return node;
  }
  void folder(std::u16string_view path) { service.disk.AddFolder(d(path)); }
  bool has(std::u16string_view path) { return service.disk.Has(d(path)); }
  std::string bytes(std::u16string_view path) { return service.disk.Node(d(path)).bytes; }
  void fault(std::u16string_view operation, std::u16string_view path, std::int32_t number) {
    service.faults[std::u16string(operation) + u" " + p(path)] = number;
  }

  platform::Clock::TimePoint now() const { return fake.clock.now; }
  std::u16string statusText() { return app->AM()->frm()->sbInfo().PanelText(u"Info"); }
  std::vector<std::u16string> messages() const {
    std::vector<std::u16string> prompts;
    for (const auto& message : windowing.messages) prompts.push_back(message.prompt);
    return prompts;
  }

  // The tree most tests synchronise: a file, a folder two deep, another file.
  void sourceTree() {
    file(u"/src/a.txt", "A", now() - 1h);
    file(u"/src/sub/b.txt", "B", now() - 2h);
    file(u"/src/sub/deep/c.txt", "C", now() - 3h);
    file(u"/src/z.txt", "Z", now() - 4h);
  }
  void update(std::u16string_view source, std::u16string_view destination) {
    tree->SourceDir = p(source);
    tree->DestinationDir = p(destination);
  }

  fakes::FakePlatform fake;
  StatusWatchingWindowing windowing;
  testing::TreeDiskService service;
  fakes::FakeSystem system;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  std::vector<Line> lines;
  // The lines and the status texts in the order they came.
  std::vector<Line> trace;
};

INSTANTIATE_TEST_SUITE_P(Styles, FileTreeTest,
                         ::testing::Values(PathStyle::Posix, PathStyle::Windows),
                         [](const auto& style) {
                           return style.param == PathStyle::Windows ? "Windows" : "Posix";
                         });

// --- UpdateTree ---------------------------------------------------------------

TEST_P(FileTreeTest, UpdateTreeCopiesAMissingTreeSubFoldersBeforeFiles) {
  sourceTree();
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(
      lines,
      (std::vector<Line>{
          black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
          kSpacer,
          black(u"Folder " + p(u"/dst") + u" created"),
          black(u"Folder " + p(u"/dst/sub") + u" created"),
          black(u"Folder " + p(u"/dst/sub/deep") + u" created"),
          black(u"File c.txt copied from " + p(u"/src/sub/deep/") + u" to " + p(u"/dst/sub/deep/")),
          black(u"File b.txt copied from " + p(u"/src/sub/") + u" to " + p(u"/dst/sub/")),
          black(u"File a.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
          black(u"File z.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
          kSpacer,
          black(u"OK!"),
          kSpacer,
      }));
  EXPECT_EQ(bytes(u"/dst/a.txt"), "A");
  EXPECT_EQ(bytes(u"/dst/sub/b.txt"), "B");
  EXPECT_EQ(bytes(u"/dst/sub/deep/c.txt"), "C");
  EXPECT_EQ(service.disk.Node(d(u"/dst/sub/deep/c.txt")).modified, now() - 3h);
  EXPECT_TRUE(windowing.messages.empty());
}

TEST_P(FileTreeTest, UpdateTreeShowsEachFolderInTheStatusBarBeforeItsFiles) {
  sourceTree();
  update(u"/src", u"/dst");
  const int pumpsBefore = windowing.doEventsCalls;
  tree->UpdateTree();
  EXPECT_EQ(
      trace,
      (std::vector<Line>{
          black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
          kSpacer,
          black(u"Folder " + p(u"/dst") + u" created"),
          black(u"Folder " + p(u"/dst/sub") + u" created"),
          black(u"Folder " + p(u"/dst/sub/deep") + u" created"),
          status(p(u"/src/sub/deep")),
          black(u"File c.txt copied from " + p(u"/src/sub/deep/") + u" to " + p(u"/dst/sub/deep/")),
          status(p(u"/src/sub")),
          black(u"File b.txt copied from " + p(u"/src/sub/") + u" to " + p(u"/dst/sub/")),
          status(p(u"/src")),
          black(u"File a.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
          black(u"File z.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
          kSpacer,
          black(u"OK!"),
          status(u""),
          kSpacer,
      }));
  EXPECT_EQ(statusText(), u"");
  // Window events ran before each of the two sub-folders, at each of the three
  // folders and before each of the four files.
  EXPECT_EQ(windowing.doEventsCalls - pumpsBefore, 2 + 3 + 4);
}

TEST_P(FileTreeTest, UpdateTreeLetsQueuedWindowEventsRunDuringTheWalk) {
  sourceTree();
  update(u"/src", u"/dst");
  std::size_t linesWhenRun = 0;
  windowing.Queue([&] { linesWhenRun = lines.size(); });
  tree->UpdateTree();
  // Before the walk went into the first sub-folder.
  EXPECT_EQ(linesWhenRun, 3u);
}

TEST_P(FileTreeTest, UpdateTreeCopiesOnlyFilesThatAreMissingOrNewerToTheSecond) {
  const auto t = now() - 24h;
  file(u"/src/newer.txt", "new", t);
  file(u"/dst/newer.txt", "stale", t - 2s);
  file(u"/src/older.txt", "old", t - 2s);
  file(u"/dst/older.txt", "changed at the destination", t);
  file(u"/src/same.txt", "same", t);
  file(u"/dst/same.txt", "same", t);
  // Within one second: the file date texts are equal.
  file(u"/src/second.txt", "later in the second", t + 900ms);
  file(u"/dst/second.txt", "earlier in the second", t + 100ms);
  file(u"/src/missing.txt", "missing", t);
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                kSpacer,
                black(u"File newer.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
                black(u"File missing.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
                kSpacer,
                black(u"OK!"),
                kSpacer,
            }));
  EXPECT_EQ(bytes(u"/dst/newer.txt"), "new");
  EXPECT_EQ(bytes(u"/dst/older.txt"), "changed at the destination");
  EXPECT_EQ(bytes(u"/dst/second.txt"), "earlier in the second");
  EXPECT_EQ(bytes(u"/dst/missing.txt"), "missing");
}

TEST_P(FileTreeTest, DontReplaceExistingFilesLeavesEveryExistingFile) {
  file(u"/src/a.txt", "new", now());
  file(u"/dst/a.txt", "old", now() - 100h);
  file(u"/src/b.txt", "b", now());
  tree->DontReplaceExistingFiles = true;
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(bytes(u"/dst/a.txt"), "old");
  EXPECT_EQ(bytes(u"/dst/b.txt"), "b");
  EXPECT_EQ(lines.at(2), black(u"File b.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")));
  EXPECT_EQ(lines.size(), 6u);
}

TEST_P(FileTreeTest, OnlyLogErrorsLeavesOutCopiedFilesAndCreatedFolders) {
  sourceTree();
  tree->OnlyLogErrors = true;
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                       kSpacer,
                       kSpacer,
                       black(u"OK!"),
                       kSpacer,
                   }));
  EXPECT_EQ(bytes(u"/dst/sub/deep/c.txt"), "C");
}

TEST_P(FileTreeTest, OnlyLogErrorsStillReportsFailures) {
  file(u"/src/a.txt", "A", now());
  folder(u"/dst");
  fault(u"CopyFile", u"/dst/a.txt", err::kPermissionDenied);
  tree->OnlyLogErrors = true;
  update(u"/src", u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                kSpacer,
                red(u"Failed to copy file a.txt from " + p(u"/src/") + u" to " + p(u"/dst/")),
                kSpacer,
                red(u"There where some errors!"),
                kSpacer,
            }));
}

TEST_P(FileTreeTest, SkippedExtensionsAreListedAfterTheHeadingAndNotCopied) {
  file(u"/src/a.TMP", "a", now());
  file(u"/src/b.bak", "b", now());
  file(u"/src/c.txt", "c", now());
  tree->ExtensionToSkip(u"tmp");
  tree->ExtensionToSkip(u"Bak");
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                       kSpacer,
                       black(u"Skipping: TMP, BAK"),
                       kSpacer,
                       black(u"Folder " + p(u"/dst") + u" created"),
                       black(u"File c.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
                       kSpacer,
                       black(u"OK!"),
                       kSpacer,
                   }));
  EXPECT_FALSE(has(u"/dst/a.TMP"));
  EXPECT_FALSE(has(u"/dst/b.bak"));
}

TEST_P(FileTreeTest, TheSkipSetIgnoresCaseAndKeepsTheOrderOfAdding) {
  EXPECT_EQ(tree->ListExtensionsToSkip(), u"");
  EXPECT_FALSE(tree->CheckExtension(u"exe"));
  tree->ExtensionToSkip(u"exe");
  tree->ExtensionToSkip(u"tmp");
  tree->ExtensionToSkip(u"TMP");
  tree->ExtensionToSkip(u"Exe");
  EXPECT_EQ(tree->ListExtensionsToSkip(), u"EXE, TMP");
  EXPECT_TRUE(tree->CheckExtension(u"Tmp"));
  EXPECT_TRUE(tree->CheckExtension(u"EXE"));
  EXPECT_FALSE(tree->CheckExtension(u"txt"));
  EXPECT_FALSE(tree->CheckExtension(u""));
  tree->ExtensionToSkip(u"\u00e4rger");
  EXPECT_EQ(tree->ListExtensionsToSkip(), u"EXE, TMP, \u00c4RGER");
  EXPECT_TRUE(tree->CheckExtension(u"\u00c4rger"));
}

TEST_P(FileTreeTest, ASkipSetOfBlanksGivesNoSkippingLine) {
  file(u"/src/a.txt", "a", now());
  tree->ExtensionToSkip(u" ");
  update(u"/src", u"/dst");
  tree->UpdateTree();
  EXPECT_EQ(lines.at(2), black(u"Folder " + p(u"/dst") + u" created"));
}

TEST_P(FileTreeTest, UpdateTreeRefusesADestinationThatBeginsWithTheSource) {
  file(u"/Data/a.txt", "a", now());
  for (const auto* destination : {u"/Data/Backup", u"/DataCopy", u"/data/backup"}) {
    SCOPED_TRACE(text::toUtf8(destination));
    lines.clear();
    update(u"/Data", destination);
    EXPECT_FALSE(tree->UpdateTree());
    EXPECT_EQ(lines,
              (std::vector<Line>{
                  black(u"Update files in " + p(destination) + u" with files from " + p(u"/Data")),
                  kSpacer,
                  red(p(destination) + u" starts with " + p(u"/Data") + u", skipping..."),
                  kSpacer,
                  red(u"There where some errors!"),
                  kSpacer,
              }));
    EXPECT_FALSE(has(destination));
  }
}

TEST_P(FileTreeTest, UpdateTreeNeedsBothPaths) {
  file(u"/src/a.txt", "a", now());
  tree->SourceDir = u"";
  tree->DestinationDir = p(u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Update files in " + p(u"/dst") + u" with files from "),
                       kSpacer,
                       red(u"No Source path!"),
                       kSpacer,
                       red(u"There where some errors!"),
                       kSpacer,
                   }));
  lines.clear();
  tree->SourceDir = p(u"/src");
  tree->DestinationDir = u"";
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines.at(2), red(u"No Destination path!"));
  EXPECT_FALSE(has(u"/dst"));
}

TEST_P(FileTreeTest, ASourceThatNamesAFileIsCopiedToTheDestinationPath) {
  file(u"/src/a.txt", "new", now() - 1h);
  folder(u"/dst");
  update(u"/src/a.txt", u"/dst/b.txt");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines.at(2), black(u"File a.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")));
  EXPECT_EQ(bytes(u"/dst/b.txt"), "new");

  // Now the destination is as new as the source: nothing more happens.
  lines.clear();
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.at(3), black(u"OK!"));
}

TEST_P(FileTreeTest, AnOlderReadOnlyDestinationIsOverwritten) {
  file(u"/src/a.txt", "new", now());
  file(u"/dst/a.txt", "old", now() - 48h).attributes = platform::attr::kReadOnly;
  update(u"/src", u"/dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(bytes(u"/dst/a.txt"), "new");
  EXPECT_EQ(lines.at(2), black(u"File a.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")));
}

TEST_P(FileTreeTest, AFailedCopyIsReportedInRedAndTheWalkGoesOn) {
  file(u"/src/a.txt", "a", now());
  file(u"/src/b.txt", "b", now());
  folder(u"/dst");
  fault(u"CopyFile", u"/dst/a.txt", err::kDiskFull);
  update(u"/src", u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                kSpacer,
                red(u"Failed to copy file a.txt from " + p(u"/src/") + u" to " + p(u"/dst/")),
                black(u"File b.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
                kSpacer,
                red(u"There where some errors!"),
                kSpacer,
            }));
  EXPECT_TRUE(windowing.messages.empty());
}

TEST_P(FileTreeTest, AFolderThatCannotBeMadeIsAFailureEvenWithNothingToCopyIntoIt) {
  folder(u"/src/empty");
  folder(u"/dst");
  fault(u"CreateFolder", u"/dst/empty", err::kPermissionDenied);
  update(u"/src", u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                       kSpacer,
                       red(u"Failed to create folder " + p(u"/dst/empty")),
                       kSpacer,
                       red(u"There where some errors!"),
                       kSpacer,
                   }));

  // The files meant for a folder that could not be made fail one by one.
  lines.clear();
  file(u"/src/sub/x.txt", "x", now());
  fault(u"CreateFolder", u"/dst/sub", err::kPermissionDenied);
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(
      std::vector<Line>(lines.begin() + 2, lines.end() - 3),
      (std::vector<Line>{
          red(u"Failed to create folder " + p(u"/dst/empty")),
          red(u"Failed to create folder " + p(u"/dst/sub")),
          red(u"Failed to copy file x.txt from " + p(u"/src/sub/") + u" to " + p(u"/dst/sub/")),
      }));
}

TEST_P(FileTreeTest, AFaultInAFolderIsReportedAndLeavesTheRestOfThatFolder) {
  file(u"/src/sub/a.txt", "a", now());
  file(u"/src/sub/b.txt", "b", now());
  file(u"/src/c.txt", "c", now());
  file(u"/dst/sub/a.txt", "old a", now() - 1h);
  fault(u"GetFile", u"/src/sub/a.txt", err::kDeviceIOError);
  update(u"/src", u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(messages(),
            (std::vector<std::u16string>{u"sigpatch.FileTree.pUpdateTree: 57, Device I/O error"}));
  EXPECT_EQ(windowing.messages.at(0).title, u"Sigpatch");
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Update files in " + p(u"/dst") + u" with files from " + p(u"/src")),
                       kSpacer,
                       black(u"File c.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/")),
                       kSpacer,
                       red(u"There where some errors!"),
                       kSpacer,
                   }));
  EXPECT_FALSE(has(u"/dst/sub/b.txt"));
}

TEST_P(FileTreeTest, AnUnreadableSourceFolderIsReportedAsAnErrorReport) {
  file(u"/src/locked/a.txt", "a", now());
  file(u"/src/b.txt", "b", now());
  fault(u"SubFolders", u"/src/locked", err::kPermissionDenied);
  update(u"/src", u"/dst");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(messages(),
            (std::vector<std::u16string>{u"sigpatch.FileTree.pUpdateTree: 70, Permission denied"}));
  EXPECT_TRUE(has(u"/dst/b.txt"));
  EXPECT_EQ(lines.at(lines.size() - 2), red(u"There where some errors!"));
}

TEST_P(FileTreeTest, WithoutTheServiceTheProgramStopsAtOnce) {
  sourceTree();
  service.available = false;
  update(u"/src", u"/dst");
  EXPECT_THROW(tree->UpdateTree(), ImmediateStop);
  EXPECT_EQ(messages(), (std::vector<std::u16string>{u"Windows Scripting Host not available!"}));
  EXPECT_EQ(windowing.messages.at(0).style, toolkit::MsgBoxStyle::OkOnly);
  EXPECT_EQ(windowing.messages.at(0).title, u"Sigpatch");
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_FALSE(has(u"/dst"));
}

TEST_P(FileTreeTest, EveryOperationStopsTheProgramWithoutTheService) {
  service.available = false;
  tree->SourceDir = p(u"/t");
  EXPECT_THROW(tree->EmptyFolder(1), ImmediateStop);
  EXPECT_THROW(tree->RemoveOldFile(1), ImmediateStop);
  EXPECT_THROW(tree->RemoveEmptySubFolders(), ImmediateStop);
  EXPECT_THROW(tree->CreatePath(p(u"/a")), ImmediateStop);
  EXPECT_THROW(tree->DeleteFolder(p(u"/a")), ImmediateStop);
  EXPECT_EQ(windowing.messages.size(), 5u);
}

TEST_P(FileTreeTest, TheFileSystemObjectIsMadeOnceAndKept) {
  sourceTree();
  update(u"/src", u"/dst");
  tree->UpdateTree();
  const int created = service.created;
  tree->UpdateTree();
  tree->CreatePath(p(u"/x/y"));
  // One for the synchroniser and one for its file utilities.
  EXPECT_EQ(created, 2);
  EXPECT_EQ(service.created, 2);
}

// --- CreatePath ---------------------------------------------------------------

TEST_P(FileTreeTest, CreatePathMakesEachMissingFolderOutermostFirst) {
  tree->CreatePath(p(u"/a/b/c/d/"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + p(u"/a") + u" created"),
                       black(u"Folder " + p(u"/a/b") + u" created"),
                       black(u"Folder " + p(u"/a/b/c") + u" created"),
                       black(u"Folder " + p(u"/a/b/c/d") + u" created"),
                   }));
  EXPECT_TRUE(service.disk.nodes.at(d(u"/a/b/c/d")).folder);

  lines.clear();
  tree->CreatePath(p(u"/a/b/x/y"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + p(u"/a/b/x") + u" created"),
                       black(u"Folder " + p(u"/a/b/x/y") + u" created"),
                   }));
  lines.clear();
  tree->CreatePath(p(u"/a/b/x/y"));
  EXPECT_TRUE(lines.empty());
}

TEST_P(FileTreeTest, CreatePathOfNothingOrOfTheRootDoesNothing) {
  const auto calls = service.disk.calls.size();
  tree->CreatePath(u"");
  if (windows()) {
    tree->CreatePath(u"D:");
    tree->CreatePath(u"C:");
  } else {
    tree->CreatePath(u"/");
    tree->CreatePath(u"//");
  }
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(service.disk.calls.size(), calls);
}

TEST_P(FileTreeTest, CreatePathReportsEveryFolderItCouldNotMake) {
  fault(u"CreateFolder", u"/a/b", err::kPermissionDenied);
  tree->CreatePath(p(u"/a/b/c"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + p(u"/a") + u" created"),
                       red(u"Failed to create folder " + p(u"/a/b")),
                       red(u"Failed to create folder " + p(u"/a/b/c")),
                   }));

  lines.clear();
  file(u"/f", "a file in the way", now());
  tree->CreatePath(p(u"/f/x"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       red(u"Failed to create folder " + p(u"/f")),
                       red(u"Failed to create folder " + p(u"/f/x")),
                   }));
  EXPECT_TRUE(windowing.messages.empty());
}

TEST_P(FileTreeTest, CreatePathWithOnlyLogErrorsReportsOnlyFailures) {
  tree->OnlyLogErrors = true;
  tree->CreatePath(p(u"/a/b"));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(has(u"/a/b"));
}

// A case of Windows paths only: in POSIX paths ":" is an ordinary character.
class WindowsFileTreeTest : public FileTreeTest {};

INSTANTIATE_TEST_SUITE_P(Styles, WindowsFileTreeTest, ::testing::Values(PathStyle::Windows),
                         [](const auto&) { return "Windows"; });

TEST_P(WindowsFileTreeTest, CreatePathEndsOnAPathThatIsItsOwnParent) {
  service.faults[u"CreateFolder ab:"] = err::kPathNotFound;
  tree->CreatePath(u"ab:");
  EXPECT_EQ(lines, (std::vector<Line>{red(u"Failed to create folder ab:")}));
}

// --- EmptyFolder ----------------------------------------------------------------

TEST_P(FileTreeTest, EmptyFolderOfAnOldTreeRemovesEverythingButTheFolderItself) {
  file(u"/t/a/x.txt", "x", now() - 48h);
  file(u"/t/a/b/y.txt", "y", now() - 48h);
  folder(u"/t/empty");
  file(u"/t/z.txt", "z", now() - 48h);
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_EQ(trace, (std::vector<Line>{
                       black(u"Delete everything in " + p(u"/t") + u" older than 1 days"),
                       kSpacer,
                       status(p(u"/t/a/b")),
                       black(u"File " + p(u"/t/a/b/y.txt") + u" deleted"),
                       black(u"Folder " + p(u"/t/a/b") + u" deleted"),
                       status(p(u"/t/a")),
                       black(u"File " + p(u"/t/a/x.txt") + u" deleted"),
                       black(u"Folder " + p(u"/t/a") + u" deleted"),
                       status(p(u"/t/empty")),
                       black(u"Folder " + p(u"/t/empty") + u" deleted"),
                       status(p(u"/t")),
                       black(u"File " + p(u"/t/z.txt") + u" deleted"),
                       status(u""),
                       kSpacer,
                   }));
  EXPECT_TRUE(has(u"/t"));
  for (const auto& [path, node] : service.disk.nodes) {
    EXPECT_FALSE(path.starts_with(d(u"/t") + u"/")) << text::toUtf8(path);
  }
}

TEST_P(FileTreeTest, ARecentFileKeepsEveryFolderOnItsPath) {
  file(u"/t/a/x.txt", "x", now() - 48h);
  file(u"/t/a/b/y.txt", "y", now() - 48h);
  file(u"/t/a/b/new.txt", "new", now() - 1h);
  file(u"/t/c/old.txt", "old", now() - 48h);
  file(u"/t/read.txt", "read lately", now() - 48h).accessed = now() - 1h;
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + p(u"/t") + u" older than 1 days"),
                       kSpacer,
                       black(u"File " + p(u"/t/a/b/y.txt") + u" deleted"),
                       blue(u"File " + p(u"/t/a/b/new.txt") + u" not deleted"),
                       blue(u"Folder " + p(u"/t/a/b") + u" skipped"),
                       black(u"File " + p(u"/t/a/x.txt") + u" deleted"),
                       blue(u"Folder " + p(u"/t/a") + u" skipped"),
                       black(u"File " + p(u"/t/c/old.txt") + u" deleted"),
                       black(u"Folder " + p(u"/t/c") + u" deleted"),
                       blue(u"File " + p(u"/t/read.txt") + u" not deleted"),
                       kSpacer,
                   }));
  EXPECT_TRUE(has(u"/t/a/b/new.txt"));
  EXPECT_TRUE(has(u"/t/read.txt"));
  EXPECT_FALSE(has(u"/t/a/x.txt"));
  EXPECT_FALSE(has(u"/t/c"));
}

TEST_P(FileTreeTest, EmptyFolderOfAMissingFolderSaysSo) {
  tree->SourceDir = p(u"/nope");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + p(u"/nope") + u" older than 0 days"),
                       kSpacer,
                       black(u"Folder " + p(u"/nope") + u" does not exist"),
                       kSpacer,
                   }));
}

TEST_P(FileTreeTest, EmptyFolderDeletesReadOnlyFilesAndFolders) {
  file(u"/t/ro/a.txt", "a", now() - 48h).attributes = platform::attr::kReadOnly;
  service.disk.Node(d(u"/t/ro")).attributes |= platform::attr::kReadOnly;
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_FALSE(has(u"/t/ro"));
  EXPECT_EQ(lines.at(3), black(u"Folder " + p(u"/t/ro") + u" deleted"));
}

TEST_P(FileTreeTest, AnUnreadableFolderIsReportedInRedAndKept) {
  file(u"/t/locked/a.txt", "a", now() - 48h);
  file(u"/t/broken/b.txt", "b", now() - 48h);
  file(u"/t/c.txt", "c", now() - 48h);
  fault(u"SubFolders", u"/t/locked", err::kPermissionDenied);
  fault(u"Files", u"/t/broken", err::kDeviceIOError);
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + p(u"/t") + u" older than 1 days"),
                       kSpacer,
                       red(u"Permission denied (" + p(u"/t/locked") + u")"),
                       blue(u"Folder " + p(u"/t/locked") + u" skipped"),
                       blue(u"Folder " + p(u"/t/broken") + u" skipped"),
                       black(u"File " + p(u"/t/c.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_EQ(messages(),
            (std::vector<std::u16string>{u"sigpatch.FileTree.pEmptyFolder: 57, Device I/O error"}));
  EXPECT_TRUE(has(u"/t/locked/a.txt"));
  EXPECT_TRUE(has(u"/t/broken/b.txt"));
}

TEST_P(FileTreeTest, AFolderThatCannotBeDeletedIsReportedInRed) {
  file(u"/t/a/x.txt", "x", now() - 48h);
  fault(u"DeleteFolder", u"/t/a", err::kPermissionDenied);
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_EQ(lines.at(3), red(u"Failed to delete folder " + p(u"/t/a")));
  EXPECT_TRUE(has(u"/t/a"));
}

TEST_P(FileTreeTest, EmptyFolderDoesNotFollowALinkOutOfTheTree) {
  file(u"/t/link/elsewhere.txt", "not the tree's", now() - 48h);
  service.disk.Node(d(u"/t/link")).attributes |= platform::attr::kAlias;
  file(u"/t/a.txt", "a", now() - 48h);
  tree->SourceDir = p(u"/t");
  tree->EmptyFolder(1);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + p(u"/t") + u" older than 1 days"),
                       kSpacer,
                       blue(u"Folder " + p(u"/t/link") + u" skipped"),
                       black(u"File " + p(u"/t/a.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_TRUE(has(u"/t/link/elsewhere.txt"));
}

// --- RemoveOldFile --------------------------------------------------------------

TEST_P(FileTreeTest, RemoveOldFileDeletesOnlyAnOldFile) {
  file(u"/d/old.txt", "old", now() - 96h);
  file(u"/d/young.txt", "young", now() - 24h);
  const auto run = [&](std::u16string_view path) {
    lines.clear();
    tree->SourceDir = p(path);
    tree->RemoveOldFile(3);
    return lines;
  };
  const auto heading = [&](std::u16string_view path) {
    return black(u"Deleting " + p(path) + u" if it's older than 3 days");
  };
  EXPECT_EQ(run(u"/d/old.txt"),
            (std::vector<Line>{heading(u"/d/old.txt"), kSpacer,
                               black(u"File " + p(u"/d/old.txt") + u" deleted"), kSpacer}));
  EXPECT_FALSE(has(u"/d/old.txt"));
  EXPECT_EQ(run(u"/d/young.txt"),
            (std::vector<Line>{heading(u"/d/young.txt"), kSpacer,
                               black(u"File " + p(u"/d/young.txt") + u" not deleted"), kSpacer}));
  EXPECT_TRUE(has(u"/d/young.txt"));
  EXPECT_EQ(run(u"/d/old.txt"),
            (std::vector<Line>{heading(u"/d/old.txt"), kSpacer,
                               black(u"File " + p(u"/d/old.txt") + u" does not exist"), kSpacer}));
  EXPECT_EQ(statusText(), u"");
}

TEST_P(FileTreeTest, RemoveOldFileReportsAFault) {
  fault(u"FileExists", u"/d/f.txt", err::kDiskNotReady);
  tree->SourceDir = p(u"/d/f.txt");
  tree->RemoveOldFile(3);
  EXPECT_EQ(messages(),
            (std::vector<std::u16string>{u"sigpatch.FileTree.pRemoveOldFile: 71, Disk not ready"}));
  EXPECT_EQ(lines.size(), 3u);
}

// --- RemoveEmptySubFolders ------------------------------------------------------

TEST_P(FileTreeTest, RemoveEmptySubFoldersKeepsEveryFolderWithAFileBelowIt) {
  folder(u"/t/empty");
  file(u"/t/full/a.txt", "a", now());
  file(u"/t/nested/inner/b.txt", "b", now());
  folder(u"/t/hollow/x/y");
  file(u"/t/top.txt", "top", now() - 480h);
  tree->SourceDir = p(u"/t");
  tree->RemoveEmptySubFolders();
  EXPECT_EQ(trace, (std::vector<Line>{
                       black(u"Delete all folders in " + p(u"/t") + u" not containing any files"),
                       kSpacer,
                       black(u"Folder " + p(u"/t/empty") + u" deleted"),
                       blue(u"Folder " + p(u"/t/full") + u" skipped"),
                       blue(u"Folder " + p(u"/t/nested") + u" skipped"),
                       black(u"Folder " + p(u"/t/hollow") + u" deleted"),
                       status(u""),
                       kSpacer,
                   }));
  EXPECT_TRUE(has(u"/t/full/a.txt"));
  EXPECT_TRUE(has(u"/t/nested/inner/b.txt"));
  EXPECT_TRUE(has(u"/t/top.txt"));
  EXPECT_FALSE(has(u"/t/hollow"));
}

TEST_P(FileTreeTest, RemoveEmptySubFoldersOfAMissingFolderSaysSo) {
  tree->SourceDir = p(u"/nope");
  tree->RemoveEmptySubFolders();
  EXPECT_EQ(lines.at(2), black(u"Folder " + p(u"/nope") + u" does not exist"));
  EXPECT_EQ(lines.size(), 4u);
}

TEST_P(FileTreeTest, RemoveEmptySubFoldersStopsAtAnUnreadableFolder) {
  folder(u"/t/a");
  folder(u"/t/locked");
  folder(u"/t/c");
  fault(u"Files", u"/t/locked", err::kPermissionDenied);
  tree->SourceDir = p(u"/t");
  tree->RemoveEmptySubFolders();
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete all folders in " + p(u"/t") + u" not containing any files"),
                       kSpacer,
                       black(u"Folder " + p(u"/t/a") + u" deleted"),
                       red(u"Permission denied (" + p(u"/t") + u")"),
                       kSpacer,
                   }));
  EXPECT_TRUE(has(u"/t/locked"));
  EXPECT_TRUE(has(u"/t/c"));
  EXPECT_TRUE(windowing.messages.empty());

  lines.clear();
  service.faults.clear();
  fault(u"SubFolders", u"/t", err::kDeviceIOError);
  tree->RemoveEmptySubFolders();
  EXPECT_EQ(messages(), (std::vector<std::u16string>{
                            u"sigpatch.FileTree.pRemoveEmptySubFolders: 57, Device I/O error"}));
}

// --- DeleteFolder ---------------------------------------------------------------

TEST_P(FileTreeTest, DeleteFolderReportsWhatItDid) {
  file(u"/t/a/b/x.txt", "x", now());
  tree->DeleteFolder(p(u"/t/a"));
  EXPECT_FALSE(has(u"/t/a"));
  tree->DeleteFolder(p(u"/t/missing"));
  file(u"/t/ro/y.txt", "y", now()).attributes = platform::attr::kReadOnly;
  tree->DeleteFolder(p(u"/t/ro"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + p(u"/t/a") + u" deleted"),
                       red(u"Failed to delete folder " + p(u"/t/missing")),
                       red(u"Failed to delete folder " + p(u"/t/ro")),
                   }));
  EXPECT_TRUE(has(u"/t/ro/y.txt"));
}

// --- The object, its event and the main window ----------------------------------

class FileTreeWindowTest : public ::testing::Test {
 protected:
  // The factory makes trees in the system's own path style.
  FileTreeWindowTest() : service(runtime::kNativePathStyle) {
    fake.Set([&](platform::Platform& services) {
      services.fileSystem = &service;
      services.system = &system;
    });
    if (windows()) service.disk.AddFolder(u"/C:");
  }

  static bool windows() { return runtime::kNativePathStyle == PathStyle::Windows; }
  // A path of the test in the system's style: "/src/a" is C:\src\a on Windows.
  static std::u16string p(std::u16string_view posix) {
    if (!windows()) return std::u16string(posix);
    std::u16string path = u"C:" + std::u16string(posix);
    for (auto& c : path) {
      if (c == u'/') c = u'\\';
    }
    return path;
  }
  std::u16string d(std::u16string_view posix) const { return service.toDisk(p(posix)); }

  fakes::FakePlatform fake;
  testing::TreeDiskService service;
  fakes::FakeSystem system;
  Application app;
};

TEST_F(FileTreeWindowTest, TheFactoryMakesATreeThatKnowsTheApplication) {
  auto tree = app.OF()->CreateObject_FileTree(&app, p(u"/src"), p(u"/dst"));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->SourceDir, p(u"/src"));
  EXPECT_EQ(tree->DestinationDir, p(u"/dst"));
  EXPECT_FALSE(tree->OnlyLogErrors);
  EXPECT_FALSE(tree->DontReplaceExistingFiles);
  service.disk.AddFile(d(u"/src/a.txt"), "a");
  app.AM()->UpdateStatusBar(u"before");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_TRUE(service.disk.Has(d(u"/dst/a.txt")));
  // It reaches the update-run controller's status bar, which it leaves empty.
  EXPECT_EQ(app.AM()->frm()->sbInfo().PanelText(u"Info"), u"");

  EXPECT_EQ(app.OF()->CreateObject_FileTree(nullptr, p(u"/src"), p(u"/dst")), nullptr);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileTreeWindowTest, ANewTreeHasEmptyPathsAndNoOptions) {
  FileTree tree;
  EXPECT_EQ(tree.SourceDir, u"");
  EXPECT_EQ(tree.DestinationDir, u"");
  EXPECT_FALSE(tree.OnlyLogErrors);
  EXPECT_FALSE(tree.DontReplaceExistingFiles);
  EXPECT_THROW(tree.InitMyObjects(nullptr), RuntimeError);
}

TEST_F(FileTreeWindowTest, ItsLinesReachTheMainWindowInBlack) {
  frmMain& frm = *app.AM()->frm();
  frm.Form().Show();
  auto tree = app.OF()->CreateObject_FileTree(&app, p(u"/src"), p(u"/dst"));
  tree->FileTreeChange.connect([&frm](std::u16string_view strText, std::int32_t& Color) {
    frm.FTC_FileTreeChange(strText, Color);
  });
  service.disk.AddFile(d(u"/src/a.txt"), "a");
  service.disk.AddFile(d(u"/src/b.txt"), "b");
  service.disk.AddFolder(d(u"/dst"));
  service.faults[u"CopyFile " + p(u"/dst/b.txt")] = err::kPermissionDenied;
  EXPECT_FALSE(tree->UpdateTree());
  auto& box = fake.windowing.Form(u"frmMain").RichTextBoxNamed(u"tboOutput");
  EXPECT_EQ(box.Text(),
            u"Sigpatch V1.01.02\r\n \r\n"
            u"Update files in " +
                p(u"/dst") + u" with files from " + p(u"/src") + u"\r\n \r\n" +
                u"File a.txt copied from " + p(u"/src/") + u" to " + p(u"/dst/") + u"\r\n" +
                u"Failed to copy file b.txt from " + p(u"/src/") + u" to " + p(u"/dst/") + u"\r\n" +
                u" \r\nThere where some errors!\r\n \r\n");
  ASSERT_EQ(box.Runs().size(), 1u);
  EXPECT_EQ(box.Runs()[0].Color, 0);
  EXPECT_EQ(frm.sbInfo().PanelText(u"Info"), u"");
}

TEST(FileTreeEventTest, EveryReceiverGetsEveryLineUntilDisconnected) {
  Event<std::u16string_view, std::int32_t&> event;
  std::vector<std::u16string> first;
  std::vector<std::int32_t> seen;
  const auto one = event.connect([&](std::u16string_view text, std::int32_t& color) {
    first.emplace_back(text);
    color = 7;  // a receiver may change the colour; the next line is not affected
  });
  event.connect([&](std::u16string_view, std::int32_t& color) { seen.push_back(color); });
  std::int32_t color = 255;
  event.raise(u"a", color);
  color = 0;
  event.raise(u"b", color);
  event.disconnect(one);
  color = 255;
  event.raise(u"c", color);
  EXPECT_EQ(first, (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(seen, (std::vector<std::int32_t>{7, 7, 255}));
}

TEST(FileTreeEventTest, AReceiverMayDisconnectItselfWhileTheEventRuns) {
  Event<int> event;
  int calls = 0;
  std::int32_t id = 0;
  id = event.connect([&](int) {
    ++calls;
    event.disconnect(id);
  });
  event.raise(1);
  event.raise(2);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(event.connected());
}

}  // namespace
}  // namespace sigpatch
