#pragma once

#include <functional>

#include "platform/Picture.h"
#include "platform/controls/Control.h"

namespace sigpatch::platform {

/// An image that shows a picture and sizes itself to it.
class Image : public Control {
 public:
  virtual platform::Picture Picture() const = 0;
  /// Shows the picture; the image takes the picture's size (pixels times the
  /// screen's twips per pixel).
  virtual void SetPicture(const platform::Picture& value) = 0;

  std::function<void()> OnClick;
};

}  // namespace sigpatch::platform
