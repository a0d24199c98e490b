#pragma once

#include "toolkit/controls/Line.h"

class QPainter;

namespace sigpatch::toolkit::qt {

class QtWindow;

/// A line of a form, painted by the form's widget.
class QtLine : public Line {
 public:
  QtLine(QtWindow& form, const LineDesign& design) : form_(form), design_(design), line_(design) {}

  const std::u16string& Name() const override { return design_.Name; }
  double X1() const override { return line_.X1; }
  double Y1() const override { return line_.Y1; }
  double X2() const override { return line_.X2; }
  double Y2() const override { return line_.Y2; }
  void SetX1(double value) override { Set(line_.X1, value); }
  void SetY1(double value) override { Set(line_.Y1, value); }
  void SetX2(double value) override { Set(line_.X2, value); }
  void SetY2(double value) override { Set(line_.Y2, value); }
  std::int32_t BorderColor() const override { return line_.BorderColor; }
  std::int32_t BorderWidth() const override { return line_.BorderWidth; }
  bool Visible() const override { return line_.Visible; }
  void SetVisible(bool value) override;

  /// Paints the line when it is visible.
  void Paint(QPainter& painter) const;

 private:
  void Set(double& field, double value);

  QtWindow& form_;
  LineDesign design_;
  LineDesign line_;
};

}  // namespace sigpatch::toolkit::qt
