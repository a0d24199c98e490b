#pragma once

#include "toolkit/controls/RichTextBox.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// A rich-text box drawn by the system's rich-edit control (Msftedit), which
/// the user can read, select and copy but not change. The control keeps a
/// line end as one character; the program counts "\r\n" as two, as the text
/// reads with its line ends, so positions are converted at every call.
class Win32RichTextBox : public Win32Control<RichTextBox> {
 public:
  Win32RichTextBox(Win32Window& form, const ControlDesign& design);
  ~Win32RichTextBox() override;
  Win32RichTextBox(const Win32RichTextBox&) = delete;
  Win32RichTextBox& operator=(const Win32RichTextBox&) = delete;

  std::u16string Text() const override;
  void SetText(std::u16string_view value) override;
  std::int32_t TextLength() const override;
  std::int32_t SelStart() const override;
  void SetSelStart(std::int32_t value) override;
  std::int32_t SelLength() const override;
  void SetSelLength(std::int32_t value) override;
  std::int32_t SelColor() const override;
  void SetSelColor(std::int32_t value) override;
  void SetSelText(std::u16string_view value) override;
  bool TakesFocus() const override { return true; }

 private:
  /// The length of the text as the control counts it (a line end is one).
  long ControlLength() const;
  /// The control's position of a position in the text.
  long ToControl(std::int32_t position) const;
  /// The text's position of a position of the control.
  std::int32_t FromControl(long position) const;
  void Select(long start, long end) const;
  /// Keeps the control from drawing until the program has left it alone
  /// for a moment.
  void DeferRedraw() const;
  /// Puts `value` in place of the selection as plain text (never read as RTF).
  void Insert(std::u16string_view value) const;
  /// The timer of DeferRedraw: the box draws again.
  static void __stdcall RedrawNow(HWND__* box, unsigned message, std::uintptr_t timer,
                                  unsigned long time);

  mutable bool redrawPending_ = false;
};

}  // namespace sigpatch::toolkit::win32
