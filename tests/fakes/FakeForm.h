#pragma once

#include "runtime/RuntimeError.h"
#include "toolkit/Form.h"

namespace sigpatch::fakes {

/// A screen of 15 twips a pixel, as a 96-dpi display has. Setting the pointer raises
/// `pointerFault` when that is not 0.
class FakeScreen : public toolkit::Screen {
 public:
  double TwipsPerPixelX() const override { return twipsPerPixelX; }
  double TwipsPerPixelY() const override { return twipsPerPixelY; }
  std::int32_t MousePointer() const override { return mousePointer; }
  void SetMousePointer(std::int32_t pointer) override {
    if (pointerFault != 0) throw RuntimeError(pointerFault);
    mousePointer = pointer;
  }

  double twipsPerPixelX = 15, twipsPerPixelY = 15;
  std::int32_t mousePointer = toolkit::kPointerDefault, pointerFault = 0;
};

/// A form that only has a place and a size.
class FakeForm : public toolkit::Form {
 public:
  double Left() const override { return left; }
  double Top() const override { return top; }
  double Width() const override { return width; }
  double Height() const override { return height; }
  void Move(double newLeft, double newTop) override { left = newLeft, top = newTop; }
  std::intptr_t hWnd() const override { return handle; }
  std::intptr_t IconHandle() const override { return icon; }

  double left = 0, top = 0, width = 4800, height = 3600;
  std::intptr_t handle = 0x1234, icon = 0x5678;
};

}  // namespace sigpatch::fakes
