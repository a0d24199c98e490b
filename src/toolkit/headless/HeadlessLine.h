#pragma once

#include "toolkit/controls/Line.h"

namespace sigpatch::toolkit::headless {

/// A line kept in memory.
class HeadlessLine : public Line {
 public:
  explicit HeadlessLine(const LineDesign& design) : design_(design), line_(design) {}

  const std::u16string& Name() const override { return design_.Name; }
  double X1() const override { return line_.X1; }
  double Y1() const override { return line_.Y1; }
  double X2() const override { return line_.X2; }
  double Y2() const override { return line_.Y2; }
  void SetX1(double value) override { line_.X1 = value; }
  void SetY1(double value) override { line_.Y1 = value; }
  void SetX2(double value) override { line_.X2 = value; }
  void SetY2(double value) override { line_.Y2 = value; }
  std::int32_t BorderColor() const override { return line_.BorderColor; }
  std::int32_t BorderWidth() const override { return line_.BorderWidth; }
  bool Visible() const override { return line_.Visible; }
  void SetVisible(bool value) override { line_.Visible = value; }

  const LineDesign& Design() const { return design_; }

 private:
  LineDesign design_;
  LineDesign line_;
};

}  // namespace sigpatch::toolkit::headless
