#pragma once

#include "platform/controls/DriveListBox.h"
#include "platform/headless/Folders.h"
#include "platform/headless/HeadlessControl.h"

namespace sigpatch::platform::headless {

/// A drive list over the system's folders; it starts on the current drive.
class HeadlessDriveListBox : public HeadlessControl<DriveListBox> {
 public:
  HeadlessDriveListBox(HeadlessWindow& form, const ControlDesign& design, Folders& folders)
      : HeadlessControl(form, design),
        folders_(folders),
        drive_(folders.DriveOf(folders.CurrentFolder())) {}

  std::u16string Drive() const override { return drive_; }
  void SetDrive(std::u16string_view path) override;

 private:
  Folders& folders_;
  std::u16string drive_;
};

}  // namespace sigpatch::platform::headless
