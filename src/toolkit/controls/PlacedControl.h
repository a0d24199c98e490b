#pragma once

#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// The place, size, visibility and tool tip of a control, kept in twips as the
/// program set them, for any control interface `Base`: what every toolkit
/// shares. A toolkit that draws the control hears of each change through the
/// hooks below.
template <typename Base>
class PlacedControl : public Base {
 public:
  explicit PlacedControl(const ControlDesign& design) : design_(design), place_(design) {}

  const std::u16string& Name() const override { return design_.Name; }
  double Left() const override { return place_.Left; }
  double Top() const override { return place_.Top; }
  double Width() const override { return place_.Width; }
  double Height() const override { return place_.Height; }
  void SetLeft(double value) override { Move(place_.Left, value); }
  void SetTop(double value) override { Move(place_.Top, value); }
  void SetWidth(double value) override { Move(place_.Width, value); }
  void SetHeight(double value) override { Move(place_.Height, value); }
  bool Visible() const override { return place_.Visible; }
  void SetVisible(bool value) override {
    place_.Visible = value;
    Shown(value);
  }
  std::u16string ToolTipText() const override { return place_.ToolTipText; }
  void SetToolTipText(std::u16string_view value) override {
    place_.ToolTipText = value;
    ToolTipChanged(place_.ToolTipText);
  }

  /// The design the control was made with.
  const ControlDesign& Design() const { return design_; }

 protected:
  /// The place and size now (twips).
  const ControlDesign& Placement() const { return place_; }
  /// Takes a size the control gave itself (twips), without a hook.
  void TakeSize(double width, double height) {
    place_.Width = width;
    place_.Height = height;
  }

  /// After a change of place or size.
  virtual void Placed() {}
  /// After a change of visibility.
  virtual void Shown(bool /*visible*/) {}
  /// After a change of the tool tip.
  virtual void ToolTipChanged(const std::u16string& /*text*/) {}

 private:
  void Move(double& field, double value) {
    field = value;
    Placed();
  }

  ControlDesign design_;
  ControlDesign place_;
};

}  // namespace sigpatch::toolkit
