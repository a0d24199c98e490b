#pragma once

#include <cstdint>
#include <string>

#include "toolkit/controls/PlacedControl.h"
#include "toolkit/win32/Win32Child.h"
#include "toolkit/win32/Win32Window.h"

namespace sigpatch::toolkit::win32 {

/// A control drawn by a system control, for any control interface `Base`.
/// Place and size are kept in twips as the program set them; the control gets
/// them in whole pixels of the screen.
template <typename Base>
class Win32Control : public PlacedControl<Base>, public Win32Child {
 public:
  /// `handle` is a child window of the form, which destroys it.
  Win32Control(Win32Window& form, const ControlDesign& design, HWND__* handle)
      : PlacedControl<Base>(design), form_(form), handle_(handle) {
    form_.SetToolTip(handle_, design.ToolTipText);
    Place();
    form_.ShowChild(handle_, design.Visible);
  }

  HWND__* Handle() const override { return handle_; }
  std::int32_t TabIndex() const override { return this->Design().TabIndex; }
  Win32Window& Form() const { return form_; }

 protected:
  /// Gives the control its place and size in pixels; `extraHeight` pixels
  /// more for a drop-down list.
  void Place(int extraHeight = 0) {
    const auto& place = this->Placement();
    form_.PlaceChild(handle_, place.Left, place.Top, place.Width, place.Height, extraHeight);
  }
  void Placed() override { Place(); }
  void Shown(bool visible) override { form_.ShowChild(handle_, visible); }
  void ToolTipChanged(const std::u16string& text) override { form_.SetToolTip(handle_, text); }

 private:
  Win32Window& form_;
  HWND__* handle_;
};

}  // namespace sigpatch::toolkit::win32
