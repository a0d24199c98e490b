#pragma once

#include "platform/DrivesAndFolders.h"
#include "toolkit/controls/DriveListBox.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A drive list over the system's folders; it starts on the current drive.
class HeadlessDriveListBox : public HeadlessControl<DriveListBox> {
 public:
  HeadlessDriveListBox(HeadlessWindow& form, const ControlDesign& design, platform::DrivesAndFolders& folders)
      : HeadlessControl(form, design),
        folders_(folders),
        drive_(folders.DriveOf(folders.CurrentFolder())) {}

  std::u16string Drive() const override { return drive_; }
  void SetDrive(std::u16string_view path) override;

 private:
  platform::DrivesAndFolders& folders_;
  std::u16string drive_;
};

}  // namespace sigpatch::toolkit::headless
