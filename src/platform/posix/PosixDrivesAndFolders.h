#pragma once

#include <string>
#include <vector>

#include "platform/DrivesAndFolders.h"

namespace sigpatch::platform::posix {

/// The drives and folders of a POSIX system: "/" and the mount points of real
/// file systems (not proc, sysfs, cgroup, devtmpfs and the like) are the
/// drives; the drive of a path is its longest mount point; a drive that cannot
/// be read is not ready.
class PosixDrivesAndFolders : public DrivesAndFolders {
 public:
  /// Reads the mount table (a file in the format of /proc/self/mounts).
  explicit PosixDrivesAndFolders(std::string mountTable = "/proc/self/mounts");

  std::u16string CurrentFolder() override;
  std::u16string DriveOf(std::u16string_view path) override;
  bool IsReady(std::u16string_view drive) override;
  bool IsDrive(std::u16string_view path) override;
  std::optional<std::u16string> FindFolder(std::u16string_view path) override;

  /// The drives, "/" first.
  std::vector<std::u16string> Drives() override { return drives_; }

 private:
  /// The path made absolute and lexically normal, without a trailing "/".
  std::u16string Absolute(std::u16string_view path);

  std::vector<std::u16string> drives_;
};

}  // namespace sigpatch::platform::posix
