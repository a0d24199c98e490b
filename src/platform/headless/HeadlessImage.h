#pragma once

#include "platform/controls/Image.h"
#include "platform/headless/HeadlessControl.h"

namespace sigpatch::platform::headless {

/// An image kept in memory; it takes the size of the picture it is given.
class HeadlessImage : public HeadlessControl<Image> {
 public:
  HeadlessImage(HeadlessWindow& form, const ControlDesign& design, const platform::Picture& picture)
      : HeadlessControl(form, design), picture_(picture) {}

  platform::Picture Picture() const override { return picture_; }
  void SetPicture(const platform::Picture& value) override;

  /// The user clicks the image.
  void Click() { raiseEvent(OnClick); }

 private:
  platform::Picture picture_;
};

}  // namespace sigpatch::platform::headless
