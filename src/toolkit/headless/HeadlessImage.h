#pragma once

#include "toolkit/controls/Image.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// An image kept in memory; it takes the size of the picture it is given.
class HeadlessImage : public HeadlessControl<Image> {
 public:
  HeadlessImage(HeadlessWindow& form, const ControlDesign& design, const toolkit::Picture& picture)
      : HeadlessControl(form, design), picture_(picture) {}

  toolkit::Picture Picture() const override { return picture_; }
  void SetPicture(const toolkit::Picture& value) override;

  /// The user clicks the image.
  void Click() { raiseEvent(OnClick); }

 private:
  toolkit::Picture picture_;
};

}  // namespace sigpatch::toolkit::headless
