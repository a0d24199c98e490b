#pragma once

#include <vector>

#include "toolkit/controls/DriveListBox.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::platform {
class DrivesAndFolders;
}

namespace sigpatch::toolkit::win32 {


/// A drive list drawn by a drop-down combo box of the logical drives ("c:").
/// A drive the user picks that cannot be read is not taken: the box beeps
/// and goes back.
class Win32DriveListBox : public Win32Control<DriveListBox> {
 public:
  Win32DriveListBox(Win32Window& form, const ControlDesign& design, platform::DrivesAndFolders& folders);

  std::u16string Drive() const override { return drive_; }
  void SetDrive(std::u16string_view path) override;
  void Command(unsigned code) override;
  bool TakesFocus() const override { return true; }

 protected:
  void Placed() override;

 private:
  void ShowDrive();

  platform::DrivesAndFolders& folders_;
  std::vector<std::u16string> drives_;
  std::u16string drive_;
};

}  // namespace sigpatch::toolkit::win32
