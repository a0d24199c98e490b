#pragma once

#include <string>
#include <string_view>

#include "platform/controls/Control.h"
#include "platform/win32/Win32Child.h"
#include "platform/win32/Win32Window.h"

namespace sigpatch::platform::win32 {

/// The place, size, visibility and tool tip of a control drawn by a system
/// control, for any control interface `Base`. Place and size are kept in twips
/// as the program set them; the control gets them in whole pixels of the screen.
template <typename Base>
class Win32Control : public Base, public Win32Child {
 public:
  /// `handle` is a child window of the form, which destroys it.
  Win32Control(Win32Window& form, const ControlDesign& design, HWND__* handle)
      : form_(form), design_(design), place_(design), handle_(handle) {
    form_.SetToolTip(handle_, design.ToolTipText);
    Place();
    form_.ShowChild(handle_, design.Visible);
  }

  const std::u16string& Name() const override { return design_.Name; }
  double Left() const override { return place_.Left; }
  double Top() const override { return place_.Top; }
  double Width() const override { return place_.Width; }
  double Height() const override { return place_.Height; }
  void SetLeft(double value) override { Set(place_.Left, value); }
  void SetTop(double value) override { Set(place_.Top, value); }
  void SetWidth(double value) override { Set(place_.Width, value); }
  void SetHeight(double value) override { Set(place_.Height, value); }
  bool Visible() const override { return place_.Visible; }
  void SetVisible(bool value) override {
    place_.Visible = value;
    form_.ShowChild(handle_, value);
  }
  std::u16string ToolTipText() const override { return place_.ToolTipText; }
  void SetToolTipText(std::u16string_view value) override {
    place_.ToolTipText = value;
    form_.SetToolTip(handle_, value);
  }

  HWND__* Handle() const override { return handle_; }
  std::int32_t TabIndex() const override { return design_.TabIndex; }
  /// The design the control was made with.
  const ControlDesign& Design() const { return design_; }
  Win32Window& Form() const { return form_; }

 protected:
  /// Gives the control its place and size in pixels; `extraHeight` pixels
  /// more for a drop-down list.
  void Place(int extraHeight = 0) {
    form_.PlaceChild(handle_, place_.Left, place_.Top, place_.Width, place_.Height, extraHeight);
  }
  /// Takes a size the control gave itself (twips).
  void TakeSize(double width, double height) {
    place_.Width = width;
    place_.Height = height;
  }
  virtual void Placed() { Place(); }

 private:
  void Set(double& field, double value) {
    field = value;
    Placed();
  }

  Win32Window& form_;
  ControlDesign design_;
  ControlDesign place_;
  HWND__* handle_;
};

}  // namespace sigpatch::platform::win32
