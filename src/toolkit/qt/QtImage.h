#pragma once

#include "toolkit/controls/Image.h"
#include "toolkit/qt/QtControl.h"

namespace sigpatch::toolkit::qt {

/// An image: the picture drawn at its top left corner, unscaled; it takes the
/// size of each picture it is given.
class QtImage : public QtControl<Image> {
 public:
  QtImage(QtWindow& form, const ControlDesign& design, const toolkit::Picture& picture);

  toolkit::Picture Picture() const override { return picture_; }
  void SetPicture(const toolkit::Picture& value) override;

 private:
  class View;

  View* view_;
  toolkit::Picture picture_;
};

}  // namespace sigpatch::toolkit::qt
