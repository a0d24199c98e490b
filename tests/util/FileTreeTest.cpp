// The folder-tree synchroniser against the fake disk: every line it reports, in
// order and colour, with the status texts among them. POSIX paths throughout;
// one table holds what depends on the path style (drives, roots, separators).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/ObjectFactory.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "ui/frmMain.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using runtime::PathStyle;
using testing::black;
using testing::blue;
using testing::kSpacer;
using testing::red;
using testing::status;
using Line = testing::TreeLine;
using Lines = std::vector<Line>;
using Texts = std::vector<std::u16string>;

// The fake windowing layer, telling whenever a status bar is drawn again.
class StatusWatchingWindowing : public fakes::FakeWindowing {
 public:
  void StatusRefreshed(toolkit::headless::HeadlessWindow& /*form*/,
                       const toolkit::headless::HeadlessStatusBar& bar) override {
    if (onStatus) onStatus(bar.PanelText(u"Info"));
  }
  std::function<void(std::u16string)> onStatus;
};

// A synchroniser on a fake disk, reporting to the main window's status bar.
struct Rig {
  explicit Rig(PathStyle style = PathStyle::Posix) : service(style) {
    fake.Set([&](platform::Platform& services) {
      services.windowing = &windowing;
      services.fileSystem = &service;
      services.system = &system;
    });
    if (style == PathStyle::Windows) service.disk.AddFolder(u"C:");
    windowing.onStatus = [this](std::u16string text) { trace.push_back(status(text)); };
    app.emplace();
    tree.emplace(style);
    tree->InitMyObjects(&*app);
    tree->StatusChange.connect([this](std::u16string_view f) { app->AM()->UpdateStatusBar(f); });
    tree->FileTreeChange.connect([this](std::u16string_view text, std::int32_t& color) {
      trace.push_back({std::u16string(text), color});
    });
  }

  platform::Clock::TimePoint now() const { return fake.clock.now; }
  fakes::FakeNode& file(const std::u16string& path, std::string bytes, std::chrono::hours age) {
    auto& node = service.disk.AddFile(path, std::move(bytes));
    node.modified = node.accessed = now() - age;
    return node;
  }
  void folder(const std::u16string& path) { service.disk.AddFolder(path); }
  bool has(const std::u16string& path) const { return service.disk.Has(path); }
  void fault(const std::u16string& operation, const std::u16string& path, std::int32_t number) {
    service.disk.faults[operation + u" " + path] = number;
  }
  // The reported lines without the status texts.
  Lines lines() const {
    Lines found = trace;
    std::erase_if(found, [](const Line& line) { return line.color == testing::kStatus; });
    return found;
  }
  Texts messages() const {
    Texts prompts;
    for (const auto& message : windowing.messages) prompts.push_back(message.prompt);
    return prompts;
  }
  // A file, a folder two deep, another file.
  void sourceTree() {
    file(u"/src/a.txt", "A", 1h);
    file(u"/src/sub/b.txt", "B", 2h);
    file(u"/src/sub/deep/c.txt", "C", 3h);
    file(u"/src/z.txt", "Z", 4h);
  }

  fakes::FakePlatform fake;
  StatusWatchingWindowing windowing;
  fakes::FakeFileSystemService service;
  fakes::FakeSystem system;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  // The lines and the status texts in the order they came.
  Lines trace;
};

Line copied(std::u16string_view name, std::u16string_view from, std::u16string_view to) {
  return black(u"File " + std::u16string(name) + u" copied from " + std::u16string(from) + u" to " +
               std::u16string(to));
}

class FileTreeTest : public ::testing::Test, public Rig {};

// --- UpdateTree ---------------------------------------------------------------

TEST_F(FileTreeTest, UpdateTreeMakesAMissingTreeShowingEachFolderBeforeItsFiles) {
  sourceTree();
  tree->SourceDir = u"/src";
  tree->DestinationDir = u"/dst";
  std::size_t linesWhenEventRan = 0;
  windowing.Queue([&] { linesWhenEventRan = trace.size(); });
  const int pumpsBefore = windowing.doEventsCalls;
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(trace,
            (Lines{black(u"Update files in /dst with files from /src"), kSpacer,
                   black(u"Folder /dst created"), black(u"Folder /dst/sub created"),
                   black(u"Folder /dst/sub/deep created"), status(u"/src/sub/deep"),
                   copied(u"c.txt", u"/src/sub/deep/", u"/dst/sub/deep/"), status(u"/src/sub"),
                   copied(u"b.txt", u"/src/sub/", u"/dst/sub/"), status(u"/src"),
                   copied(u"a.txt", u"/src/", u"/dst/"), copied(u"z.txt", u"/src/", u"/dst/"),
                   kSpacer, black(u"OK!"), status(u""), kSpacer}));
  EXPECT_EQ(service.disk.Node(u"/dst/sub/deep/c.txt").bytes, "C");
  EXPECT_EQ(service.disk.Node(u"/dst/sub/deep/c.txt").modified, now() - 3h);
  // Window events ran before each of the two sub-folders, at each of the three
  // folders and before each of the four files: the first before the walk went
  // into a sub-folder.
  EXPECT_EQ(windowing.doEventsCalls - pumpsBefore, 2 + 3 + 4);
  EXPECT_EQ(linesWhenEventRan, 3u);
  EXPECT_TRUE(windowing.messages.empty());
  // One file-system object for the synchroniser and one for its file
  // utilities, kept for the next run.
  tree->UpdateTree();
  tree->CreatePath(u"/x/y");
  EXPECT_EQ(service.created, 2);
}

// A run of UpdateTree, from /src to /dst unless `setup` says otherwise: the
// lines between the heading with its spacer and the closing lines, and the
// error reports. A red line or a report fails the run.
struct UpdateCase {
  const char* name;
  void (*setup)(Rig&);
  Lines middle;
  Texts messages = {};
};

void from(Rig& r, const char16_t* source, const char16_t* destination) {
  r.file(u"/Data/a.txt", "a", 0h);
  r.tree->SourceDir = source;
  r.tree->DestinationDir = destination;
}

const UpdateCase kUpdates[] = {
    {"OnlyFilesMissingOrNewerToTheSecond",
     [](Rig& r) {
       r.file(u"/src/newer.txt", "new", 24h);
       r.file(u"/dst/newer.txt", "stale", 24h).modified -= 2s;
       r.file(u"/src/older.txt", "old", 24h).modified -= 2s;
       r.file(u"/dst/older.txt", "changed at the destination", 24h);
       r.file(u"/src/same.txt", "same", 24h);
       r.file(u"/dst/same.txt", "same", 24h);
       // Within one second: the file date texts are equal.
       r.file(u"/src/second.txt", "later in the second", 24h).modified += 900ms;
       r.file(u"/dst/second.txt", "earlier in the second", 24h).modified += 100ms;
       r.file(u"/src/missing.txt", "missing", 24h);
     },
     {copied(u"newer.txt", u"/src/", u"/dst/"), copied(u"missing.txt", u"/src/", u"/dst/")}},
    {"DontReplaceExistingFiles",
     [](Rig& r) {
       r.file(u"/src/a.txt", "new", 0h);
       r.file(u"/dst/a.txt", "old", 100h);
       r.file(u"/src/b.txt", "b", 0h);
       r.tree->DontReplaceExistingFiles = true;
     },
     {copied(u"b.txt", u"/src/", u"/dst/")}},
    {"OnlyLogErrors",
     [](Rig& r) {
       r.sourceTree();
       r.fault(u"CopyFile", u"/dst/sub/b.txt", err::kPermissionDenied);
       r.tree->OnlyLogErrors = true;
     },
     {red(u"Failed to copy file b.txt from /src/sub/ to /dst/sub/")}},
    {"SkippedExtensionsIgnoringCaseInTheOrderGiven",
     [](Rig& r) {
       for (auto name : {u"/src/a.TMP", u"/src/b.bak", u"/src/c.txt", u"/src/d.\u00c4rger"})
         r.file(name, "x", 0h);
       for (auto skip : {u"tmp", u"Bak", u"TMP", u"\u00e4rger"}) r.tree->ExtensionToSkip(skip);
     },
     {black(u"Skipping: TMP, BAK, \u00c4RGER"), kSpacer, black(u"Folder /dst created"),
      copied(u"c.txt", u"/src/", u"/dst/")}},
    {"ASkipSetOfBlanksGivesNoSkippingLine",
     [](Rig& r) {
       r.file(u"/src/a.txt", "a", 0h);
       r.tree->ExtensionToSkip(u" ");
     },
     {black(u"Folder /dst created"), copied(u"a.txt", u"/src/", u"/dst/")}},
    {"ADestinationInsideTheSource",
     [](Rig& r) { from(r, u"/Data", u"/Data/Backup"); },
     {red(u"/Data/Backup starts with /Data, skipping...")}},
    {"ADestinationWhoseNameBeginsWithTheSource",
     [](Rig& r) { from(r, u"/Data", u"/DataCopy"); },
     {red(u"/DataCopy starts with /Data, skipping...")}},
    {"ADestinationInsideTheSourceInOtherLetters",
     [](Rig& r) { from(r, u"/Data", u"/data/backup"); },
     {red(u"/data/backup starts with /Data, skipping...")}},
    {"NoSource", [](Rig& r) { from(r, u"", u"/dst"); }, {red(u"No Source path!")}},
    {"NoDestination", [](Rig& r) { from(r, u"/Data", u""); }, {red(u"No Destination path!")}},
    {"ASourceFileIsCopiedToTheDestinationPath",
     [](Rig& r) {
       r.folder(u"/dst");
       from(r, u"/Data/a.txt", u"/dst/b.txt");
     },
     {copied(u"a.txt", u"/Data/", u"/dst/")}},
    {"AnOlderReadOnlyDestinationIsOverwritten",
     [](Rig& r) {
       r.file(u"/src/a.txt", "new", 0h);
       r.file(u"/dst/a.txt", "old", 48h).attributes = platform::attr::kReadOnly;
     },
     {copied(u"a.txt", u"/src/", u"/dst/")}},
    {"AFailedCopyIsRedAndTheWalkGoesOn",
     [](Rig& r) {
       r.file(u"/src/a.txt", "a", 0h);
       r.file(u"/src/b.txt", "b", 0h);
       r.fault(u"CopyFile", u"/dst/a.txt", err::kDiskFull);
     },
     {black(u"Folder /dst created"), red(u"Failed to copy file a.txt from /src/ to /dst/"),
      copied(u"b.txt", u"/src/", u"/dst/")}},
    {"AFolderThatCannotBeMadeFailsEvenWithNothingToCopyIntoIt",
     [](Rig& r) {
       r.folder(u"/src/empty");
       r.folder(u"/dst");
       r.fault(u"CreateFolder", u"/dst/empty", err::kPermissionDenied);
     },
     {red(u"Failed to create folder /dst/empty")}},
    {"TheFilesForAFolderThatCannotBeMadeFailOneByOne",
     [](Rig& r) {
       r.file(u"/src/sub/x.txt", "x", 0h);
       r.fault(u"CreateFolder", u"/dst/sub", err::kPermissionDenied);
     },
     {black(u"Folder /dst created"), red(u"Failed to create folder /dst/sub"),
      red(u"Failed to copy file x.txt from /src/sub/ to /dst/sub/")}},
    {"AFaultInAFolderEndsTheWorkInThatFolder",
     [](Rig& r) {
       for (auto name : {u"/src/sub/a.txt", u"/src/sub/b.txt", u"/src/c.txt"})
         r.file(name, "x", 0h);
       r.file(u"/dst/sub/a.txt", "old a", 1h);
       r.fault(u"GetFile", u"/src/sub/a.txt", err::kDeviceIOError);
     },
     {copied(u"c.txt", u"/src/", u"/dst/")},
     {u"sigpatch.FileTree.pUpdateTree: 57, Device I/O error"}},
    {"AnUnreadableSourceFolderIsAnErrorReport",
     [](Rig& r) {
       r.file(u"/src/locked/a.txt", "a", 0h);
       r.file(u"/src/b.txt", "b", 0h);
       r.fault(u"SubFolders", u"/src/locked", err::kPermissionDenied);
     },
     {black(u"Folder /dst created"), black(u"Folder /dst/locked created"),
      copied(u"b.txt", u"/src/", u"/dst/")},
     {u"sigpatch.FileTree.pUpdateTree: 70, Permission denied"}}};

TEST(FileTreeUpdateTest, EveryItemNotBroughtUpToDateIsReportedAndFailsTheRun) {
  for (const auto& c : kUpdates) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.tree->SourceDir = u"/src";
    rig.tree->DestinationDir = u"/dst";
    c.setup(rig);
    const bool ok = c.messages.empty() &&
                    std::none_of(c.middle.begin(), c.middle.end(),
                                 [](const Line& line) { return line.color == testing::kRed; });
    EXPECT_EQ(rig.tree->UpdateTree(), ok);
    Lines expected{black(u"Update files in " + rig.tree->DestinationDir + u" with files from " +
                         rig.tree->SourceDir),
                   kSpacer};
    expected.insert(expected.end(), c.middle.begin(), c.middle.end());
    expected.insert(expected.end(),
                    {kSpacer, ok ? black(u"OK!") : red(u"There where some errors!"), kSpacer});
    EXPECT_EQ(rig.lines(), expected);
    EXPECT_EQ(rig.messages(), c.messages);
  }
}

TEST_F(FileTreeTest, WithoutTheServiceEveryOperationStopsTheProgram) {
  sourceTree();
  service.available = false;
  tree->SourceDir = u"/src";
  tree->DestinationDir = u"/dst";
  EXPECT_THROW(tree->UpdateTree(), fakes::ImmediateStop);
  EXPECT_THROW(tree->EmptyFolder(1), fakes::ImmediateStop);
  EXPECT_THROW(tree->RemoveOldFile(1), fakes::ImmediateStop);
  EXPECT_THROW(tree->RemoveEmptySubFolders(), fakes::ImmediateStop);
  EXPECT_THROW(tree->CreatePath(u"/a"), fakes::ImmediateStop);
  EXPECT_THROW(tree->DeleteFolder(u"/a"), fakes::ImmediateStop);
  EXPECT_EQ(messages(), Texts(6, u"Windows Scripting Host not available!"));
  EXPECT_EQ(windowing.messages.at(0).style, toolkit::MsgBoxStyle::OkOnly);
  EXPECT_EQ(windowing.messages.at(0).title, u"Sigpatch");
  EXPECT_FALSE(has(u"/dst"));
}

// --- CreatePath and DeleteFolder ---------------------------------------------------

TEST_F(FileTreeTest, CreatePathMakesEachMissingFolderOutermostFirstAndReportsFailures) {
  tree->CreatePath(u"/a/b/c/");
  tree->CreatePath(u"/a/b/x/y");
  tree->CreatePath(u"/a/b/x/y");
  fault(u"CreateFolder", u"/n/o", err::kPermissionDenied);
  tree->CreatePath(u"/n/o/p");
  file(u"/f", "a file in the way", 0h);
  tree->CreatePath(u"/f/x");
  EXPECT_EQ(trace,
            (Lines{black(u"Folder /a created"), black(u"Folder /a/b created"),
                   black(u"Folder /a/b/c created"), black(u"Folder /a/b/x created"),
                   black(u"Folder /a/b/x/y created"), black(u"Folder /n created"),
                   red(u"Failed to create folder /n/o"), red(u"Failed to create folder /n/o/p"),
                   red(u"Failed to create folder /f"), red(u"Failed to create folder /f/x")}));
  EXPECT_TRUE(service.disk.Node(u"/a/b/c").folder);
  EXPECT_TRUE(windowing.messages.empty());
}

TEST_F(FileTreeTest, DeleteFolderReportsWhatItDid) {
  file(u"/t/a/b/x.txt", "x", 0h);
  file(u"/t/ro/y.txt", "y", 0h).attributes = platform::attr::kReadOnly;
  tree->DeleteFolder(u"/t/a");
  tree->DeleteFolder(u"/t/missing");
  tree->DeleteFolder(u"/t/ro");
  EXPECT_EQ(trace, (Lines{black(u"Folder /t/a deleted"), red(u"Failed to delete folder /t/missing"),
                          red(u"Failed to delete folder /t/ro")}));
  EXPECT_FALSE(has(u"/t/a/b"));
  EXPECT_TRUE(has(u"/t/ro/y.txt"));
}

// --- EmptyFolder, RemoveOldFile, RemoveEmptySubFolders -----------------------------

TEST_F(FileTreeTest, EmptyFolderOfAnOldTreeRemovesEverythingButTheFolderItself) {
  file(u"/t/a/x.txt", "x", 48h);
  file(u"/t/a/b/y.txt", "y", 48h).attributes = platform::attr::kReadOnly;
  service.disk.Node(u"/t/a").attributes |= platform::attr::kReadOnly;
  folder(u"/t/empty");
  file(u"/t/z.txt", "z", 48h);
  tree->SourceDir = u"/t";
  tree->EmptyFolder(1);
  EXPECT_EQ(trace, (Lines{black(u"Delete everything in /t older than 1 days"), kSpacer,
                          status(u"/t/a/b"), black(u"File /t/a/b/y.txt deleted"),
                          black(u"Folder /t/a/b deleted"), status(u"/t/a"),
                          black(u"File /t/a/x.txt deleted"), black(u"Folder /t/a deleted"),
                          status(u"/t/empty"), black(u"Folder /t/empty deleted"), status(u"/t"),
                          black(u"File /t/z.txt deleted"), status(u""), kSpacer}));
  EXPECT_EQ(service.disk.nodes.size(), 2u) << "the root and /t";

  trace.clear();
  tree->SourceDir = u"/nope";
  tree->EmptyFolder(0);
  EXPECT_EQ(lines(), (Lines{black(u"Delete everything in /nope older than 0 days"), kSpacer,
                            black(u"Folder /nope does not exist"), kSpacer}));
}

TEST_F(FileTreeTest, EmptyFolderKeepsWhatIsRecentLinkedUnreadableOrUndeletable) {
  file(u"/t/a/b/y.txt", "y", 48h);
  file(u"/t/a/b/new.txt", "new", 1h);
  file(u"/t/a/x.txt", "x", 48h);
  file(u"/t/link/elsewhere.txt", "not the tree's", 48h);
  service.disk.Node(u"/t/link").attributes |= platform::attr::kAlias;
  file(u"/t/locked/l.txt", "l", 48h);
  fault(u"SubFolders", u"/t/locked", err::kPermissionDenied);
  file(u"/t/broken/b.txt", "b", 48h);
  fault(u"Files", u"/t/broken", err::kDeviceIOError);
  file(u"/t/stuck/s.txt", "s", 48h);
  fault(u"DeleteFolder", u"/t/stuck", err::kPermissionDenied);
  file(u"/t/read.txt", "read lately", 48h).accessed = now() - 1h;
  tree->SourceDir = u"/t";
  tree->EmptyFolder(1);
  EXPECT_EQ(lines(),
            (Lines{black(u"Delete everything in /t older than 1 days"), kSpacer,
                   black(u"File /t/a/b/y.txt deleted"), blue(u"File /t/a/b/new.txt not deleted"),
                   blue(u"Folder /t/a/b skipped"), black(u"File /t/a/x.txt deleted"),
                   blue(u"Folder /t/a skipped"), blue(u"Folder /t/link skipped"),
                   red(u"Permission denied (/t/locked)"), blue(u"Folder /t/locked skipped"),
                   blue(u"Folder /t/broken skipped"), black(u"File /t/stuck/s.txt deleted"),
                   red(u"Failed to delete folder /t/stuck"), blue(u"File /t/read.txt not deleted"),
                   kSpacer}));
  EXPECT_EQ(messages(), Texts{u"sigpatch.FileTree.pEmptyFolder: 57, Device I/O error"});
  for (auto kept : {u"/t/a/b/new.txt", u"/t/link/elsewhere.txt", u"/t/locked/l.txt",
                    u"/t/broken/b.txt", u"/t/stuck", u"/t/read.txt"}) {
    EXPECT_TRUE(has(kept)) << text::toUtf8(kept);
  }
}

TEST_F(FileTreeTest, RemoveOldFileDeletesOnlyAnOldFile) {
  file(u"/d/old.txt", "old", 96h);
  file(u"/d/young.txt", "young", 24h);
  for (auto path : {u"/d/old.txt", u"/d/young.txt", u"/d/old.txt"}) {
    tree->SourceDir = path;
    tree->RemoveOldFile(3);
  }
  fault(u"FileExists", u"/d/f.txt", err::kDiskNotReady);
  tree->SourceDir = u"/d/f.txt";
  tree->RemoveOldFile(3);
  const auto heading = [](std::u16string path) {
    return black(u"Deleting " + path + u" if it's older than 3 days");
  };
  EXPECT_EQ(trace,
            (Lines{heading(u"/d/old.txt"), kSpacer, black(u"File /d/old.txt deleted"), status(u""),
                   kSpacer, heading(u"/d/young.txt"), kSpacer,
                   black(u"File /d/young.txt not deleted"), status(u""), kSpacer,
                   heading(u"/d/old.txt"), kSpacer, black(u"File /d/old.txt does not exist"),
                   status(u""), kSpacer, heading(u"/d/f.txt"), kSpacer, status(u""), kSpacer}));
  EXPECT_EQ(messages(), Texts{u"sigpatch.FileTree.pRemoveOldFile: 71, Disk not ready"});
  EXPECT_TRUE(has(u"/d/young.txt"));
}

TEST_F(FileTreeTest, RemoveEmptySubFoldersKeepsEveryFolderWithAFileBelowIt) {
  folder(u"/t/empty");
  file(u"/t/full/a.txt", "a", 0h);
  file(u"/t/nested/inner/b.txt", "b", 0h);
  folder(u"/t/hollow/x/y");
  file(u"/t/top.txt", "top", 480h);
  tree->SourceDir = u"/t";
  tree->RemoveEmptySubFolders();
  EXPECT_EQ(trace, (Lines{black(u"Delete all folders in /t not containing any files"), kSpacer,
                          black(u"Folder /t/empty deleted"), blue(u"Folder /t/full skipped"),
                          blue(u"Folder /t/nested skipped"), black(u"Folder /t/hollow deleted"),
                          status(u""), kSpacer}));
  EXPECT_TRUE(has(u"/t/top.txt"));
  EXPECT_TRUE(has(u"/t/nested/inner/b.txt"));
}

TEST_F(FileTreeTest, RemoveEmptySubFoldersStopsAtAFault) {
  folder(u"/t/a");
  folder(u"/t/locked");
  folder(u"/t/c");
  fault(u"Files", u"/t/locked", err::kPermissionDenied);
  const auto run = [&](const std::u16string& path) {
    trace.clear();
    tree->SourceDir = path;
    tree->RemoveEmptySubFolders();
    return lines();
  };
  const auto heading = [](const std::u16string& path) {
    return black(u"Delete all folders in " + path + u" not containing any files");
  };
  EXPECT_EQ(run(u"/t"), (Lines{heading(u"/t"), kSpacer, black(u"Folder /t/a deleted"),
                               red(u"Permission denied (/t)"), kSpacer}));
  EXPECT_TRUE(has(u"/t/c"));
  EXPECT_TRUE(windowing.messages.empty());
  EXPECT_EQ(run(u"/nope"),
            (Lines{heading(u"/nope"), kSpacer, black(u"Folder /nope does not exist"), kSpacer}));
  fault(u"SubFolders", u"/t", err::kDeviceIOError);
  EXPECT_EQ(run(u"/t"), (Lines{heading(u"/t"), kSpacer, kSpacer}));
  EXPECT_EQ(messages(), Texts{u"sigpatch.FileTree.pRemoveEmptySubFolders: 57, Device I/O error"});
}

// --- What depends on the path style ------------------------------------------------

TEST(FileTreeStyleTest, DrivesRootsAndSeparatorsOfEachStyle) {
  const struct {
    PathStyle style;
    const char16_t* path;
    Lines lines;
  } cases[] = {
      {PathStyle::Posix, u"", {}},
      {PathStyle::Posix, u"/", {}},
      {PathStyle::Posix, u"//", {}},
      {PathStyle::Posix, u"/a/b:/", {black(u"Folder /a created"), black(u"Folder /a/b: created")}},
      {PathStyle::Windows, u"", {}},
      {PathStyle::Windows, u"C:", {}},
      {PathStyle::Windows, u"D:", {}},
      {PathStyle::Windows,
       u"C:\\a\\b\\",
       {black(u"Folder C:\\a created"), black(u"Folder C:\\a\\b created")}},
      // A path that is its own parent ends there.
      {PathStyle::Windows, u"ab:", {black(u"Folder ab: created")}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.path));
    Rig rig(c.style);
    const auto calls = rig.service.disk.calls.size();
    rig.tree->CreatePath(c.path);
    EXPECT_EQ(rig.trace, c.lines);
    if (c.lines.empty()) {
      EXPECT_EQ(rig.service.disk.calls.size(), calls);
    }
  }
  Rig rig(PathStyle::Windows);
  rig.file(u"C:\\src\\sub\\a.txt", "a", 0h);
  rig.tree->SourceDir = u"C:\\src";
  rig.tree->DestinationDir = u"C:\\dst";
  EXPECT_TRUE(rig.tree->UpdateTree());
  EXPECT_EQ(rig.lines().at(4), copied(u"a.txt", u"C:\\src\\sub\\", u"C:\\dst\\sub\\"));
  EXPECT_EQ(rig.service.disk.Node(u"C:\\dst\\sub\\a.txt").bytes, "a");
}

// --- The object in the program ------------------------------------------------------

// The factory makes trees in the system's own path style, whose lines reach the
// main window (all in black) and whose folders its status bar.
TEST(FileTreeWiringTest, TheFactorysTreeReportsToTheMainWindow) {
  Rig rig(runtime::kNativePathStyle);
  const std::u16string sep(1, runtime::separatorOf(runtime::kNativePathStyle));
  Application& app = *rig.app;
  frmMain& frm = *app.AM()->frm();
  frm.Form().Show();
  EXPECT_EQ(app.OF()->CreateObject_FileTree(nullptr, u"src", u"dst"), nullptr);
  auto tree = app.OF()->CreateObject_FileTree(&app, u"src", u"dst");
  tree->FileTreeChange.connect([&frm](std::u16string_view text, std::int32_t& color) {
    frm.FTC_FileTreeChange(text, color);
  });
  rig.file(u"src" + sep + u"a.txt", "a", 0h);
  rig.file(u"src" + sep + u"b.txt", "b", 0h);
  rig.folder(u"dst");
  rig.fault(u"CopyFile", u"dst" + sep + u"b.txt", err::kPermissionDenied);
  app.AM()->UpdateStatusBar(u"before");
  EXPECT_FALSE(tree->UpdateTree());
  auto& box = rig.windowing.Form(u"frmMain").RichTextBoxNamed(u"tboOutput");
  EXPECT_EQ(box.Text(),
            u"Sigpatch V1.01.02\r\n \r\nUpdate files in dst with files from src\r\n \r\n"
            u"File a.txt copied from src" +
                sep + u" to dst" + sep + u"\r\nFailed to copy file b.txt from src" + sep +
                u" to dst" + sep + u"\r\n \r\nThere where some errors!\r\n \r\n");
  ASSERT_EQ(box.Runs().size(), 1u);
  EXPECT_EQ(box.Runs()[0].Color, testing::kBlack);
  EXPECT_EQ(frm.sbInfo().PanelText(u"Info"), u"");
}

}  // namespace
}  // namespace sigpatch
