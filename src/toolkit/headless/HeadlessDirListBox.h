#pragma once

#include "platform/DrivesAndFolders.h"
#include "toolkit/controls/DirListBox.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A folder list over the system's folders; it starts on the current folder.
class HeadlessDirListBox : public HeadlessControl<DirListBox> {
 public:
  HeadlessDirListBox(HeadlessWindow& form, const ControlDesign& design, platform::DrivesAndFolders& folders)
      : HeadlessControl(form, design), folders_(folders), path_(folders.CurrentFolder()) {}

  std::u16string Path() const override { return path_; }
  void SetPath(std::u16string_view value) override;

 private:
  platform::DrivesAndFolders& folders_;
  std::u16string path_;
};

}  // namespace sigpatch::toolkit::headless
