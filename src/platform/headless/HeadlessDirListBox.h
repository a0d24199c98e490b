#pragma once

#include "platform/controls/DirListBox.h"
#include "platform/headless/Folders.h"
#include "platform/headless/HeadlessControl.h"

namespace sigpatch::platform::headless {

/// A folder list over the system's folders; it starts on the current folder.
class HeadlessDirListBox : public HeadlessControl<DirListBox> {
 public:
  HeadlessDirListBox(HeadlessWindow& form, const ControlDesign& design, Folders& folders)
      : HeadlessControl(form, design), folders_(folders), path_(folders.CurrentFolder()) {}

  std::u16string Path() const override { return path_; }
  void SetPath(std::u16string_view value) override;

 private:
  Folders& folders_;
  std::u16string path_;
};

}  // namespace sigpatch::platform::headless
