#pragma once

#include "toolkit/controls/TextBox.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// A text box drawn by the system's edit control, of one line or several
/// (without scroll bars: it scrolls to the insertion point); a locked box keeps
/// the white page of a box the user could change.
class Win32TextBox : public Win32Control<TextBox> {
 public:
  Win32TextBox(Win32Window& form, const ControlDesign& design, const TextBoxDesign& box);

  std::u16string Text() const override;
  void SetText(std::u16string_view value) override;
  std::int32_t SelStart() const override;
  void SetSelStart(std::int32_t value) override;
  std::int32_t SelLength() const override;
  void SetSelLength(std::int32_t value) override;
  void SetSelText(std::u16string_view value) override;
  bool MultiLine() const override { return box_.MultiLine; }

  void Command(unsigned code) override;
  HBRUSH__* ColorStatic(HDC__* dc) override;
  bool TakesFocus() const override { return true; }

 private:
  void Select(std::int32_t start, std::int32_t end) const;

  TextBoxDesign box_;
};

}  // namespace sigpatch::toolkit::win32
