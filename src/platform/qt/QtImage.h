#pragma once

#include "platform/controls/Image.h"
#include "platform/qt/QtControl.h"

namespace sigpatch::platform::qt {

/// An image: the picture drawn at its top left corner, unscaled; it takes the
/// size of each picture it is given.
class QtImage : public QtControl<Image> {
 public:
  QtImage(QtWindow& form, const ControlDesign& design, const platform::Picture& picture);

  platform::Picture Picture() const override { return picture_; }
  void SetPicture(const platform::Picture& value) override;

 private:
  class View;

  View* view_;
  platform::Picture picture_;
};

}  // namespace sigpatch::platform::qt
