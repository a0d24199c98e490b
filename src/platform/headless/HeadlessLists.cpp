#include "platform/RuntimeError.h"
#include "platform/headless/HeadlessDirListBox.h"
#include "platform/headless/HeadlessDriveListBox.h"

namespace sigpatch::platform::headless {

void HeadlessDriveListBox::SetDrive(std::u16string_view path) {
  auto drive = folders_.DriveOf(path);
  if (!folders_.IsReady(drive)) throw RuntimeError(err::kDeviceUnavailable);
  if (drive == drive_) return;
  drive_ = std::move(drive);
  raiseEvent(OnChange);
}

void HeadlessDirListBox::SetPath(std::u16string_view value) {
  std::u16string wanted(value);
  const auto drive = folders_.DriveOf(wanted);
  if (!folders_.IsReady(drive)) throw RuntimeError(err::kDeviceUnavailable);
  if (folders_.IsDrive(wanted)) {
    // A drive alone opens the current folder when it lies on that drive.
    const auto current = folders_.CurrentFolder();
    wanted = folders_.DriveOf(current) == drive ? current : wanted;
  }
  auto folder = folders_.FindFolder(wanted);
  if (!folder) throw RuntimeError(err::kPathNotFound);
  // Opening a folder always counts as a change, also when it was open already,
  // so that whoever listens learns the folder the program asked for.
  path_ = std::move(*folder);
  raiseEvent(OnChange);
}

}  // namespace sigpatch::platform::headless
