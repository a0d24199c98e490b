#pragma once

#include <cstdint>

struct HWND__;
struct HDC__;
struct HBRUSH__;
struct tagDRAWITEMSTRUCT;

namespace sigpatch::toolkit::win32 {

/// What a form asks of the system's control behind one of its controls: its
/// window, and the notifications the control sends to the form.
class Win32Child {
 public:
  virtual ~Win32Child() = default;
  /// The control's window.
  virtual HWND__* Handle() const = 0;
  /// A notification code of WM_COMMAND (BN_CLICKED, CBN_SELCHANGE ...).
  virtual void Command(unsigned /*code*/) {}
  /// The brush of WM_CTLCOLORSTATIC (text colour and background set on
  /// `dc`), or nullptr for the system's.
  virtual HBRUSH__* ColorStatic(HDC__* /*dc*/) { return nullptr; }
  /// Draws an owner-drawn item.
  virtual void DrawItem(const tagDRAWITEMSTRUCT& /*item*/) {}
  /// Sets the pointer over the control; whether it did.
  virtual bool SetPointer() { return false; }
  /// The control's place in the design's tab order; -1 for none.
  virtual std::int32_t TabIndex() const = 0;
  /// Whether the control takes the focus and so a place in the tab order.
  virtual bool TakesFocus() const { return false; }
  /// The form's inner area changed (a docked control follows it).
  virtual void FormResized() {}
};

}  // namespace sigpatch::toolkit::win32
