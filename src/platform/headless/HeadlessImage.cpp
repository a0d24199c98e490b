#include "platform/headless/HeadlessImage.h"

#include "platform/Windowing.h"
#include "platform/headless/HeadlessWindow.h"

namespace sigpatch::platform::headless {

void HeadlessImage::SetPicture(const platform::Picture& value) {
  picture_ = value;
  if (value.Empty()) return;
  auto& screen = Form().Owner().Screen();
  SetWidth(value.WidthPixels() * screen.TwipsPerPixelX());
  SetHeight(value.HeightPixels() * screen.TwipsPerPixelY());
}

}  // namespace sigpatch::platform::headless
