#pragma once

#include "toolkit/controls/Label.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A label kept in memory.
class HeadlessLabel : public HeadlessControl<Label> {
 public:
  HeadlessLabel(HeadlessWindow& form, const ControlDesign& design, const LabelDesign& label)
      : HeadlessControl(form, design), label_(label) {}

  std::u16string Caption() const override { return label_.Caption; }
  void SetCaption(std::u16string_view value) override { label_.Caption = value; }
  toolkit::Font Font() const override { return label_.Font; }
  std::int32_t ForeColor() const override { return label_.ForeColor; }
  std::int32_t MousePointer() const override { return mousePointer_; }
  void SetMousePointer(std::int32_t value) override { mousePointer_ = value; }
  toolkit::Picture MouseIcon() const override { return mouseIcon_; }
  void SetMouseIcon(const toolkit::Picture& value) override { mouseIcon_ = value; }

  bool AutoSize() const { return label_.AutoSize; }
  /// The user clicks the label.
  void Click() { raiseEvent(OnClick); }

 private:
  LabelDesign label_;
  std::int32_t mousePointer_ = 0;
  toolkit::Picture mouseIcon_;
};

}  // namespace sigpatch::toolkit::headless
