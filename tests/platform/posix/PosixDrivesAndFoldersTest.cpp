#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/posix/PosixDrivesAndFolders.h"

namespace sigpatch::platform::posix {
namespace {

class PosixDrivesAndFoldersTest : public ::testing::Test {
 protected:
  PosixDrivesAndFoldersTest() {
    std::ofstream out(table);
    out << "/dev/sda1 / ext4 rw,relatime 0 0\n"
           "proc /proc proc rw,nosuid 0 0\n"
           "sysfs /sys sysfs rw 0 0\n"
           "/dev/sdb1 /media/my\\040usb vfat rw 0 0\n"
           "tmpfs /tmp tmpfs rw 0 0\n"
           "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
           "devtmpfs /dev devtmpfs rw 0 0\n"
           "broken line\n";
  }
  ~PosixDrivesAndFoldersTest() override { std::remove(table.c_str()); }

  // A table of each test's own: ctest runs the tests side by side.
  std::string table = ::testing::TempDir() + "sigpatch-mounts-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(PosixDrivesAndFoldersTest, DrivesAreTheRootAndTheMountsOfRealFileSystems) {
  PosixDrivesAndFolders folders(table);
  EXPECT_EQ(folders.Drives(), (std::vector<std::u16string>{u"/", u"/media/my usb", u"/tmp"}));
}

TEST_F(PosixDrivesAndFoldersTest, ThePathOfADriveIsItsLongestMountPoint) {
  PosixDrivesAndFolders folders(table);
  EXPECT_EQ(folders.DriveOf(u"/media/my usb/updates"), u"/media/my usb");
  EXPECT_EQ(folders.DriveOf(u"/media/my usbx"), u"/");
  EXPECT_EQ(folders.DriveOf(u"/tmp"), u"/tmp");
  EXPECT_EQ(folders.DriveOf(u"/tmp/"), u"/tmp");
  EXPECT_EQ(folders.DriveOf(u"/etc/hosts"), u"/");
  EXPECT_EQ(folders.DriveOf(u"/proc/self"), u"/");
  EXPECT_TRUE(folders.IsDrive(u"/tmp/"));
  EXPECT_TRUE(folders.IsDrive(u"/"));
  EXPECT_FALSE(folders.IsDrive(u"/etc"));
}

TEST_F(PosixDrivesAndFoldersTest, FoldersAreFoundAbsoluteAndNormal) {
  PosixDrivesAndFolders folders(table);
  EXPECT_EQ(folders.FindFolder(u"/tmp/../tmp/"), u"/tmp");
  EXPECT_EQ(folders.FindFolder(u"/"), u"/");
  EXPECT_EQ(folders.FindFolder(u"//"), u"/");
  EXPECT_EQ(folders.FindFolder(u"/no/such/folder"), std::nullopt);
  EXPECT_EQ(folders.FindFolder(u"."), folders.CurrentFolder());
}

TEST_F(PosixDrivesAndFoldersTest, ADriveThatCannotBeReadIsNotReady) {
  PosixDrivesAndFolders folders(table);
  EXPECT_TRUE(folders.IsReady(u"/"));
  EXPECT_FALSE(folders.IsReady(u"/media/my usb"));
}

TEST(PosixDrivesAndFoldersSystemTest, TheRunningSystemHasTheRootDrive) {
  PosixDrivesAndFolders folders;
  ASSERT_FALSE(folders.Drives().empty());
  EXPECT_EQ(folders.Drives().front(), u"/");
  for (const auto& drive : folders.Drives()) {
    EXPECT_NE(drive, u"/proc");
    EXPECT_NE(drive, u"/sys");
  }
}

}  // namespace
}  // namespace sigpatch::platform::posix
