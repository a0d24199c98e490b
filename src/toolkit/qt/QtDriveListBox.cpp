#include "toolkit/qt/QtDriveListBox.h"

#include <QApplication>
#include <QComboBox>
#include <QSignalBlocker>

namespace sigpatch::toolkit::qt {

QtDriveListBox::QtDriveListBox(QtWindow& form, const ControlDesign& design,
                               platform::DrivesAndFolders& folders)
    : QtControl(form, design, new QComboBox(form.Widget())),
      view_(static_cast<QComboBox*>(Widget())),
      folders_(folders),
      drive_(folders.DriveOf(folders.CurrentFolder())) {
  for (const auto& drive : folders_.Drives()) view_->addItem(toQString(drive));
  ShowDrive();
  QObject::connect(view_, &QComboBox::activated, view_, [this, events = form.Events()](int row) {
    events.Raise([this, row] { Picked(row); });
  });
}

void QtDriveListBox::SetDrive(std::u16string_view path) {
  auto drive = folders_.ReadyDriveOf(path);
  if (drive == drive_) return;
  drive_ = std::move(drive);
  ShowDrive();
  raiseEvent(OnChange);
}

void QtDriveListBox::Picked(int row) {
  const auto& drives = folders_.Drives();
  if (row < 0 || static_cast<std::size_t>(row) >= drives.size()) return;
  const auto& drive = drives[static_cast<std::size_t>(row)];
  if (drive == drive_) return;
  if (!folders_.IsReady(drive)) {
    // A drive that cannot be read is not taken: the list goes back.
    QApplication::beep();
    ShowDrive();
    return;
  }
  drive_ = drive;
  raiseEvent(OnChange);
}

void QtDriveListBox::ShowDrive() {
  const QSignalBlocker quiet(view_);
  view_->setCurrentIndex(view_->findText(toQString(drive_)));
}

}  // namespace sigpatch::toolkit::qt
