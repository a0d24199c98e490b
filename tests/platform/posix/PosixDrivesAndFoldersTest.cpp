#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/posix/PosixDrivesAndFolders.h"

namespace sigpatch::platform::posix {
namespace {

TEST(PosixDrivesAndFoldersTest, DrivesAreTheMountsOfRealFileSystemsAndThePathsInThem) {
  // A table of this test's own: ctest runs the tests side by side.
  const std::string table = ::testing::TempDir() + "sigpatch-mounts-drives";
  std::ofstream(table) << "/dev/sda1 / ext4 rw,relatime 0 0\nproc /proc proc rw,nosuid 0 0\n"
                          "sysfs /sys sysfs rw 0 0\n/dev/sdb1 /media/my\\040usb vfat rw 0 0\n"
                          "tmpfs /tmp tmpfs rw 0 0\ncgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                          "devtmpfs /dev devtmpfs rw 0 0\nbroken line\n";
  PosixDrivesAndFolders folders(table);
  std::remove(table.c_str());
  EXPECT_EQ(folders.Drives(), (std::vector<std::u16string>{u"/", u"/media/my usb", u"/tmp"}));
  const std::pair<const char16_t*, const char16_t*> drives[] = {
      {u"/media/my usb/updates", u"/media/my usb"},
      {u"/media/my usbx", u"/"},
      {u"/tmp", u"/tmp"},
      {u"/tmp/", u"/tmp"},
      {u"/etc/hosts", u"/"},
      {u"/proc/self", u"/"}};
  for (const auto& [path, drive] : drives) EXPECT_EQ(folders.DriveOf(path), drive);
  EXPECT_TRUE(folders.IsDrive(u"/tmp/"));
  EXPECT_TRUE(folders.IsDrive(u"/"));
  EXPECT_FALSE(folders.IsDrive(u"/etc"));
  EXPECT_EQ(folders.FindFolder(u"/tmp/../tmp/"), u"/tmp");
  EXPECT_EQ(folders.FindFolder(u"//"), u"/");
  EXPECT_EQ(folders.FindFolder(u"/no/such/folder"), std::nullopt);
  EXPECT_EQ(folders.FindFolder(u"."), folders.CurrentFolder());
  EXPECT_TRUE(folders.IsReady(u"/"));
  EXPECT_FALSE(folders.IsReady(u"/media/my usb")) << "a drive that cannot be read is not ready";
}

TEST(PosixDrivesAndFoldersTest, TheRunningSystemHasTheRootDriveAndNoProcOrSys) {
  PosixDrivesAndFolders folders;
  ASSERT_FALSE(folders.Drives().empty());
  EXPECT_EQ(folders.Drives().front(), u"/");
  for (const auto& drive : folders.Drives()) EXPECT_TRUE(drive != u"/proc" && drive != u"/sys");
}

}  // namespace
}  // namespace sigpatch::platform::posix
