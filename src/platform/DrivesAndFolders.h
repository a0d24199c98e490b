#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sigpatch::platform {

/// The drives and folders as a drive list and a folder list show them: which
/// drives there are, the drive of a path, and which folders exist.
class DrivesAndFolders {
 public:
  virtual ~DrivesAndFolders() = default;

  /// The drives now, in the order a drive list shows them.
  virtual std::vector<std::u16string> Drives() = 0;
  /// The process's current folder.
  virtual std::u16string CurrentFolder() = 0;
  /// The drive that `path` lies on ("c:" for "C:\Temp"; on POSIX the longest
  /// mount point that is a prefix); a relative path lies on the current drive.
  virtual std::u16string DriveOf(std::u16string_view path) = 0;
  /// Whether the drive can be read.
  virtual bool IsReady(std::u16string_view drive) = 0;
  /// Whether `path` names a drive alone ("c:", or a mount point on POSIX).
  virtual bool IsDrive(std::u16string_view path) = 0;
  /// The folder `path` names, absolute, without a trailing separator except at
  /// a root (a drive alone names its root); nothing when there is no such folder.
  virtual std::optional<std::u16string> FindFolder(std::u16string_view path) = 0;

  /// The drive that `path` lies on; error 68 when it cannot be read.
  std::u16string ReadyDriveOf(std::u16string_view path);
  /// The folder a folder list opens for `path`: the folder it names, or for a
  /// drive alone the current folder when it lies on that drive. Error 68 when
  /// the drive cannot be read, 76 when there is no such folder.
  std::u16string FolderToOpen(std::u16string_view path);
};

}  // namespace sigpatch::platform
