#pragma once

#include "toolkit/controls/Button.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// A push button drawn by the system's button control: "&" in its caption
/// marks its mnemonic, the default button has the heavy frame and takes
/// Enter, the cancel button takes Esc.
class Win32Button : public Win32Control<Button> {
 public:
  Win32Button(Win32Window& form, const ControlDesign& design, const ButtonDesign& button);

  std::u16string Caption() const override;
  void SetCaption(std::u16string_view value) override;
  bool Default() const override { return button_.Default; }
  bool Cancel() const override { return button_.Cancel; }
  void Command(unsigned code) override;
  bool TakesFocus() const override { return true; }

 private:
  ButtonDesign button_;
};

}  // namespace sigpatch::toolkit::win32
