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
#include "ui/frmMain.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using platform::attr::kReadOnly;
using runtime::PathStyle;
using testing::black;
using testing::blue;
using testing::kSpacer;
using testing::red;
using testing::status;
using Line = testing::TreeLine;
using Lines = std::vector<Line>;
using Texts = std::vector<std::u16string>;
using Ages = std::initializer_list<std::pair<const char16_t*, std::chrono::milliseconds>>;

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
    if (style == PathStyle::Windows) disk.AddFolder(u"C:");
    windowing.onStatus = [this](std::u16string text) { trace.push_back(status(text)); };
    app.emplace();
    tree.emplace(style);
    tree->InitMyObjects(&*app);
    tree->StatusChange.connect([this](std::u16string_view f) { app->AM()->UpdateStatusBar(f); });
    tree->FileTreeChange.connect([this](std::u16string_view text, std::int32_t& color) {
      trace.push_back({std::u16string(text), color});
    });
  }

  // Files written and read that long ago (their path their contents); a path
  // that ends in "/" a folder.
  void lay(Ages files) {
    for (const auto& [path, age] : files) {
      const std::u16string name(path);
      if (name.ends_with(u'/')) {
        disk.AddFolder(name.substr(0, name.size() - 1));
        continue;
      }
      auto& node = disk.AddFile(name, text::toUtf8(name));
      node.modified = node.accessed = fake.clock.now - age;
    }
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

  fakes::FakePlatform fake;
  StatusWatchingWindowing windowing;
  fakes::FakeFileSystemService service;
  fakes::FakeDisk& disk = service.disk;
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
  lay({{u"/src/a.txt", 1h},
       {u"/src/sub/b.txt", 2h},
       {u"/src/sub/deep/c.txt", 3h},
       {u"/src/z.txt", 4h}});
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
  EXPECT_EQ(disk.Node(u"/dst/sub/deep/c.txt").bytes, "/src/sub/deep/c.txt");
  EXPECT_EQ(disk.Node(u"/dst/sub/deep/c.txt").modified, fake.clock.now - 3h);
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

  // Without the service the program stops at once.
  service.available = false;
  for (auto run : {+[](FileTree& t) { t.UpdateTree(); }, +[](FileTree& t) { t.EmptyFolder(1); }}) {
    FileTree fresh;
    fresh.InitMyObjects(&*app);
    EXPECT_THROW(run(fresh), fakes::ImmediateStop);
  }
  EXPECT_EQ(messages(), Texts(2, u"Windows Scripting Host not available!"));
}

// A run of UpdateTree from /src to /dst on a disk laid out by `setup`: the lines
// between the heading with its spacer and the closing lines, and the error
// reports. A red line or a report fails the run.
struct UpdateCase {
  const char* name;
  void (*setup)(Rig&);
  Lines middle;
  Texts messages = {};
};

void from(Rig& r, const char16_t* source, const char16_t* destination) {
  r.lay({{u"/Data/a.txt", 0h}, {u"/dst/", 0h}});
  r.tree->SourceDir = source;
  r.tree->DestinationDir = destination;
}

const UpdateCase kUpdates[] = {
    {"OnlyFilesMissingOrNewerToTheSecond",
     [](Rig& r) {
       // Within one second the file date texts are equal.
       r.lay({{u"/src/newer.txt", 24h},
              {u"/dst/newer.txt", 24h + 2s},
              {u"/src/older.txt", 24h},
              {u"/dst/older.txt", 24h - 2s},
              {u"/src/same.txt", 24h},
              {u"/dst/same.txt", 24h},
              {u"/src/second.txt", 24h - 900ms},
              {u"/dst/second.txt", 24h - 100ms},
              {u"/src/missing.txt", 24h}});
     },
     {copied(u"newer.txt", u"/src/", u"/dst/"), copied(u"missing.txt", u"/src/", u"/dst/")}},
    {"DontReplaceExistingFiles",
     [](Rig& r) {
       r.lay({{u"/src/a.txt", 0h}, {u"/dst/a.txt", 100h}, {u"/src/b.txt", 0h}});
       r.tree->DontReplaceExistingFiles = true;
     },
     {copied(u"b.txt", u"/src/", u"/dst/")}},
    {"OnlyLogErrors",
     [](Rig& r) {
       r.lay({{u"/src/a.txt", 0h}, {u"/src/sub/b.txt", 0h}, {u"/src/sub/deep/c.txt", 0h}});
       r.disk.faults[u"CopyFile /dst/sub/b.txt"] = err::kPermissionDenied;
       r.tree->OnlyLogErrors = true;
     },
     {red(u"Failed to copy file b.txt from /src/sub/ to /dst/sub/")}},
    {"SkippedExtensionsIgnoringCaseInTheOrderGiven",
     [](Rig& r) {
       r.lay({{u"/src/a.TMP", 0h},
              {u"/src/b.bak", 0h},
              {u"/src/c.txt", 0h},
              {u"/src/d.\u00c4rger", 0h}});
       for (auto skip : {u"tmp", u"Bak", u"TMP", u"\u00e4rger"}) r.tree->ExtensionToSkip(skip);
     },
     {black(u"Skipping: TMP, BAK, \u00c4RGER"), kSpacer, black(u"Folder /dst created"),
      copied(u"c.txt", u"/src/", u"/dst/")}},
    {"ASkipSetOfBlanksGivesNoSkippingLine",
     [](Rig& r) {
       r.lay({{u"/src/a.txt", 0h}});
       r.tree->ExtensionToSkip(u" ");
     },
     {black(u"Folder /dst created"), copied(u"a.txt", u"/src/", u"/dst/")}},
    {"ADestinationInsideTheSource",
     [](Rig& r) { from(r, u"/Data", u"/data/backup"); },
     {red(u"/data/backup starts with /Data, skipping...")}},
    {"ADestinationWhoseNameBeginsWithTheSource",
     [](Rig& r) { from(r, u"/Data", u"/DataCopy"); },
     {red(u"/DataCopy starts with /Data, skipping...")}},
    {"NoSource", [](Rig& r) { from(r, u"", u"/dst"); }, {red(u"No Source path!")}},
    {"NoDestination", [](Rig& r) { from(r, u"/Data", u""); }, {red(u"No Destination path!")}},
    {"ASourceFileIsCopiedToTheDestinationPath",
     [](Rig& r) { from(r, u"/Data/a.txt", u"/dst/b.txt"); },
     {copied(u"a.txt", u"/Data/", u"/dst/")}},
    {"AnOlderReadOnlyDestinationIsOverwritten",
     [](Rig& r) {
       r.lay({{u"/src/a.txt", 0h}, {u"/dst/a.txt", 48h}});
       r.disk.Node(u"/dst/a.txt").attributes = kReadOnly;
     },
     {copied(u"a.txt", u"/src/", u"/dst/")}},
    {"AFailedCopyIsRedAndTheWalkGoesOn",
     [](Rig& r) {
       r.lay({{u"/src/a.txt", 0h}, {u"/src/b.txt", 0h}, {u"/dst/", 0h}});
       r.disk.faults[u"CopyFile /dst/a.txt"] = err::kDiskFull;
     },
     {red(u"Failed to copy file a.txt from /src/ to /dst/"), copied(u"b.txt", u"/src/", u"/dst/")}},
    {"AFolderThatCannotBeMadeFailsEvenWithNothingToCopyIntoIt",
     [](Rig& r) {
       r.lay({{u"/src/empty/", 0h}, {u"/dst/", 0h}});
       r.disk.faults[u"CreateFolder /dst/empty"] = err::kPermissionDenied;
     },
     {red(u"Failed to create folder /dst/empty")}},
    {"TheFilesForAFolderThatCannotBeMadeFailOneByOne",
     [](Rig& r) {
       r.lay({{u"/src/sub/x.txt", 0h}, {u"/dst/", 0h}});
       r.disk.faults[u"CreateFolder /dst/sub"] = err::kPermissionDenied;
     },
     {red(u"Failed to create folder /dst/sub"),
      red(u"Failed to copy file x.txt from /src/sub/ to /dst/sub/")}},
    {"AFaultInAFolderEndsTheWorkInThatFolder",
     [](Rig& r) {
       r.lay({{u"/src/sub/a.txt", 0h},
              {u"/src/sub/b.txt", 0h},
              {u"/src/c.txt", 0h},
              {u"/dst/sub/a.txt", 1h}});
       r.disk.faults[u"GetFile /src/sub/a.txt"] = err::kDeviceIOError;
     },
     {copied(u"c.txt", u"/src/", u"/dst/")},
     {u"sigpatch.FileTree.pUpdateTree: 57, Device I/O error"}},
    {"AnUnreadableSourceFolderIsAnErrorReport",
     [](Rig& r) {
       r.lay({{u"/src/locked/a.txt", 0h}, {u"/src/b.txt", 0h}, {u"/dst/locked/", 0h}});
       r.disk.faults[u"SubFolders /src/locked"] = err::kPermissionDenied;
     },
     {copied(u"b.txt", u"/src/", u"/dst/")},
     {u"sigpatch.FileTree.pUpdateTree: 70, Permission denied"}}};

TEST(FileTreeUpdateTest, EveryItemNotBroughtUpToDateIsReportedAndFailsTheRun) {
  for (const auto& c : kUpdates) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.tree->SourceDir = u"/src";
    rig.tree->DestinationDir = u"/dst";
    c.setup(rig);
    const bool ok =
        c.messages.empty() && std::none_of(c.middle.begin(), c.middle.end(),
                                           [](const Line& l) { return l.color == testing::kRed; });
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

// --- CreatePath and DeleteFolder ---------------------------------------------------

TEST_F(FileTreeTest, CreatePathAndDeleteFolderReportEachFolderAndEachFailure) {
  lay({{u"/f", 0h}, {u"/t/a/b/x.txt", 0h}, {u"/t/ro/y.txt", 0h}});
  disk.Node(u"/t/ro/y.txt").attributes = kReadOnly;
  disk.faults[u"CreateFolder /n/o"] = err::kPermissionDenied;
  for (auto path : {u"/a/b/c/", u"/a/b/x/y", u"/a/b/x/y", u"/n/o/p", u"/f/x"})
    tree->CreatePath(path);
  for (auto path : {u"/t/a", u"/t/missing", u"/t/ro"}) tree->DeleteFolder(path);
  EXPECT_EQ(trace,
            (Lines{black(u"Folder /a created"), black(u"Folder /a/b created"),
                   black(u"Folder /a/b/c created"), black(u"Folder /a/b/x created"),
                   black(u"Folder /a/b/x/y created"), black(u"Folder /n created"),
                   red(u"Failed to create folder /n/o"), red(u"Failed to create folder /n/o/p"),
                   red(u"Failed to create folder /f"), red(u"Failed to create folder /f/x"),
                   black(u"Folder /t/a deleted"), red(u"Failed to delete folder /t/missing"),
                   red(u"Failed to delete folder /t/ro")}));
  EXPECT_TRUE(disk.IsFolder(u"/a/b/c"));
  EXPECT_FALSE(disk.Has(u"/t/a/b"));
  EXPECT_TRUE(disk.Has(u"/t/ro/y.txt"));
  EXPECT_TRUE(windowing.messages.empty());
}

// --- EmptyFolder, RemoveOldFile, RemoveEmptySubFolders -----------------------------

TEST_F(FileTreeTest, EmptyFolderOfAnOldTreeRemovesEverythingButTheFolderItself) {
  lay({{u"/t/a/x.txt", 48h}, {u"/t/a/b/y.txt", 48h}, {u"/t/empty/", 0h}, {u"/t/z.txt", 48h}});
  disk.Node(u"/t/a/b/y.txt").attributes = kReadOnly;
  disk.Node(u"/t/a").attributes |= kReadOnly;
  for (auto path : {u"/t", u"/nope"}) {
    tree->SourceDir = path;
    tree->EmptyFolder(1);
  }
  EXPECT_EQ(
      trace,
      (Lines{black(u"Delete everything in /t older than 1 days"), kSpacer, status(u"/t/a/b"),
             black(u"File /t/a/b/y.txt deleted"), black(u"Folder /t/a/b deleted"), status(u"/t/a"),
             black(u"File /t/a/x.txt deleted"), black(u"Folder /t/a deleted"), status(u"/t/empty"),
             black(u"Folder /t/empty deleted"), status(u"/t"), black(u"File /t/z.txt deleted"),
             status(u""), kSpacer, black(u"Delete everything in /nope older than 1 days"), kSpacer,
             black(u"Folder /nope does not exist"), status(u""), kSpacer}));
  EXPECT_EQ(disk.nodes.size(), 2u) << "the root and /t";
}

TEST_F(FileTreeTest, EmptyFolderKeepsWhatIsRecentLinkedUnreadableOrUndeletable) {
  lay({{u"/t/a/b/y.txt", 48h},
       {u"/t/a/b/new.txt", 1h},
       {u"/t/a/x.txt", 48h},
       {u"/t/link/elsewhere.txt", 48h},
       {u"/t/locked/l.txt", 48h},
       {u"/t/broken/b.txt", 48h},
       {u"/t/stuck/s.txt", 48h},
       {u"/t/read.txt", 48h}});
  disk.Node(u"/t/link").attributes |= platform::attr::kAlias;
  disk.Node(u"/t/read.txt").accessed = fake.clock.now - 1h;
  disk.faults = {{u"SubFolders /t/locked", err::kPermissionDenied},
                 {u"Files /t/broken", err::kDeviceIOError},
                 {u"DeleteFolder /t/stuck", err::kPermissionDenied}};
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
    EXPECT_TRUE(disk.Has(kept)) << text::toUtf8(kept);
  }
}

TEST_F(FileTreeTest, RemoveOldFileDeletesOnlyAnOldFile) {
  lay({{u"/d/old.txt", 96h}, {u"/d/young.txt", 24h}});
  disk.faults[u"FileExists /d/f.txt"] = err::kDiskNotReady;
  for (auto path : {u"/d/old.txt", u"/d/young.txt", u"/d/old.txt", u"/d/f.txt"}) {
    tree->SourceDir = path;
    tree->RemoveOldFile(3);
  }
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
  EXPECT_TRUE(disk.Has(u"/d/young.txt"));
}

TEST_F(FileTreeTest, RemoveEmptySubFoldersRemovesOnlyFoldersWithNoFileBelow) {
  lay({{u"/t/empty/", 0h},
       {u"/t/full/a.txt", 0h},
       {u"/t/nested/inner/b.txt", 0h},
       {u"/t/hollow/x/y/", 0h},
       {u"/t/top.txt", 480h},
       {u"/u/a/", 0h},
       {u"/u/locked/", 0h},
       {u"/u/c/", 0h}});
  disk.faults[u"Files /u/locked"] = err::kPermissionDenied;
  for (auto path : {u"/t", u"/u", u"/nope"}) {
    tree->SourceDir = path;
    tree->RemoveEmptySubFolders();
  }
  disk.faults[u"SubFolders /t"] = err::kDeviceIOError;
  tree->SourceDir = u"/t";
  tree->RemoveEmptySubFolders();
  const auto heading = [](std::u16string path) {
    return black(u"Delete all folders in " + path + u" not containing any files");
  };
  EXPECT_EQ(trace, (Lines{heading(u"/t"),
                          kSpacer,
                          black(u"Folder /t/empty deleted"),
                          blue(u"Folder /t/full skipped"),
                          blue(u"Folder /t/nested skipped"),
                          black(u"Folder /t/hollow deleted"),
                          status(u""),
                          kSpacer,
                          heading(u"/u"),
                          kSpacer,
                          black(u"Folder /u/a deleted"),
                          red(u"Permission denied (/u)"),
                          status(u""),
                          kSpacer,
                          heading(u"/nope"),
                          kSpacer,
                          black(u"Folder /nope does not exist"),
                          status(u""),
                          kSpacer,
                          heading(u"/t"),
                          kSpacer,
                          status(u""),
                          kSpacer}));
  EXPECT_EQ(messages(), Texts{u"sigpatch.FileTree.pRemoveEmptySubFolders: 57, Device I/O error"});
  for (auto kept : {u"/t/top.txt", u"/t/nested/inner/b.txt", u"/u/c"}) EXPECT_TRUE(disk.Has(kept));
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
    rig.tree->CreatePath(c.path);
    EXPECT_EQ(rig.trace, c.lines);
    EXPECT_EQ(rig.disk.calls.size(), c.lines.size()) << "one call for each folder made, no more";
  }
  Rig rig(PathStyle::Windows);
  rig.lay({{u"C:\\src\\sub\\a.txt", 0h}});
  rig.tree->SourceDir = u"C:\\src";
  rig.tree->DestinationDir = u"C:\\dst";
  EXPECT_TRUE(rig.tree->UpdateTree());
  EXPECT_EQ(rig.lines().at(4), copied(u"a.txt", u"C:\\src\\sub\\", u"C:\\dst\\sub\\"));
  EXPECT_TRUE(rig.disk.IsFile(u"C:\\dst\\sub\\a.txt"));
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
  rig.lay({{u"dst/", 0h}});
  for (auto name : {u"a.txt", u"b.txt"}) rig.disk.AddFile(u"src" + sep + name);
  rig.disk.faults[u"CopyFile dst" + sep + u"b.txt"] = err::kPermissionDenied;
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
