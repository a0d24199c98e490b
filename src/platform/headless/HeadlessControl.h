#pragma once

#include <string>
#include <string_view>

#include "platform/controls/Control.h"

namespace sigpatch::platform::headless {

class HeadlessWindow;

/// The place, size, visibility and tool tip of a control kept in memory, for
/// any control interface `Base`.
template <typename Base>
class HeadlessControl : public Base {
 public:
  HeadlessControl(HeadlessWindow& form, const ControlDesign& design)
      : form_(form), design_(design), place_(design) {}

  const std::u16string& Name() const override { return design_.Name; }
  double Left() const override { return place_.Left; }
  double Top() const override { return place_.Top; }
  double Width() const override { return place_.Width; }
  double Height() const override { return place_.Height; }
  void SetLeft(double value) override { place_.Left = value; }
  void SetTop(double value) override { place_.Top = value; }
  void SetWidth(double value) override { place_.Width = value; }
  void SetHeight(double value) override { place_.Height = value; }
  bool Visible() const override { return place_.Visible; }
  void SetVisible(bool value) override { place_.Visible = value; }
  std::u16string ToolTipText() const override { return place_.ToolTipText; }
  void SetToolTipText(std::u16string_view value) override { place_.ToolTipText = value; }

  /// The design the control was made with.
  const ControlDesign& Design() const { return design_; }
  HeadlessWindow& Form() const { return form_; }

 private:
  HeadlessWindow& form_;
  ControlDesign design_;
  ControlDesign place_;
};

}  // namespace sigpatch::platform::headless
