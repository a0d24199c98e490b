// FileUtilities against the fake disk and system, a table a function.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "platform/FileSystemBehaviour.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

using platform::attr::kReadOnly;
using testing::errorOf;

// A time point of a calendar time (the fake clock's local time is UTC).
platform::Clock::TimePoint at(int year, int month, int day, int hour, int minute, int second) {
  fakes::FakeClock clock;
  clock.Set({year, month, day, hour, minute, second});
  return clock.now;
}

class FileUtilitiesTest : public ::testing::Test {
 protected:
  FileUtilitiesTest() {
    fake.Set([&](platform::Platform& services) {
      services.fileSystem = &service;
      services.system = &system;
    });
    fake.clock.Set({2026, 12, 6, 10, 0, 0});
  }

  fakes::FakeNode& file(const std::u16string& path, std::string bytes = {}) {
    return disk.AddFile(path, std::move(bytes));
  }

  fakes::FakePlatform fake;
  fakes::FakeFileSystemService service{runtime::PathStyle::Posix};
  fakes::FakeDisk& disk = service.disk;
  fakes::FakeSystem system;
  FileUtilities fu{runtime::PathStyle::Posix};
};

TEST_F(FileUtilitiesTest, MakesTheFileSystemObjectOnceAndStopsTheProgramWithoutIt) {
  file(u"/d/a", "0123456789");
  EXPECT_EQ(service.created, 0);
  EXPECT_EQ(fu.GetFileSize(u"/d/a"), 10);
  EXPECT_EQ(&fu.FSO(), &fu.FSO());
  EXPECT_EQ(service.created, 1);

  service.available = false;
  EXPECT_THROW(FileUtilities().DeleteFile(u"/d/a"), fakes::ImmediateStop);
  fake.Set([](platform::Platform& services) { services.fileSystem = nullptr; });
  EXPECT_THROW(FileUtilities().IsRealZipFile(u"/d/a"), fakes::ImmediateStop);
  ASSERT_EQ(fake.windowing.messages.size(), 2u);
  EXPECT_EQ(fake.windowing.messages[1].prompt, u"Windows Scripting Host not available!");
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::OkOnly);
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
}

TEST_F(FileUtilitiesTest, ReadsWholeFilesAndTheirFirstOrLastBytesAsSingleByteTextOrNothing) {
  file(u"/d/ten", "0123456789");
  file(u"/d/bytes", std::string("ab\x80\xff\0z", 6));
  file(u"/d/empty");
  file(u"/d/faulty", "0123456789");
  disk.faults[u"Read /d/faulty"] = 57;
  const struct {
    const char16_t* path;
    std::u16string whole, first4, last3;
  } cases[] = {{u"/d/ten", u"0123456789", u"0123", u"789"},
               {u"/d/bytes", std::u16string(u"ab\u20AC\u00FF\0z", 6), u"ab\u20AC\u00FF",
                std::u16string(u"\u00FF\0z", 3)},
               {u"/d/empty", u"", u"", u""},
               {u"/d/missing", u"", u"", u""},
               {u"/d/faulty", u"", u"", u""}};
  for (const auto& c : cases) {
    EXPECT_EQ(fu.GetFileString(c.path), c.whole);
    EXPECT_EQ(fu.GetFirstBytesFromFile(c.path, 4), c.first4);
    EXPECT_EQ(fu.GetLastBytesFromFile(c.path, 3), c.last3);
  }
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 0), u"");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", -1), u"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, SizesAndDatesPassFaultsToTheCaller) {
  auto& thirty = file(u"/d/thirty", std::string(30, 'x'));
  thirty.modified = at(2004, 3, 7, 9, 5, 1);
  thirty.accessed = at(2026, 12, 31, 23, 59, 59);
  file(u"/d/big").size = std::int64_t{1} << 31;
  file(u"/d/fits").size = (std::int64_t{1} << 31) - 1;
  EXPECT_EQ(fu.GetFileSize(u"/d/thirty"), 30);
  EXPECT_EQ(fu.GetFileSize(u"/d/fits"), INT32_MAX);
  EXPECT_EQ(errorOf([&] { fu.GetFileSize(u"/d/big"); }), 6) << "2 GiB do not fit a 32-bit size";
  EXPECT_EQ(fu.GetFileModDate(u"/d/thirty"), u"2004-03-07 09.05.01");
  EXPECT_EQ(fu.GetFileAccessedDate(u"/d/thirty"), u"2026-12-31 23.59.59");
  EXPECT_EQ(errorOf([&] { fu.GetFileSize(u"/d/gone"); }), 53);
  EXPECT_EQ(errorOf([&] { fu.GetFileModDate(u"/d/gone"); }), 53);
  EXPECT_EQ(errorOf([&] { fu.GetFileAccessedDate(u"/d/gone"); }), 53);
}

TEST_F(FileUtilitiesTest, CopyAndDeleteClearTheReadOnlyBitFirstAndGiveFalseOnAnyFault) {
  file(u"/s/new", "new");
  file(u"/d/old", "old").attributes = kReadOnly | platform::attr::kHidden;
  EXPECT_TRUE(fu.CopyFile(u"/s/new", u"/d/old"));
  EXPECT_EQ(disk.Node(u"/d/old").bytes, "new");
  EXPECT_EQ(disk.calls, (std::vector<std::u16string>{u"GetFile /d/old", u"SetAttributes /d/old 2",
                                                     u"CopyFile /s/new /d/old"}));
  file(u"/d/ro").attributes = kReadOnly;
  EXPECT_TRUE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(disk.Has(u"/d/ro"));
  file(u"/d/busy");
  file(u"/d/stuck").attributes = kReadOnly;
  disk.faults = {{u"CopyFile /d/x", 70}, {u"DeleteFile /d/busy", 70}, {u"SetAttributes", 70}};
  EXPECT_FALSE(fu.CopyFile(u"/s/missing", u"/d/y"));
  EXPECT_FALSE(fu.CopyFile(u"/s/new", u"/nofolder/y"));
  EXPECT_FALSE(fu.CopyFile(u"/s/new", u"/d/x"));
  EXPECT_FALSE(fu.CopyFile(u"/s/new", u"/d/stuck"));
  EXPECT_FALSE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(fu.DeleteFile(u"/d/busy"));
  EXPECT_TRUE(disk.Has(u"/d/busy"));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, DeleteOldFileDeletesWhenWriteAndAccessAreBothBeforeTheLimit) {
  // Now is 2026-12-06 10:00:00.
  const struct {
    const char* name;
    platform::Clock::TimePoint modified, accessed;
    std::int32_t days;
    bool deleted;
  } cases[] = {
      {"BothBeforeThisSecond", at(2026, 12, 6, 9, 59, 59), at(2026, 12, 6, 9, 59, 59), 0, true},
      {"WrittenThisSecond", at(2026, 12, 6, 10, 0, 0), at(2026, 12, 6, 9, 0, 0), 0, false},
      {"ReadThisSecond", at(2026, 12, 6, 9, 0, 0), at(2026, 12, 6, 10, 0, 0), 0, false},
      {"ThirtyOneDays", at(2026, 11, 5, 10, 0, 0), at(2026, 11, 5, 9, 59, 59), 30, true},
      {"ExactlyThirtyDays", at(2026, 11, 6, 10, 0, 0), at(2026, 11, 1, 0, 0, 0), 30, false},
      {"TwentyNineDays", at(2026, 11, 7, 10, 0, 0), at(2026, 11, 7, 10, 0, 0), 30, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto& node = file(u"/d/f", "x");
    node.modified = c.modified;
    node.accessed = c.accessed;
    node.attributes = kReadOnly;
    EXPECT_EQ(fu.DeleteOldFile(u"/d/f", c.days), c.deleted);
    EXPECT_EQ(disk.Has(u"/d/f"), !c.deleted);
  }
  auto& node = file(u"/d/f", "x");
  node.modified = node.accessed = at(2000, 1, 1, 0, 0, 0);
  disk.faults[u"DeleteFile"] = 70;
  EXPECT_FALSE(fu.DeleteOldFile(u"/d/f", 1));
  EXPECT_FALSE(fu.DeleteOldFile(u"/d/missing", 1));
}

TEST_F(FileUtilitiesTest, FindLargestFileTakesTheFirstOfTheLargestInTheServicesOrder) {
  for (const auto& [path, size] : {std::pair{u"/d/ten", 10},
                                   {u"/d/zeta", 30},
                                   {u"/d/alpha", 30},
                                   {u"/d/sub/huge", 99},
                                   {u"/e/empty1", 0},
                                   {u"/e/empty2", 0},
                                   {u"/f/small", 1},
                                   {u"/f/faulty", 99}}) {
    file(path, std::string(size, 'x'));
  }
  disk.faults[u"Size /f/faulty"] = 57;
  EXPECT_EQ(fu.FindLargestFile(u"/d"), u"zeta");
  EXPECT_EQ(fu.FindLargestFile(u"/e"), u"");
  EXPECT_EQ(fu.FindLargestFile(u"/f"), u"small") << "the name found before the fault";
  EXPECT_EQ(fu.FindLargestFile(u"/missing"), u"");
}

std::string selfExtractor(std::string start) {
  start.resize(130, 'M');
  const unsigned char tail[] = {126, 83, 150, 70, 16,  0,  150, 70, 16, 0,   150, 70,  16,  0,  150,
                                70,  16, 0,   23, 70,  16, 0,   18, 64, 22,  0,   151, 70,  16, 0,
                                17,  90, 18,  0,  151, 70, 16,  0,  82, 105, 99,  104, 150, 70};
  start.append(reinterpret_cast<const char*>(tail), sizeof tail);
  return start + "rest of the program";
}

TEST_F(FileUtilitiesTest, SignaturesCompareTheLeadingBytesExactly) {
  const std::string exe("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0\xb8", 17);
  const struct {
    const char* name;
    std::string bytes;
    bool zip, rar, ace, exe;
  } cases[] = {
      {"Zip", std::string("PK\x03\x04\x14\0\0\0", 8), true, false, false, false},
      {"ZipCentralRecord", std::string("PK\x05\x06\0\0\0\0", 8), false, false, false, false},
      {"ThreeBytes", "PK\x03", false, false, false, false},
      {"SelfExtractingZip", selfExtractor(""), true, false, false, false},
      {"SelfExtractingZipExe", selfExtractor(exe), true, false, false, true},
      {"Rar", std::string("Rar!\x1a\x07\0", 7), false, true, false, false},
      {"Rar5", std::string("Rar!\x1a\x07\x01\0", 8), false, true, false, false},
      {"Ace", std::string("\x12\x34\x56\x78\x9a\xbc\xde**ACE**\x14", 15), false, false, true,
       false},
      {"AceTooShort", "1234567**ACE*", false, false, false, false},
      {"Exe", exe, false, false, false, true},
      {"ExeOtherLinker", std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xfe\0", 15), false, false,
       false, false},
      {"Empty", "", false, false, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    file(u"/d/f", c.bytes);
    EXPECT_EQ(fu.IsRealZipFile(u"/d/f"), c.zip);
    EXPECT_EQ(fu.IsRealRarFile(u"/d/f"), c.rar);
    EXPECT_EQ(fu.IsRealAceFile(u"/d/f"), c.ace);
    EXPECT_EQ(fu.IsRealEXEFile(u"/d/f"), c.exe);
  }
  // A file missing or one its user may not read is no archive, and no message.
  disk.faults[u"OpenTextFile /d/secret"] = 70;
  file(u"/d/secret", "PK\x03\x04");
  for (auto path : {u"/d/missing", u"/d/secret"}) {
    EXPECT_FALSE(fu.IsRealZipFile(path));
    EXPECT_FALSE(fu.IsRealEXEFile(path));
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, FoldersAndPathFormsComeFromTheSystem) {
  FileUtilities windows(runtime::PathStyle::Windows);
  EXPECT_EQ(windows.GetWindowsDir(), u"C:\\WINDOWS");
  EXPECT_EQ(windows.GetWindowsSystemDir(), u"C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(windows.GetTempDir(), u"C:\\TEMP\\");
  // System folders are not upper-cased in the POSIX style.
  system.windowsDir = u"/";
  system.systemDir = u"/usr/bin";
  system.tempPath = u"/tmp/Sig Work/";
  EXPECT_EQ(fu.GetWindowsDir(), u"/");
  EXPECT_EQ(fu.GetWindowsSystemDir(), u"/usr/bin");
  EXPECT_EQ(fu.GetTempDir(), u"/tmp/Sig Work/");
  system.tempPath.clear();
  EXPECT_EQ(fu.GetTempDir(), u"");
  system.specialFolders[5] = u"/home/alice/Documents";
  EXPECT_EQ(fu.GetSpecialPath(5), u"/home/alice/Documents");
  EXPECT_EQ(fu.GetSpecialPath(3), u"");
  system.longPaths[u"/srv/link/x"] = u"/srv/real/x";
  system.shortPaths[u"/srv/link/x"] = u"/srv/link/x";
  EXPECT_EQ(fu.GetLongPath(u"/srv/link/x"), u"/srv/real/x");
  EXPECT_EQ(fu.GetShortPath(u"/srv/link/x"), u"/srv/link/x");
  EXPECT_EQ(fu.GetLongPath(u"/srv/missing"), u"");
  EXPECT_EQ(fu.GetShortPath(u"/srv/missing"), u"");
  system.foundEntries = {u"/srv/updates", u"/srv/updates/sdat*.exe"};
  EXPECT_TRUE(fu.CheckDirExists(u"/srv/updates"));
  EXPECT_TRUE(fu.CheckDirExists(u"/srv/updates/sdat*.exe"));
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/nothing"));
  system.findFault = 52;
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/updates"));
  EXPECT_EQ(service.created, 0);
}

}  // namespace
}  // namespace sigpatch
