#pragma once

#include "toolkit/controls/Button.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A button kept in memory.
class HeadlessButton : public HeadlessControl<Button> {
 public:
  HeadlessButton(HeadlessWindow& form, const ControlDesign& design, const ButtonDesign& button)
      : HeadlessControl(form, design), button_(button) {}

  std::u16string Caption() const override { return button_.Caption; }
  void SetCaption(std::u16string_view value) override { button_.Caption = value; }
  bool Default() const override { return button_.Default; }
  bool Cancel() const override { return button_.Cancel; }

  /// The user clicks the button.
  void Click() { raiseEvent(OnClick); }

 private:
  ButtonDesign button_;
};

}  // namespace sigpatch::toolkit::headless
