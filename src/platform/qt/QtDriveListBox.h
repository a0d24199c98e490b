#pragma once

#include "platform/controls/DriveListBox.h"
#include "platform/qt/QtControl.h"
#include "platform/tty/TtyFolders.h"

class QComboBox;

namespace sigpatch::platform::qt {

/// A drive list on a QComboBox: "/" and the mount points of real file
/// systems; it starts on the drive of the current folder.
class QtDriveListBox : public QtControl<DriveListBox> {
 public:
  QtDriveListBox(QtWindow& form, const ControlDesign& design, tty::TtyFolders& folders);

  std::u16string Drive() const override { return drive_; }
  void SetDrive(std::u16string_view path) override;

  QComboBox* View() const { return view_; }

 private:
  /// The user picked the drive at that row.
  void Picked(int row);
  void ShowDrive();

  QComboBox* view_;
  tty::TtyFolders& folders_;
  std::u16string drive_;
};

}  // namespace sigpatch::platform::qt
