#pragma once

#include "toolkit/Form.h"

namespace sigpatch::toolkit::qt {

/// The screen as Qt sees it: a twip is 1/1440 inch at the screen's logical
/// resolution; the screen-wide pointer is Qt's override cursor.
class QtScreen : public toolkit::Screen {
 public:
  QtScreen();
  ~QtScreen() override;
  QtScreen(const QtScreen&) = delete;
  QtScreen& operator=(const QtScreen&) = delete;

  double TwipsPerPixelX() const override { return twipsPerPixelX_; }
  double TwipsPerPixelY() const override { return twipsPerPixelY_; }
  std::int32_t MousePointer() const override { return pointer_; }
  void SetMousePointer(std::int32_t pointer) override;

 private:
  double twipsPerPixelX_;
  double twipsPerPixelY_;
  std::int32_t pointer_ = kPointerDefault;
};

}  // namespace sigpatch::toolkit::qt
