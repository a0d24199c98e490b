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
  EXPECT_EQ(fu.GetFileSize(u"/d/a"), 10);
  EXPECT_EQ(&fu.FSO(), &fu.FSO());
  EXPECT_EQ(service.created, 1);
  service.available = false;
  EXPECT_THROW(FileUtilities().DeleteFile(u"/d/a"), fakes::ImmediateStop);
  fake.Set([](platform::Platform& services) { services.fileSystem = nullptr; });
  EXPECT_THROW(FileUtilities().IsRealZipFile(u"/d/a"), fakes::ImmediateStop);
  ASSERT_EQ(fake.windowing.messages.size(), 2u);
  EXPECT_EQ(fake.windowing.messages[1].prompt, u"Windows Scripting Host not available!");
}

TEST_F(FileUtilitiesTest, ReadsWholeFilesAndTheirFirstOrLastBytesAsSingleByteTextOrNothing) {
  file(u"/d/ten", "0123456789");
  file(u"/d/bytes", std::string("ab\x80\xff\0z", 6));
  file(u"/d/empty");
  file(u"/d/faulty", "0123456789");
  disk.faults[u"Read /d/faulty"] = 57;
  const std::tuple<const char16_t*, std::u16string, std::u16string, std::u16string> cases[] = {
      {u"/d/ten", u"0123456789", u"0123", u"789"},
      {u"/d/bytes", std::u16string(u"ab\u20AC\u00FF\0z", 6), u"ab\u20AC\u00FF",
       std::u16string(u"\u00FF\0z", 3)},
      {u"/d/empty", u"", u"", u""},
      {u"/d/missing", u"", u"", u""},
      {u"/d/faulty", u"", u"", u""}};
  for (const auto& [path, whole, first4, last3] : cases) {
    EXPECT_EQ(fu.GetFileString(path), whole);
    EXPECT_EQ(fu.GetFirstBytesFromFile(path, 4), first4);
    EXPECT_EQ(fu.GetLastBytesFromFile(path, 3), last3);
  }
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", -1), u"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, SizesAndDatesPassFaultsToTheCaller) {
  auto& thirty = file(u"/d/thirty", std::string(30, 'x'));
  thirty.modified = at(2004, 3, 7, 9, 5, 1);
  thirty.accessed = at(2026, 12, 31, 23, 59, 59);
  file(u"/d/big").size = std::int64_t{1} << 31;
  file(u"/d/fits").size = (std::int64_t{1} << 31) - 1;
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
  for (auto [from, to] : {std::pair{u"/s/missing", u"/d/y"},
                          {u"/s/new", u"/nofolder/y"},
                          {u"/s/new", u"/d/x"},
                          {u"/s/new", u"/d/stuck"}}) {
    EXPECT_FALSE(fu.CopyFile(from, to));
  }
  EXPECT_FALSE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(fu.DeleteFile(u"/d/busy"));
  EXPECT_TRUE(disk.Has(u"/d/busy"));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

// Now is 2026-12-06 10:00:00.
TEST_F(FileUtilitiesTest, DeleteOldFileDeletesWhenWriteAndAccessAreBothBeforeTheLimit) {
  const std::tuple<platform::Clock::TimePoint, platform::Clock::TimePoint, std::int32_t, bool>
      cases[] = {{at(2026, 12, 6, 9, 59, 59), at(2026, 12, 6, 9, 59, 59), 0, true},
                 {at(2026, 12, 6, 10, 0, 0), at(2026, 12, 6, 9, 0, 0), 0, false},
                 {at(2026, 12, 6, 9, 0, 0), at(2026, 12, 6, 10, 0, 0), 0, false},
                 {at(2026, 11, 5, 10, 0, 0), at(2026, 11, 5, 9, 59, 59), 30, true},
                 {at(2026, 11, 6, 10, 0, 0), at(2026, 11, 1, 0, 0, 0), 30, false},
                 {at(2026, 11, 7, 10, 0, 0), at(2026, 11, 7, 10, 0, 0), 30, false}};
  for (const auto& [modified, accessed, days, deleted] : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::pair(days, deleted)));
    auto& node = file(u"/d/f", "x");
    node.modified = modified;
    node.accessed = accessed;
    node.attributes = kReadOnly;
    EXPECT_EQ(fu.DeleteOldFile(u"/d/f", days), deleted);
    EXPECT_EQ(disk.Has(u"/d/f"), !deleted);
  }
  auto& old = file(u"/d/f", "x");
  old.modified = old.accessed = at(2000, 1, 1, 0, 0, 0);
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

// Whether each is a zip, rar, ace and exe file, as a string of four bits.
TEST_F(FileUtilitiesTest, SignaturesCompareTheLeadingBytesExactly) {
  const std::string exe("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0\xb8", 17);
  const std::pair<std::string, const char*> cases[] = {
      {std::string("PK\x03\x04\x14\0\0\0", 8), "1000"},
      {std::string("PK\x05\x06\0\0\0\0", 8), "0000"},  // a central record
      {"PK\x03", "0000"},
      {selfExtractor(""), "1000"},
      {selfExtractor(exe), "1001"},
      {std::string("Rar!\x1a\x07\0", 7), "0100"},
      {std::string("Rar!\x1a\x07\x01\0", 8), "0100"},
      {std::string("\x12\x34\x56\x78\x9a\xbc\xde**ACE**\x14", 15), "0010"},
      {"1234567**ACE*", "0000"},
      {exe, "0001"},
      {std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xfe\0", 15), "0000"},  // another linker
      {"", "0000"}};
  for (const auto& [bytes, kinds] : cases) {
    file(u"/d/f", bytes);
    const std::string found = {"01"[fu.IsRealZipFile(u"/d/f")], "01"[fu.IsRealRarFile(u"/d/f")],
                               "01"[fu.IsRealAceFile(u"/d/f")], "01"[fu.IsRealEXEFile(u"/d/f")]};
    EXPECT_EQ(found, kinds) << ::testing::PrintToString(bytes.substr(0, 16));
  }
  // A file missing or one its user may not read is no archive, and no message.
  disk.faults[u"OpenTextFile /d/secret"] = 70;
  file(u"/d/secret", "PK\x03\x04");
  for (auto path : {u"/d/missing", u"/d/secret"}) EXPECT_FALSE(fu.IsRealZipFile(path));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

// System folders are upper-cased in the Windows style only.
TEST_F(FileUtilitiesTest, FoldersComeFromTheSystem) {
  FileUtilities windows(runtime::PathStyle::Windows);
  EXPECT_EQ(windows.GetWindowsSystemDir() + windows.GetTempDir(),
            u"C:\\WINDOWS\\SYSTEM32C:\\TEMP\\");
  system.systemDir = u"/usr/bin";
  system.tempPath = u"/tmp/Sig Work/";
  EXPECT_EQ(fu.GetWindowsSystemDir() + fu.GetTempDir(), u"/usr/bin/tmp/Sig Work/");
  system.foundEntries = {u"/srv/updates/sdat*.exe"};
  EXPECT_TRUE(fu.CheckDirExists(u"/srv/updates/sdat*.exe"));
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/nothing"));
  system.findFault = 52;
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/updates/sdat*.exe"));
  EXPECT_EQ(service.created, 0);
}

}  // namespace
}  // namespace sigpatch
