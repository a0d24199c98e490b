#pragma once

#include "toolkit/controls/Image.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// An image drawn by a static control that shows a bitmap; it reports clicks.
class Win32Image : public Win32Control<Image> {
 public:
  Win32Image(Win32Window& form, const ControlDesign& design, const toolkit::Picture& picture);

  toolkit::Picture Picture() const override { return picture_; }
  void SetPicture(const toolkit::Picture& value) override;
  void Command(unsigned code) override;

 private:
  toolkit::Picture picture_;
};

}  // namespace sigpatch::toolkit::win32
