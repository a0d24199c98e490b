#pragma once

#include <functional>

#include "toolkit/Picture.h"
#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// An image that shows a picture and sizes itself to it.
class Image : public Control {
 public:
  virtual toolkit::Picture Picture() const = 0;
  /// Shows the picture; the image takes the picture's size (pixels times the
  /// screen's twips per pixel).
  virtual void SetPicture(const toolkit::Picture& value) = 0;

  std::function<void()> OnClick;
};

}  // namespace sigpatch::toolkit
