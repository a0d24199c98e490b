#pragma once

#include "toolkit/controls/Line.h"

struct HDC__;

namespace sigpatch::toolkit::win32 {

class Win32Window;

/// A line drawn by its form with a pen of its colour and width; a line drawn
/// inside keeps its width within its end points.
class Win32Line : public Line {
 public:
  Win32Line(Win32Window& form, const LineDesign& design) : form_(form), design_(design) {}

  const std::u16string& Name() const override { return design_.Name; }
  double X1() const override { return design_.X1; }
  double Y1() const override { return design_.Y1; }
  double X2() const override { return design_.X2; }
  double Y2() const override { return design_.Y2; }
  void SetX1(double value) override {
    design_.X1 = value;
    Changed();
  }
  void SetY1(double value) override {
    design_.Y1 = value;
    Changed();
  }
  void SetX2(double value) override {
    design_.X2 = value;
    Changed();
  }
  void SetY2(double value) override {
    design_.Y2 = value;
    Changed();
  }
  std::int32_t BorderColor() const override { return design_.BorderColor; }
  std::int32_t BorderWidth() const override { return design_.BorderWidth; }
  bool Visible() const override { return design_.Visible; }
  void SetVisible(bool value) override {
    design_.Visible = value;
    Changed();
  }

  void Paint(HDC__* dc) const;

 private:
  /// The form draws its lines again.
  void Changed() const;

  Win32Window& form_;
  LineDesign design_;
};

}  // namespace sigpatch::toolkit::win32
