#pragma once

#include "platform/controls/Image.h"
#include "platform/win32/Win32Control.h"

namespace sigpatch::platform::win32 {

/// An image drawn by a static control that shows a bitmap; it reports clicks.
class Win32Image : public Win32Control<Image> {
 public:
  Win32Image(Win32Window& form, const ControlDesign& design, const platform::Picture& picture);

  platform::Picture Picture() const override { return picture_; }
  void SetPicture(const platform::Picture& value) override;
  void Command(unsigned code) override;

 private:
  platform::Picture picture_;
};

}  // namespace sigpatch::platform::win32
