#pragma once

#include "toolkit/controls/Button.h"
#include "toolkit/qt/QtControl.h"

class QPushButton;

namespace sigpatch::toolkit::qt {

/// A push button; "&" in its caption marks its mnemonic (Alt and the letter).
class QtButton : public QtControl<Button> {
 public:
  QtButton(QtWindow& form, const ControlDesign& design, const ButtonDesign& button);

  std::u16string Caption() const override { return button_.Caption; }
  void SetCaption(std::u16string_view value) override;
  bool Default() const override { return button_.Default; }
  bool Cancel() const override { return button_.Cancel; }

  QPushButton* View() const { return view_; }

 private:
  QPushButton* view_;
  ButtonDesign button_;
};

}  // namespace sigpatch::toolkit::qt
