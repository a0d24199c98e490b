// Folders and file dates where only the real system shows them: the drives
// from the mount table, links and local times through FileUtilities (the rest
// is in tests/util/FileUtilitiesTest.cpp).

#include <gtest/gtest.h>

#include "PosixTestSupport.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "util/FileUtilities.h"

namespace sigpatch::platform::posix {
namespace {

using namespace sigpatch::testing;

TEST(PosixFoldersTest, DrivesAreTheMountsOfRealFileSystemsAndThePathsInThem) {
  TempFolder dir;
  writeFile(
      dir / "mounts",
      "/dev/sda1 / ext4 rw,relatime 0 0\nproc /proc proc rw,nosuid 0 0\nsysfs /sys sysfs rw 0 "
      "0\n/dev/sdb1 /media/my\\040usb vfat rw 0 0\ntmpfs /tmp tmpfs rw 0 0\ncgroup2 "
      "/sys/fs/cgroup cgroup2 rw 0 0\ndevtmpfs /dev devtmpfs rw 0 0\nbroken line\n");
  PosixDrivesAndFolders folders(dir / "mounts");
  EXPECT_EQ(folders.Drives(), (std::vector<std::u16string>{u"/", u"/media/my usb", u"/tmp"}));
  const std::pair<const char16_t*, const char16_t*> drives[] = {
      {u"/media/my usb/updates", u"/media/my usb"},
      {u"/media/my usbx", u"/"},
      {u"/tmp", u"/tmp"},
      {u"/tmp/", u"/tmp"},
      {u"/etc/hosts", u"/"},
      {u"/proc/self", u"/"}};
  for (const auto& [path, drive] : drives) EXPECT_EQ(folders.DriveOf(path), drive);
  EXPECT_TRUE(folders.IsDrive(u"/tmp/") && folders.IsDrive(u"/"));
  EXPECT_FALSE(folders.IsDrive(u"/etc"));
  EXPECT_EQ(folders.FindFolder(u"/tmp/../tmp/"), u"/tmp");
  EXPECT_EQ(folders.FindFolder(u"//"), u"/");
  EXPECT_EQ(folders.FindFolder(u"/no/such/folder"), std::nullopt);
  EXPECT_EQ(folders.FindFolder(u"."), folders.CurrentFolder());
  EXPECT_TRUE(folders.IsReady(u"/"));
  EXPECT_FALSE(folders.IsReady(u"/media/my usb")) << "a drive that cannot be read is not ready";
  const auto running = PosixDrivesAndFolders().Drives();
  ASSERT_FALSE(running.empty());
  EXPECT_EQ(running.front(), u"/");
  for (const auto& drive : running) EXPECT_TRUE(drive != u"/proc" && drive != u"/sys");
}

TEST(PosixFoldersTest, FileDatesAreLocalTimesAndLinksLeadToTheirFolders) {
  TempFolder dir;
  PosixServices services;
  FileUtilities fu;
  writeFile(dir / "thirty", std::string(30, 'x'));
  setTimes(dir / "thirty", 1078650301, 1078650302);  // 2004-03-07 09:05:01 UTC
  {
    ScopedEnv tz("TZ", "CET-1");  // one hour east of UTC, no summer time
    tzset();
    EXPECT_EQ(fu.GetFileModDate(u(dir / "thirty")), u"2004-03-07 10.05.01");
    EXPECT_EQ(fu.GetFileAccessedDate(u(dir / "thirty")), u"2004-03-07 10.05.02");
  }
  tzset();
  for (const auto& [tmp, folder] :
       {std::pair<std::optional<std::string>, const char16_t*>{std::nullopt, u"/tmp/"},
        {"/var/Tmp/Sig", u"/var/Tmp/Sig/"}}) {
    ScopedEnv tmpdir("TMPDIR", tmp);
    EXPECT_EQ(fu.GetTempDir(), folder);
  }
  mkdir((dir / "Real").c_str(), 0755);
  symlink((dir / "Real").c_str(), (dir / "link").c_str());
  EXPECT_EQ(fu.GetLongPath(u(dir / "link")), u(dir / "Real"));
  EXPECT_EQ(fu.GetShortPath(u(dir / "link")), u(dir / "link"));
  EXPECT_EQ(fu.GetLongPath(u(dir / "missing")), u"");
}

}  // namespace
}  // namespace sigpatch::platform::posix
