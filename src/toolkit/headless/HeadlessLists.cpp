#include "toolkit/headless/HeadlessDirListBox.h"
#include "toolkit/headless/HeadlessDriveListBox.h"

namespace sigpatch::toolkit::headless {

void HeadlessDriveListBox::SetDrive(std::u16string_view path) {
  auto drive = folders_.ReadyDriveOf(path);
  if (drive == drive_) return;
  drive_ = std::move(drive);
  raiseEvent(OnChange);
}

void HeadlessDirListBox::SetPath(std::u16string_view value) {
  // Opening a folder always counts as a change, also when it was open already,
  // so that whoever listens learns the folder the program asked for.
  path_ = folders_.FolderToOpen(value);
  raiseEvent(OnChange);
}

}  // namespace sigpatch::toolkit::headless
