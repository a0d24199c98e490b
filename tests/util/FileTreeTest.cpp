#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <span>
#include <string>

#include "app/Application.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using platform::attr::kReadOnly;
using runtime::PathStyle;

// A synchroniser from /src to /dst on a fake disk. `trace` holds the lines as
// they came, each after a "|": a red line after "!", a blue one after "~".
struct Rig {
  explicit Rig(PathStyle style = PathStyle::Posix) : service(style) {
    fake.Set([&](platform::Platform& services) {
      services.windowing = &windowing;
      services.fileSystem = &service;
      services.system = &system;
    });
    if (style == PathStyle::Windows) disk.AddFolder(u"C:");
    app.emplace();
    tree.emplace(style);
    tree->InitMyObjects(&*app);
    tree->FileTreeChange.connect([this](std::u16string_view text, std::int32_t& color) {
      trace += color == testing::kBlack  ? u"|"
               : color == testing::kRed  ? u"|!"
               : color == testing::kBlue ? u"|~"
                                         : u"|?";
      trace += text;
    });
    tree->SourceDir = u"/src";
    tree->DestinationDir = u"/dst";
  }
  // Files written and read that long ago ("@24h", "@2s", "@5ms"; now without
  // one), their path their contents, apart by blanks; a path that ends in the
  // separator a folder.
  void lay(std::u16string_view paths) {
    for (std::size_t at = 0, end; at < paths.size(); at = end + 1) {
      end = std::min(paths.find(u' ', at), paths.size());
      const std::u16string item(paths.substr(at, end - at));
      const std::u16string name = item.substr(0, item.find(u'@'));
      if (disk.isSeparator(name.back())) {
        disk.AddFolder(name.substr(0, name.size() - 1));
        continue;
      }
      auto& node = disk.AddFile(name, text::toUtf8(name));
      std::chrono::milliseconds age{};
      if (name != item) {
        std::size_t digits = 0;
        const auto n = std::stoll(text::toUtf8(item.substr(name.size() + 1)), &digits);
        const auto unit = item.substr(name.size() + 1 + digits);
        age = unit == u"h"   ? std::chrono::hours(n)
              : unit == u"s" ? std::chrono::seconds(n)
                             : std::chrono::milliseconds(n);
      }
      node.modified = node.accessed = fake.clock.now - age;
    }
  }
  // The faults "Operation path=number;...".
  void fault(std::u16string_view faults) {
    for (std::size_t at = 0, end; at < faults.size(); at = end + 1) {
      end = std::min(faults.find(u';', at), faults.size());
      const auto one = faults.substr(at, end - at), number = one.substr(one.rfind(u'=') + 1);
      disk.faults[std::u16string(one.substr(0, one.size() - number.size() - 1))] =
          std::stoi(text::toUtf8(number));
    }
  }
  // A step on each of the paths in turn.
  void each(std::initializer_list<const char16_t*> paths, void (*step)(FileTree&)) {
    for (auto path : paths) {
      tree->SourceDir = path;
      step(*tree);
    }
  }
  // The error reports shown, one a line.
  std::u16string messages() const {
    std::u16string prompts;
    for (const auto& message : windowing.messages)
      prompts += (prompts.empty() ? u"" : u"\n") + message.prompt;
    return prompts;
  }

  fakes::FakePlatform fake;
  fakes::FakeWindowing windowing;
  fakes::FakeFileSystemService service;
  fakes::FakeDisk& disk = service.disk;
  fakes::FakeSystem system;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  std::u16string trace;
};

TEST(FileTreeTest, UpdateTreeMakesAMissingTreeShowingEachFolderBeforeItsFiles) {
  Rig r;
  r.lay(u"/src/a.txt@1h /src/sub/b.txt@2h /src/sub/deep/c.txt@3h /src/z.txt@4h");
  EXPECT_TRUE(r.tree->UpdateTree());
  EXPECT_EQ(
      r.trace,
      u"|Update files in /dst with files from /src| |Folder /dst created"
      u"|Folder /dst/sub created|Folder /dst/sub/deep created"
      u"|File c.txt copied from /src/sub/deep/ to /dst/sub/deep/"
      u"|File b.txt copied from /src/sub/ to /dst/sub/"
      u"|File a.txt copied from /src/ to /dst/|File z.txt copied from /src/ to /dst/| |OK!| ");
  EXPECT_EQ(r.disk.Node(u"/dst/sub/deep/c.txt").bytes, "/src/sub/deep/c.txt");
  EXPECT_EQ(r.disk.Node(u"/dst/sub/deep/c.txt").modified, r.fake.clock.now - 3h);
  // Without the service the program stops at once.
  r.service.available = false;
  FileTree fresh;
  fresh.InitMyObjects(&*r.app);
  EXPECT_THROW(fresh.UpdateTree(), fakes::ImmediateStop);
  EXPECT_EQ(r.messages(), u"Windows Scripting Host not available!");
}

// A disk laid out as `layout` with the faults "Operation path=number;...", after
// `run`: for UpdateTree the lines between its heading and its closing lines (a red
// line or a report fails the run), for the other steps every line; then the report.
struct Case {
  const char* name;
  const char16_t *layout, *faults;
  void (*run)(Rig&);
  const char16_t *lines, *message = u"";
};

void from(Rig& r, const char16_t* source, const char16_t* destination) {
  r.tree->SourceDir = source;
  r.tree->DestinationDir = destination;
}

const Case kUpdates[] = {
    {"OnlyFilesMissingOrNewerToTheSecond",  // within a second the file date texts are equal
     u"/src/newer.txt@24h /dst/newer.txt@86402s /src/older.txt@24h /dst/older.txt@86398s "
     u"/src/same.txt@24h /dst/same.txt@24h /src/second.txt@86399100ms "
     u"/dst/second.txt@86399900ms /src/missing.txt@24h",
     u"", nullptr,
     u"|File newer.txt copied from /src/ to /dst/|File missing.txt copied from /src/ to /dst/"},
    {"DontReplaceExistingFiles", u"/src/a.txt /dst/a.txt@100h /src/b.txt", u"",
     [](Rig& r) { r.tree->DontReplaceExistingFiles = true; },
     u"|File b.txt copied from /src/ to /dst/"},
    {"OnlyLogErrors", u"/src/a.txt /src/sub/b.txt /src/sub/deep/c.txt",
     u"CopyFile /dst/sub/b.txt=70", [](Rig& r) { r.tree->OnlyLogErrors = true; },
     u"|!Failed to copy file b.txt from /src/sub/ to /dst/sub/"},
    {"SkippedExtensionsIgnoringCaseInTheOrderGiven",
     u"/src/a.TMP /src/b.bak /src/c.txt /src/d.\u00c4rger", u"",
     [](Rig& r) {
       for (auto x : {u"tmp", u"Bak", u"TMP", u"\u00e4rger"}) r.tree->ExtensionToSkip(x);
     },
     u"|Skipping: TMP, BAK, \u00c4RGER| |Folder /dst created"
     u"|File c.txt copied from /src/ to /dst/"},
    {"ASkipSetOfBlanksGivesNoSkippingLine", u"/src/a.txt", u"",
     [](Rig& r) { r.tree->ExtensionToSkip(u" "); },
     u"|Folder /dst created|File a.txt copied from /src/ to /dst/"},
    {"ADestinationInsideTheSource", u"/Data/a.txt /dst/", u"",
     [](Rig& r) { from(r, u"/Data", u"/data/backup"); },
     u"|!/data/backup starts with /Data, skipping..."},
    {"AFailedCopyIsRedAndTheWalkGoesOn", u"/src/a.txt /src/b.txt /dst/", u"CopyFile /dst/a.txt=61",
     nullptr,
     u"|!Failed to copy file a.txt from /src/ to /dst/|File b.txt copied from /src/ to /dst/"},
    {"AFolderThatCannotBeMadeFailsEvenWithNothingToCopyIntoIt", u"/src/empty/ /dst/",
     u"CreateFolder /dst/empty=70", nullptr, u"|!Failed to create folder /dst/empty"},
    {"AFaultInAFolderEndsTheWorkInThatFolder",
     u"/src/sub/a.txt /src/sub/b.txt /src/c.txt /dst/sub/a.txt@1h", u"GetFile /src/sub/a.txt=57",
     nullptr, u"|File c.txt copied from /src/ to /dst/",
     u"sigpatch.FileTree.pUpdateTree: 57, Device I/O error"}};

const Case kCleaning[] = {
    {"CreatePathAndDeleteFolder", u"/t/a/b/x.txt /t/ro/y.txt", u"CreateFolder /n/o=70",
     [](Rig& r) {
       r.disk.Node(u"/t/ro/y.txt").attributes = kReadOnly;
       for (auto path : {u"/a/b/", u"/a/b", u"/n/o/p"}) r.tree->CreatePath(path);
       for (auto path : {u"/t/a", u"/t/ro"}) r.tree->DeleteFolder(path);
     },
     u"|Folder /a created|Folder /a/b created|Folder /n created|!Failed to create folder /n/o"
     u"|!Failed to create folder /n/o/p|Folder /t/a deleted|!Failed to delete folder /t/ro"},
    {"EmptyFolderOfAnOldTreeRemovesEverythingButTheFolderItself",
     u"/t/a/x.txt@48h /t/a/b/y.txt@48h /t/empty/ /t/z.txt@48h", u"",
     [](Rig& r) {
       r.disk.Node(u"/t/a/b/y.txt").attributes = kReadOnly;
       r.disk.Node(u"/t/a").attributes |= kReadOnly;
       r.each({u"/t", u"/nope"}, [](FileTree& t) { t.EmptyFolder(1); });
       EXPECT_EQ(r.disk.nodes.size(), 2u) << "the root and /t";
     },
     u"|Delete everything in /t older than 1 days| |File /t/a/b/y.txt deleted"
     u"|Folder /t/a/b deleted|File /t/a/x.txt deleted|Folder /t/a deleted"
     u"|Folder /t/empty deleted|File /t/z.txt deleted| "
     u"|Delete everything in /nope older than 1 days| |Folder /nope does not exist| "},
    {"EmptyFolderKeepsWhatIsRecentLinkedUnreadableOrUndeletable",
     u"/t/a/b/y.txt@48h /t/a/b/new.txt@1h /t/a/x.txt@48h /t/link/elsewhere.txt@48h "
     u"/t/locked/l.txt@48h /t/broken/b.txt@48h /t/stuck/s.txt@48h /t/read.txt@48h",
     u"SubFolders /t/locked=70;Files /t/broken=57;DeleteFolder /t/stuck=70",
     [](Rig& r) {
       r.disk.Node(u"/t/link").attributes |= platform::attr::kAlias;
       r.disk.Node(u"/t/read.txt").accessed = r.fake.clock.now - 1h;
       r.each({u"/t"}, [](FileTree& t) { t.EmptyFolder(1); });
       EXPECT_EQ(r.disk.nodes.size(), 16u - 3u) << "three files deleted";
     },
     u"|Delete everything in /t older than 1 days| |File /t/a/b/y.txt deleted"
     u"|~File /t/a/b/new.txt not deleted|~Folder /t/a/b skipped|File /t/a/x.txt deleted"
     u"|~Folder /t/a skipped|~Folder /t/link skipped|!Permission denied (/t/locked)"
     u"|~Folder /t/locked skipped|~Folder /t/broken skipped|File /t/stuck/s.txt deleted"
     u"|!Failed to delete folder /t/stuck|~File /t/read.txt not deleted| ",
     u"sigpatch.FileTree.pEmptyFolder: 57, Device I/O error"},
    {"RemoveOldFileDeletesOnlyAnOldFile", u"/d/old.txt@96h /d/young.txt@24h",
     u"FileExists /d/f.txt=71",
     [](Rig& r) {
       r.each({u"/d/old.txt", u"/d/young.txt", u"/d/f.txt"},
              [](FileTree& t) { t.RemoveOldFile(3); });
     },
     u"|Deleting /d/old.txt if it's older than 3 days| |File /d/old.txt deleted| "
     u"|Deleting /d/young.txt if it's older than 3 days| |File /d/young.txt not deleted| "
     u"|Deleting /d/f.txt if it's older than 3 days| | ",
     u"sigpatch.FileTree.pRemoveOldFile: 71, Disk not ready"},
    {"RemoveEmptySubFoldersRemovesOnlyFoldersWithNoFileBelow",
     u"/t/empty/ /t/full/a.txt /t/nested/inner/b.txt /t/hollow/x/y/ /t/top.txt@480h", u"",
     [](Rig& r) { r.each({u"/t"}, [](FileTree& t) { t.RemoveEmptySubFolders(); }); },
     u"|Delete all folders in /t not containing any files| |Folder /t/empty deleted"
     u"|~Folder /t/full skipped|~Folder /t/nested skipped|Folder /t/hollow deleted| "}};

TEST(FileTreeTest, EveryStepReportsEveryItemAndEveryFailure) {
  for (auto cases : {std::span<const Case>(kUpdates), std::span<const Case>(kCleaning)}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      Rig r;
      r.lay(c.layout);
      r.fault(c.faults);
      if (c.run) c.run(r);
      if (cases.data() == kCleaning) {
        EXPECT_EQ(r.trace, c.lines);
      } else {
        const bool ok =
            !*c.message && std::u16string_view(c.lines).find(u"|!") == std::u16string::npos;
        EXPECT_EQ(r.tree->UpdateTree(), ok);
        EXPECT_EQ(r.trace, u"|Update files in " + r.tree->DestinationDir + u" with files from " +
                               r.tree->SourceDir + u"| " + c.lines +
                               (ok ? u"| |OK!| " : u"| |!There where some errors!| "));
      }
      EXPECT_EQ(r.messages(), c.message);
    }
  }
}

TEST(FileTreeTest, DrivesRootsAndSeparatorsOfEachStyle) {
  const std::tuple<PathStyle, const char16_t*, const char16_t*> cases[] = {
      {PathStyle::Posix, u"", u""},
      {PathStyle::Posix, u"/", u""},
      {PathStyle::Posix, u"/a/b:/", u"|Folder /a created|Folder /a/b: created"},
      {PathStyle::Windows, u"C:", u""},
      {PathStyle::Windows, u"C:\\a\\b\\", u"|Folder C:\\a created|Folder C:\\a\\b created"},
      {PathStyle::Windows, u"ab:", u"|Folder ab: created"}};  // its own parent
  for (const auto& [style, path, lines] : cases) {
    SCOPED_TRACE(text::toUtf8(path));
    Rig r(style);
    r.tree->CreatePath(path);
    EXPECT_EQ(r.trace, lines);
  }
  Rig r(PathStyle::Windows);
  r.lay(u"C:\\src\\sub\\a.txt");
  from(r, u"C:\\src", u"C:\\dst");
  EXPECT_TRUE(r.tree->UpdateTree());
  EXPECT_NE(r.trace.find(u"|File a.txt copied from C:\\src\\sub\\ to C:\\dst\\sub\\|"),
            std::u16string::npos);
}

}  // namespace
}  // namespace sigpatch
