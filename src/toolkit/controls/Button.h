#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// How a button is designed beyond its place. "&" in the caption marks the
/// letter of its keyboard mnemonic ("&OK").
struct ButtonDesign {
  std::u16string Caption;
  /// Enter clicks the default button of a form.
  bool Default = false;
  /// Esc clicks the cancel button of a form.
  bool Cancel = false;
};

/// A push button.
class Button : public Control {
 public:
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(std::u16string_view value) = 0;
  virtual bool Default() const = 0;
  virtual bool Cancel() const = 0;

  std::function<void()> OnClick;
};

}  // namespace sigpatch::toolkit
