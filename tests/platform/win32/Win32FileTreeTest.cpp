// The folder-tree synchroniser on real temporary trees through the Windows
// file-system service and the system clock: Windows paths, file times and the
// read-only bit.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "app/AppMain.h"
#include "app/Application.h"
#include "fakes/FakePlatform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32System.h"
#include "runtime/Text.h"
#include "ui/frmMain.h"
#include "util/FileTree.h"
#include "util/TreeLines.h"

namespace sigpatch {
namespace {

using Line = sigpatch::testing::TreeLine;
using platform::win32::wide;
using sigpatch::testing::attributes;
using sigpatch::testing::black;
using sigpatch::testing::exists;
using sigpatch::testing::kSpacer;
using sigpatch::testing::readFile;
using sigpatch::testing::red;
using sigpatch::testing::setReadOnly;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

// Seconds since 1970 as the system's file time, and back.
FILETIME fileTimeOf(std::int64_t seconds) {
  const auto ticks = static_cast<std::uint64_t>((seconds + 11644473600LL) * 10000000LL);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::int64_t writtenAt(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_NE(::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data), 0);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

void setTimes(const std::u16string& path, std::int64_t seconds) {
  const HANDLE file = ::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << text::toUtf8(path);
  const FILETIME time = fileTimeOf(seconds);
  ::SetFileTime(file, nullptr, &time, &time);
  ::CloseHandle(file);
}

bool readOnly(const std::u16string& path) { return (attributes(path) & 1) != 0; }

class Win32FileTreeTest : public ::testing::Test {
 protected:
  Win32FileTreeTest() {
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

  // A path below the temporary folder, written with "/" in the test.
  std::u16string path(std::u16string_view name) const {
    std::u16string result = dir / name;
    for (auto& c : result) {
      if (c == u'/') c = u'\\';
    }
    return result;
  }
  void mkdirs(std::u16string_view name) {
    std::u16string partial;
    for (const char16_t c : std::u16string(name) + u"/") {
      if (c == u'/' && !partial.empty()) ::CreateDirectoryW(wide(path(partial)).c_str(), nullptr);
      partial += c;
    }
  }
  // A file written ten days ago, read-only when asked.
  void oldFile(std::u16string_view name, const std::string& bytes, bool locked = false) {
    const auto slash = name.rfind(u'/');
    if (slash != std::u16string_view::npos) mkdirs(name.substr(0, slash));
    writeFile(path(name), bytes);
    setTimes(path(name), tenDaysAgo);
    if (locked) setReadOnly(path(name), true);
  }

  fakes::FakePlatform fake;
  platform::win32::Win32Clock clock;
  platform::win32::Win32FileSystemService service;
  platform::win32::Win32System system;
  TempFolder dir;
  std::optional<Application> app;
  std::optional<FileTree> tree;
  std::vector<Line> lines;
  const std::int64_t tenDaysAgo = static_cast<std::int64_t>(::time(nullptr)) - 10 * 86400;
};

TEST_F(Win32FileTreeTest, UpdateTreeCopiesContentsDatesAndTheReadOnlyBitAndMakesTheFolders) {
  oldFile(u"src/a.txt", "alpha");
  oldFile(u"src/sub/deep/c.dat", std::string("\0\x80\xff", 3), true);
  tree->SourceDir = path(u"src");
  tree->DestinationDir = path(u"dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(lines,
            (std::vector<Line>{
                black(u"Update files in " + path(u"dst") + u" with files from " + path(u"src")),
                kSpacer,
                black(u"Folder " + path(u"dst") + u" created"),
                black(u"Folder " + path(u"dst/sub") + u" created"),
                black(u"Folder " + path(u"dst/sub/deep") + u" created"),
                black(u"File c.dat copied from " + path(u"src/sub/deep/") + u" to " +
                      path(u"dst/sub/deep/")),
                black(u"File a.txt copied from " + path(u"src/") + u" to " + path(u"dst/")),
                kSpacer,
                black(u"OK!"),
                kSpacer,
            }));
  EXPECT_EQ(readFile(path(u"dst/a.txt")), "alpha");
  EXPECT_EQ(readFile(path(u"dst/sub/deep/c.dat")), std::string("\0\x80\xff", 3));
  EXPECT_EQ(writtenAt(path(u"dst/a.txt")), tenDaysAgo);
  EXPECT_TRUE(readOnly(path(u"dst/sub/deep/c.dat")));
  EXPECT_FALSE(readOnly(path(u"dst/a.txt")));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(Win32FileTreeTest, UpdateTreeReplacesAnOlderReadOnlyFileAndLeavesANewerOne) {
  oldFile(u"src/old-at-dst.txt", "new contents");
  oldFile(u"dst/old-at-dst.txt", "old");
  setTimes(path(u"dst/old-at-dst.txt"), tenDaysAgo - 60);
  setReadOnly(path(u"dst/old-at-dst.txt"), true);
  oldFile(u"src/new-at-dst.txt", "source");
  oldFile(u"dst/new-at-dst.txt", "changed at the destination");
  setTimes(path(u"dst/new-at-dst.txt"), tenDaysAgo + 60);
  setReadOnly(path(u"dst/new-at-dst.txt"), true);
  tree->SourceDir = path(u"src");
  tree->DestinationDir = path(u"dst");
  EXPECT_TRUE(tree->UpdateTree());
  EXPECT_EQ(readFile(path(u"dst/old-at-dst.txt")), "new contents");
  EXPECT_EQ(readFile(path(u"dst/new-at-dst.txt")), "changed at the destination");
  EXPECT_EQ(lines.at(2),
            black(u"File old-at-dst.txt copied from " + path(u"src/") + u" to " + path(u"dst/")));
  EXPECT_EQ(lines.size(), 6u);
}

TEST_F(Win32FileTreeTest, UpdateTreeRefusesADestinationInsideTheSource) {
  oldFile(u"data/a.txt", "a");
  tree->SourceDir = path(u"data");
  tree->DestinationDir = path(u"data/backup");
  EXPECT_FALSE(tree->UpdateTree());
  EXPECT_EQ(lines.at(2),
            red(path(u"data/backup") + u" starts with " + path(u"data") + u", skipping..."));
  EXPECT_FALSE(exists(path(u"data/backup")));
}

TEST_F(Win32FileTreeTest, CreatePathMakesAFourDeepPathAndStopsAtADriveOrAFile) {
  tree->CreatePath(path(u"a/b/c/d/"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Folder " + path(u"a") + u" created"),
                       black(u"Folder " + path(u"a/b") + u" created"),
                       black(u"Folder " + path(u"a/b/c") + u" created"),
                       black(u"Folder " + path(u"a/b/c/d") + u" created"),
                   }));
  EXPECT_NE(attributes(path(u"a/b/c/d")) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  lines.clear();
  tree->CreatePath(dir.path().substr(0, 2));  // the bare drive
  tree->CreatePath(path(u"a/b/c/d"));
  EXPECT_TRUE(lines.empty());

  writeFile(path(u"f"), "a file in the way");
  tree->CreatePath(path(u"f/x"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       red(u"Failed to create folder " + path(u"f")),
                       red(u"Failed to create folder " + path(u"f/x")),
                   }));
}

TEST_F(Win32FileTreeTest, DeleteFolderRefusesAReadOnlyFileInside) {
  oldFile(u"t/ro/a.txt", "a", true);
  oldFile(u"t/plain/b.txt", "b");
  tree->DeleteFolder(path(u"t/ro"));
  tree->DeleteFolder(path(u"t/plain"));
  EXPECT_EQ(lines, (std::vector<Line>{
                       red(u"Failed to delete folder " + path(u"t/ro")),
                       black(u"Folder " + path(u"t/plain") + u" deleted"),
                   }));
  EXPECT_TRUE(exists(path(u"t/ro/a.txt")));
  EXPECT_FALSE(exists(path(u"t/plain")));
}

TEST_F(Win32FileTreeTest, EmptyFolderOfAnOldTreeRemovesReadOnlyFilesTooButNotTheFolder) {
  oldFile(u"t/a/x.txt", "x", true);
  oldFile(u"t/z.txt", "z");
  tree->SourceDir = path(u"t");
  tree->EmptyFolder(0);
  EXPECT_EQ(lines, (std::vector<Line>{
                       black(u"Delete everything in " + path(u"t") + u" older than 0 days"),
                       kSpacer,
                       black(u"File " + path(u"t/a/x.txt") + u" deleted"),
                       black(u"Folder " + path(u"t/a") + u" deleted"),
                       black(u"File " + path(u"t/z.txt") + u" deleted"),
                       kSpacer,
                   }));
  EXPECT_TRUE(exists(path(u"t")));
  EXPECT_FALSE(exists(path(u"t/a")));
  EXPECT_FALSE(exists(path(u"t/z.txt")));
}

}  // namespace
}  // namespace sigpatch
