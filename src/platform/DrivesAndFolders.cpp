#include "platform/DrivesAndFolders.h"

#include "runtime/RuntimeError.h"

namespace sigpatch::platform {

std::u16string DrivesAndFolders::ReadyDriveOf(std::u16string_view path) {
  auto drive = DriveOf(path);
  if (!IsReady(drive)) throw RuntimeError(err::kDeviceUnavailable);
  return drive;
}

std::u16string DrivesAndFolders::FolderToOpen(std::u16string_view path) {
  std::u16string wanted(path);
  const auto drive = ReadyDriveOf(wanted);
  if (IsDrive(wanted)) {
    // A drive alone opens the current folder when it lies on that drive.
    const auto current = CurrentFolder();
    if (DriveOf(current) == drive) wanted = current;
  }
  auto folder = FindFolder(wanted);
  if (!folder) throw RuntimeError(err::kPathNotFound);
  return std::move(*folder);
}

}  // namespace sigpatch::platform
