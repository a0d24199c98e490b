#pragma once

#include "platform/DrivesAndFolders.h"
#include "toolkit/controls/DriveListBox.h"
#include "toolkit/qt/QtControl.h"

class QComboBox;

namespace sigpatch::toolkit::qt {

/// A drive list on a QComboBox: "/" and the mount points of real file
/// systems; it starts on the drive of the current folder.
class QtDriveListBox : public QtControl<DriveListBox> {
 public:
  QtDriveListBox(QtWindow& form, const ControlDesign& design, platform::DrivesAndFolders& folders);

  std::u16string Drive() const override { return drive_; }
  void SetDrive(std::u16string_view path) override;

  QComboBox* View() const { return view_; }

 private:
  /// The user picked the drive at that row.
  void Picked(int row);
  void ShowDrive();

  QComboBox* view_;
  platform::DrivesAndFolders& folders_;
  std::u16string drive_;
};

}  // namespace sigpatch::toolkit::qt
