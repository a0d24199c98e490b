// FileUtilities over the real file-system service, the real clock and real
// files written byte for byte.

#include <gtest/gtest.h>
#include <time.h>

#include "PosixTestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

using sigpatch::testing::asNobody;
using sigpatch::testing::readFile;
using sigpatch::testing::ScopedEnv;
using sigpatch::testing::setTimes;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

// A ZIP archive's first local header: "PK", 3, 4, version 20, flags, method 8...
const std::string kZip("PK\x03\x04\x14\x00\x00\x00\x08\x00\x9c\x6b\x67\x58", 14);
// A RAR 1.5 archive's marker block and a RAR 5 archive's signature.
const std::string kRar("Rar!\x1a\x07\x00\xcf\x90\x73\x00\x00\x0d\x00", 14);
const std::string kRar5("Rar!\x1a\x07\x01\x00\x33\x92\xb5\xe5", 12);
// An ACE archive's main header: CRC, size, type 0, flags, "**ACE**", versions.
const std::string kAce("\x8f\x4c\x31\x00\x00\x00\x90**ACE**\x14\x14\x02", 17);
// The start of a Windows executable as the common linkers write it.
const std::string kExe(
    "MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00\xb8\x00\x00\x00\x00\x00\x00\x00"
    "\x40\x00\x00\x00\x00\x00\x00\x00",
    32);

// A self-extracting ZIP: an executable whose build-record block ends in "Rich"
// at offsets 130 to 173.
std::string selfExtractingZip() {
  std::string bytes = kExe + std::string(130 - kExe.size(), '\0');
  const unsigned char record[] = {126, 83,  150, 70,  16,  0,  150, 70, 16,  0,   150,
                                  70,  16,  0,   150, 70,  16, 0,   23, 70,  16,  0,
                                  18,  64,  22,  0,   151, 70, 16,  0,  17,  90,  18,
                                  0,   151, 70,  16,  0,   82, 105, 99, 104, 150, 70};
  bytes.append(reinterpret_cast<const char*>(record), sizeof record);
  return bytes + std::string(64, '\0') + kZip;
}

class PosixFileUtilitiesTest : public ::testing::Test {
 protected:
  PosixFileUtilitiesTest() {
    fake.Set([&](platform::Platform& services) {
      services.clock = &clock;
      services.fileSystem = &service;
      services.system = &system;
    });
  }

  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return u(at(name)); }

  sigpatch::testing::ScopedTimeZone tz{"CET-1"};  // one hour east of UTC, no summer time
  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService service;
  platform::posix::PosixSystem system;
  TempFolder dir;
  FileUtilities fu;
};

TEST_F(PosixFileUtilitiesTest, RecognisesArchivesAndExecutablesByTheirBytes) {
  struct Case {
    std::string name, bytes;
    bool zip, rar, ace, exe;
  };
  const Case cases[] = {
      {"a.zip", kZip, true, false, false, false},
      {"b.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'), false, false, false, false},
      {"short", "PK\x03", false, false, false, false},
      {"sfx.exe", selfExtractingZip(), true, false, false, true},
      {"a.rar", kRar, false, true, false, false},
      {"a5.rar", kRar5, false, true, false, false},
      {"a.ace", kAce, false, false, true, false},
      {"sdat4321.exe", kExe + std::string(1000, '\x90'), false, false, false, true},
      {"empty", "", false, false, false, false},
  };
  for (const auto& c : cases) {
    writeFile(at(c.name), c.bytes);
    EXPECT_EQ(fu.IsRealZipFile(path(c.name)), c.zip) << c.name;
    EXPECT_EQ(fu.IsRealRarFile(path(c.name)), c.rar) << c.name;
    EXPECT_EQ(fu.IsRealAceFile(path(c.name)), c.ace) << c.name;
    EXPECT_EQ(fu.IsRealEXEFile(path(c.name)), c.exe) << c.name;
  }
  EXPECT_FALSE(fu.IsRealZipFile(path("missing")));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(PosixFileUtilitiesTest, AnUnreadableFileIsNoArchiveAndNoMessage) {
  writeFile(at("secret.zip"), kZip, 0600);
  EXPECT_EQ(asNobody([&] {
              FileUtilities nobody;
              const bool zip = nobody.IsRealZipFile(path("secret.zip"));
              return (zip ? 1 : 0) + (nobody.GetFileString(path("secret.zip")).empty() ? 0 : 2) +
                     (fake.windowing.messages.empty() ? 0 : 4);
            }),
            0);
}

TEST_F(PosixFileUtilitiesTest, ReadsBytesSizesAndLocalDates) {
  writeFile(at("zero"), "");
  writeFile(at("ten"), "0123456789");
  writeFile(at("thirty"), std::string("\x80\x81\xff", 3) + std::string(27, 'x'));
  setTimes(at("thirty"), 1078650301, 1078650302);  // 2004-03-07 09:05:01 UTC
  // Dates first: reading a file may move its date of last access.
  EXPECT_EQ(fu.GetFileModDate(path("thirty")), u"2004-03-07 10.05.01");
  EXPECT_EQ(fu.GetFileAccessedDate(path("thirty")), u"2004-03-07 10.05.02");
  EXPECT_EQ(fu.GetFileSize(path("zero")), 0);
  EXPECT_EQ(fu.GetFileSize(path("ten")), 10);
  EXPECT_EQ(fu.GetFileSize(path("thirty")), 30);
  EXPECT_EQ(fu.GetFileString(path("zero")), u"");
  EXPECT_EQ(fu.GetLastBytesFromFile(path("ten"), 4), u"6789");
  EXPECT_EQ(fu.GetLastBytesFromFile(path("ten"), 40), u"0123456789");
  EXPECT_EQ(fu.GetFirstBytesFromFile(path("thirty"), 3), u"\u20AC\u0081\u00FF");
}

TEST_F(PosixFileUtilitiesTest, DeletesOldFilesOnlyWhenWrittenAndReadBeforeTheLimit) {
  const time_t now = time(nullptr);
  const time_t day = 24 * 60 * 60;
  writeFile(at("old"), "o", 0444);
  setTimes(at("old"), now - 40 * day, now - 31 * day);
  writeFile(at("readLately"), "r");
  setTimes(at("readLately"), now - 40 * day, now - 29 * day);
  writeFile(at("new"), "n");
  EXPECT_TRUE(fu.DeleteOldFile(path("old"), 30));
  EXPECT_FALSE(fu.DeleteOldFile(path("readLately"), 30));
  EXPECT_FALSE(fu.DeleteOldFile(path("new"), 0));
  setTimes(at("new"), now - 2, now - 2);
  EXPECT_TRUE(fu.DeleteOldFile(path("new"), 0));
  EXPECT_FALSE(fu.DeleteOldFile(path("missing"), 0));
  EXPECT_EQ(readFile(at("readLately")), "r");
}

TEST_F(PosixFileUtilitiesTest, CopiesOverAndDeletesReadOnlyFiles) {
  writeFile(at("source"), "new");
  writeFile(at("dest"), "old", 0444);
  EXPECT_TRUE(fu.CopyFile(path("source"), path("dest")));
  EXPECT_EQ(readFile(at("dest")), "new");
  writeFile(at("locked"), "x", 0444);
  EXPECT_TRUE(fu.DeleteFile(path("locked")));
  EXPECT_FALSE(fu.FSO().FileExists(path("locked")));
  EXPECT_FALSE(fu.CopyFile(path("missing"), path("dest")));
  EXPECT_FALSE(fu.DeleteFile(path("missing")));
}

TEST_F(PosixFileUtilitiesTest, FindsTheFirstLargestFileInTheListingsOrder) {
  writeFile(at("ten"), std::string(10, 'x'));
  writeFile(at("thirtyA"), std::string(30, 'x'));
  writeFile(at("thirtyB"), std::string(30, 'x'));
  mkdir(at("sub").c_str(), 0755);
  writeFile(at("sub/big"), std::string(100, 'x'));
  std::u16string first;
  for (const auto& file : fu.FSO().GetFolder(u(dir.path()))->Files()) {
    if (first.empty() && file->Size() == 30) first = file->Name();
  }
  EXPECT_EQ(fu.FindLargestFile(u(dir.path())), first);
  EXPECT_EQ(fu.FindLargestFile(path("nothing")), u"");
}

TEST_F(PosixFileUtilitiesTest, SystemFoldersHaveTheirLinuxMeaning) {
  {
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(fu.GetTempDir(), u"/tmp/");
  }
  {
    ScopedEnv tmp("TMPDIR", "/var/Tmp/Sig");
    EXPECT_EQ(fu.GetTempDir(), u"/var/Tmp/Sig/");
  }
  EXPECT_EQ(fu.GetWindowsDir(), u"/");
  EXPECT_EQ(fu.GetWindowsSystemDir(), u"/usr/bin");
  mkdir(at("Real").c_str(), 0755);
  symlink(at("Real").c_str(), at("link").c_str());
  EXPECT_EQ(fu.GetLongPath(path("link")), path("Real"));
  EXPECT_EQ(fu.GetShortPath(path("link")), path("link"));
  EXPECT_EQ(fu.GetLongPath(path("missing")), u"");
  EXPECT_TRUE(fu.CheckDirExists(path("Real")));
  EXPECT_TRUE(fu.CheckDirExists(path("Real/")));
  EXPECT_FALSE(fu.CheckDirExists(path("real")));
}

}  // namespace
}  // namespace sigpatch
