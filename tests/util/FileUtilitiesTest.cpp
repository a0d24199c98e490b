#include <gtest/gtest.h>

#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

using fakes::ImmediateStop;

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
    return disk().AddFile(path, std::move(bytes));
  }
  fakes::FakeDisk& disk() { return service.disk; }

  fakes::FakePlatform fake;
  fakes::FakeFileSystemService service;
  fakes::FakeSystem system;
  FileUtilities fu{runtime::PathStyle::Posix};
};

TEST_F(FileUtilitiesTest, MakesTheFileSystemObjectOnceOnFirstUse) {
  EXPECT_EQ(service.created, 0);
  file(u"/d/a", "0123456789");
  EXPECT_EQ(fu.GetFileSize(u"/d/a"), 10);
  EXPECT_EQ(fu.GetFileString(u"/d/a"), u"0123456789");
  EXPECT_EQ(&fu.FSO(), &fu.FSO());
  EXPECT_EQ(service.created, 1);
}

TEST_F(FileUtilitiesTest, StopsTheProgramWhenTheServiceIsMissing) {
  service.available = false;
  EXPECT_THROW(fu.DeleteFile(u"/d/a"), ImmediateStop);
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Windows Scripting Host not available!");
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::OkOnly);
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
}

TEST_F(FileUtilitiesTest, StopsTheProgramWhenNoServiceIsInstalled) {
  fake.Set([](platform::Platform& services) { services.fileSystem = nullptr; });
  EXPECT_THROW(fu.IsRealZipFile(u"/d/a"), ImmediateStop);
  EXPECT_EQ(fake.windowing.messages.at(0).prompt, u"Windows Scripting Host not available!");
}

TEST_F(FileUtilitiesTest, ReadsFilesAsSingleByteText) {
  file(u"/d/a", std::string("ab\x80\xff\0z", 6));
  EXPECT_EQ(fu.GetFileString(u"/d/a"), std::u16string(u"ab\u20AC\u00FF\0z", 6));
  file(u"/d/empty");
  EXPECT_EQ(fu.GetFileString(u"/d/empty"), u"");
  EXPECT_EQ(fu.GetFileString(u"/d/missing"), u"");
}

TEST_F(FileUtilitiesTest, ReadsTheFirstAndLastBytes) {
  file(u"/d/ten", "0123456789");
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/ten", 4), u"0123");
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 3), u"789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 40), u"0123456789");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 0), u"");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", -1), u"");
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/missing", 4), u"");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/missing", 4), u"");
}

TEST_F(FileUtilitiesTest, AReadErrorGivesNothing) {
  file(u"/d/ten", "0123456789");
  disk().faults[u"Read"] = 57;
  EXPECT_EQ(fu.GetFileString(u"/d/ten"), u"");
  EXPECT_EQ(fu.GetFirstBytesFromFile(u"/d/ten", 2), u"");
  EXPECT_EQ(fu.GetLastBytesFromFile(u"/d/ten", 2), u"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, SizesAndDatesPassFaultsToTheCaller) {
  auto& thirty = file(u"/d/thirty", std::string(30, 'x'));
  thirty.modified = at(2004, 3, 7, 9, 5, 1);
  thirty.accessed = at(2026, 12, 31, 23, 59, 59);
  EXPECT_EQ(fu.GetFileSize(u"/d/thirty"), 30);
  EXPECT_EQ(fu.GetFileModDate(u"/d/thirty"), u"2004-03-07 09.05.01");
  EXPECT_EQ(fu.GetFileAccessedDate(u"/d/thirty"), u"2026-12-31 23.59.59");
  for (auto call : {+[](FileUtilities& f) { f.GetFileSize(u"/d/gone"); },
                    +[](FileUtilities& f) { f.GetFileModDate(u"/d/gone"); },
                    +[](FileUtilities& f) { f.GetFileAccessedDate(u"/d/gone"); }}) {
    try {
      call(fu);
      ADD_FAILURE() << "a missing file is a fault";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), 53);
    }
  }
}

TEST_F(FileUtilitiesTest, AFileOf2GiBOverflowsTheSize) {
  file(u"/d/big").size = std::int64_t{1} << 31;
  try {
    fu.GetFileSize(u"/d/big");
    FAIL() << "2 GiB do not fit a 32-bit size";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
  file(u"/d/fits").size = (std::int64_t{1} << 31) - 1;
  EXPECT_EQ(fu.GetFileSize(u"/d/fits"), INT32_MAX);
}

TEST_F(FileUtilitiesTest, CopyOntoAReadOnlyFileClearsItsBitFirst) {
  file(u"/s/new", "new");
  auto& old = file(u"/d/old", "old");
  old.attributes = platform::attr::kReadOnly | platform::attr::kHidden;
  EXPECT_TRUE(fu.CopyFile(u"/s/new", u"/d/old"));
  EXPECT_EQ(disk().Node(u"/d/old").bytes, "new");
  EXPECT_EQ(disk().calls, (std::vector<std::u16string>{u"GetFile /d/old", u"SetAttributes /d/old 2",
                                                       u"CopyFile /s/new /d/old"}));
}

TEST_F(FileUtilitiesTest, CopyFailuresGiveFalse) {
  file(u"/s/a", "a");
  EXPECT_FALSE(fu.CopyFile(u"/s/missing", u"/d/x"));
  EXPECT_FALSE(fu.CopyFile(u"/s/a", u"/nofolder/x"));
  disk().faults[u"CopyFile"] = 70;
  EXPECT_FALSE(fu.CopyFile(u"/s/a", u"/s/b"));
  disk().faults = {{u"SetAttributes", 70}};
  file(u"/s/ro").attributes = platform::attr::kReadOnly;
  EXPECT_FALSE(fu.CopyFile(u"/s/a", u"/s/ro"));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, DeleteClearsTheReadOnlyBitAndReportsFailuresAsFalse) {
  file(u"/d/ro").attributes = platform::attr::kReadOnly;
  EXPECT_TRUE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(disk().Has(u"/d/ro"));
  EXPECT_FALSE(fu.DeleteFile(u"/d/ro"));
  file(u"/d/busy");
  disk().faults[u"DeleteFile"] = 70;
  EXPECT_FALSE(fu.DeleteFile(u"/d/busy"));
  EXPECT_TRUE(disk().Has(u"/d/busy"));
}

struct AgeCase {
  const char* name;
  platform::Clock::TimePoint modified;
  platform::Clock::TimePoint accessed;
  std::int32_t days;
  bool deleted;
};

class DeleteOldFileTest : public FileUtilitiesTest,
                          public ::testing::WithParamInterface<AgeCase> {};

// Now is 2026-12-06 10:00:00.
INSTANTIATE_TEST_SUITE_P(
    Ages, DeleteOldFileTest,
    ::testing::Values(
        AgeCase{"BothBeforeThisSecond", at(2026, 12, 6, 9, 59, 59), at(2026, 12, 6, 9, 59, 59), 0,
                true},
        AgeCase{"WrittenThisSecond", at(2026, 12, 6, 10, 0, 0), at(2026, 12, 6, 9, 0, 0), 0, false},
        AgeCase{"ReadThisSecond", at(2026, 12, 6, 9, 0, 0), at(2026, 12, 6, 10, 0, 0), 0, false},
        AgeCase{"ThirtyOneDays", at(2026, 11, 5, 10, 0, 0), at(2026, 11, 5, 9, 59, 59), 30, true},
        AgeCase{"ExactlyThirtyDays", at(2026, 11, 6, 10, 0, 0), at(2026, 11, 1, 0, 0, 0), 30,
                false},
        AgeCase{"TwentyNineDays", at(2026, 11, 7, 10, 0, 0), at(2026, 11, 7, 10, 0, 0), 30, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_P(DeleteOldFileTest, DeletesOnlyWhenWriteAndAccessAreBothBeforeTheLimit) {
  auto& node = file(u"/d/f", "x");
  node.modified = GetParam().modified;
  node.accessed = GetParam().accessed;
  node.attributes = platform::attr::kReadOnly;
  EXPECT_EQ(fu.DeleteOldFile(u"/d/f", GetParam().days), GetParam().deleted);
  EXPECT_EQ(disk().Has(u"/d/f"), !GetParam().deleted);
}

TEST_F(FileUtilitiesTest, DeleteOldFileGivesFalseWhenTheDeletionFails) {
  auto& node = file(u"/d/f", "x");
  node.modified = node.accessed = at(2000, 1, 1, 0, 0, 0);
  disk().faults[u"DeleteFile"] = 70;
  EXPECT_FALSE(fu.DeleteOldFile(u"/d/f", 1));
  EXPECT_FALSE(fu.DeleteOldFile(u"/d/missing", 1));
}

TEST_F(FileUtilitiesTest, FindLargestFileTakesTheFirstOfTheLargestInTheServicesOrder) {
  file(u"/d/ten", std::string(10, 'x'));
  file(u"/d/zeta", std::string(30, 'x'));
  file(u"/d/alpha", std::string(30, 'x'));
  disk().AddFolder(u"/d/sub");
  file(u"/d/sub/huge", std::string(99, 'x'));
  EXPECT_EQ(fu.FindLargestFile(u"/d"), u"zeta");
  file(u"/e/empty1");
  file(u"/e/empty2");
  EXPECT_EQ(fu.FindLargestFile(u"/e"), u"");
  EXPECT_EQ(fu.FindLargestFile(u"/missing"), u"");
}

struct SignatureCase {
  const char* name;
  std::string bytes;
  bool zip, rar, ace, exe;
};

std::string selfExtractor() {
  std::string bytes(130, 'M');
  const unsigned char tail[] = {126, 83, 150, 70, 16,  0,  150, 70, 16, 0,   150, 70,  16,  0,  150,
                                70,  16, 0,   23, 70,  16, 0,   18, 64, 22,  0,   151, 70,  16, 0,
                                17,  90, 18,  0,  151, 70, 16,  0,  82, 105, 99,  104, 150, 70};
  bytes.append(reinterpret_cast<const char*>(tail), sizeof tail);
  return bytes + "rest of the program";
}

const std::string kExe("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0\xb8", 17);

class SignatureTest : public FileUtilitiesTest,
                      public ::testing::WithParamInterface<SignatureCase> {};

INSTANTIATE_TEST_SUITE_P(
    Headers, SignatureTest,
    ::testing::Values(
        SignatureCase{"Zip", std::string("PK\x03\x04\x14\0\0\0", 8), true, false, false, false},
        SignatureCase{"ZipCentralRecord", std::string("PK\x05\x06\0\0\0\0", 8), false, false, false,
                      false},
        SignatureCase{"ThreeBytes", "PK\x03", false, false, false, false},
        SignatureCase{"SelfExtractingZip", selfExtractor(), true, false, false, false},
        SignatureCase{"Rar", std::string("Rar!\x1a\x07\0", 7), false, true, false, false},
        SignatureCase{"Ace", std::string("\x12\x34\x56\x78\x9a\xbc\xde**ACE**\x14", 15), false,
                      false, true, false},
        SignatureCase{"AceTooShort", "1234567**ACE*", false, false, false, false},
        SignatureCase{"Exe", kExe, false, false, false, true},
        SignatureCase{"ExeOtherLinker", std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xfe\0", 15),
                      false, false, false, false},
        SignatureCase{"Empty", "", false, false, false, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_P(SignatureTest, ComparesTheLeadingBytesExactly) {
  file(u"/d/f", GetParam().bytes);
  EXPECT_EQ(fu.IsRealZipFile(u"/d/f"), GetParam().zip);
  EXPECT_EQ(fu.IsRealRarFile(u"/d/f"), GetParam().rar);
  EXPECT_EQ(fu.IsRealAceFile(u"/d/f"), GetParam().ace);
  EXPECT_EQ(fu.IsRealEXEFile(u"/d/f"), GetParam().exe);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, AMissingFileIsNoArchiveAndNoMessage) {
  EXPECT_FALSE(fu.IsRealZipFile(u"/d/missing"));
  EXPECT_FALSE(fu.IsRealEXEFile(u"/d/missing"));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(FileUtilitiesTest, SystemFoldersAreUpperCasedOnlyInTheWindowsStyle) {
  FileUtilities windows(runtime::PathStyle::Windows);
  EXPECT_EQ(windows.GetWindowsDir(), u"C:\\WINDOWS");
  EXPECT_EQ(windows.GetWindowsSystemDir(), u"C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(windows.GetTempDir(), u"C:\\TEMP\\");
  system.windowsDir = u"/";
  system.systemDir = u"/usr/bin";
  system.tempPath = u"/tmp/Sig Work/";
  EXPECT_EQ(fu.GetWindowsDir(), u"/");
  EXPECT_EQ(fu.GetWindowsSystemDir(), u"/usr/bin");
  EXPECT_EQ(fu.GetTempDir(), u"/tmp/Sig Work/");
  system.tempPath.clear();
  EXPECT_EQ(fu.GetTempDir(), u"");
  EXPECT_EQ(service.created, 0);
}

TEST_F(FileUtilitiesTest, SpecialAndPathFormsComeFromTheSystem) {
  system.specialFolders[5] = u"/home/alice/Documents";
  EXPECT_EQ(fu.GetSpecialPath(5), u"/home/alice/Documents");
  EXPECT_EQ(fu.GetSpecialPath(3), u"");
  system.longPaths[u"/srv/link/x"] = u"/srv/real/x";
  system.shortPaths[u"/srv/link/x"] = u"/srv/link/x";
  EXPECT_EQ(fu.GetLongPath(u"/srv/link/x"), u"/srv/real/x");
  EXPECT_EQ(fu.GetShortPath(u"/srv/link/x"), u"/srv/link/x");
  EXPECT_EQ(fu.GetLongPath(u"/srv/missing"), u"");
  EXPECT_EQ(fu.GetShortPath(u"/srv/missing"), u"");
}

TEST_F(FileUtilitiesTest, CheckDirExistsAsksADirectorySearchAndTurnsErrorsIntoFalse) {
  system.foundEntries = {u"/srv/updates", u"/srv/updates/sdat*.exe"};
  EXPECT_TRUE(fu.CheckDirExists(u"/srv/updates"));
  EXPECT_TRUE(fu.CheckDirExists(u"/srv/updates/sdat*.exe"));
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/nothing"));
  system.findFault = 52;
  EXPECT_FALSE(fu.CheckDirExists(u"/srv/updates"));
}

}  // namespace
}  // namespace sigpatch
