#include "toolkit/headless/HeadlessImage.h"

#include "toolkit/Windowing.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {

void HeadlessImage::SetPicture(const toolkit::Picture& value) {
  picture_ = value;
  if (value.Empty()) return;
  auto& screen = Form().Owner().Screen();
  SetWidth(value.WidthPixels() * screen.TwipsPerPixelX());
  SetHeight(value.HeightPixels() * screen.TwipsPerPixelY());
}

}  // namespace sigpatch::toolkit::headless
