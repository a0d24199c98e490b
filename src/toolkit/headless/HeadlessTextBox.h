#pragma once

#include "toolkit/controls/TextBox.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A text box kept in memory.
class HeadlessTextBox : public HeadlessControl<TextBox> {
 public:
  HeadlessTextBox(HeadlessWindow& form, const ControlDesign& design, const TextBoxDesign& box)
      : HeadlessControl(form, design), box_(box) {}

  std::u16string Text() const override { return box_.Text; }
  void SetText(std::u16string_view value) override;
  std::int32_t SelStart() const override { return selStart_; }
  void SetSelStart(std::int32_t value) override;
  std::int32_t SelLength() const override { return selLength_; }
  void SetSelLength(std::int32_t value) override;
  void SetSelText(std::u16string_view value) override;
  bool MultiLine() const override { return box_.MultiLine; }

  /// The user moves the focus into the box.
  void Focus() { raiseEvent(OnGotFocus); }
  /// The user types: the text becomes `value`, the insertion point its end.
  void Type(std::u16string_view value);

 private:
  TextBoxDesign box_;
  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
};

}  // namespace sigpatch::toolkit::headless
