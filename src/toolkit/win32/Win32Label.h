#pragma once

#include "toolkit/controls/Label.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// A label drawn by a static text control in its own font and colour; it
/// reports clicks and shows its own mouse pointer when asked to. A caption
/// wider than its label (a long word in a large font) is not cut off while the
/// form has room for it to the right: the control grows across as far as it
/// needs, up to the windows' margin (120 twips) from the form's right edge;
/// the label's width stays as the program set it.
class Win32Label : public Win32Control<Label> {
 public:
  Win32Label(Win32Window& form, const ControlDesign& design, const LabelDesign& label);

  std::u16string Caption() const override;
  void SetCaption(std::u16string_view value) override;
  toolkit::Font Font() const override { return label_.Font; }
  std::int32_t ForeColor() const override { return label_.ForeColor; }
  std::int32_t MousePointer() const override { return pointer_; }
  void SetMousePointer(std::int32_t value) override { pointer_ = value; }
  toolkit::Picture MouseIcon() const override { return mouseIcon_; }
  void SetMouseIcon(const toolkit::Picture& value) override { mouseIcon_ = value; }

  void Command(unsigned code) override;
  HBRUSH__* ColorStatic(HDC__* dc) override;
  bool SetPointer() override;

 private:
  /// An auto-sized label grows across to its caption.
  void Fit();
  /// The width of the caption in pixels.
  int CaptionWidth() const;

 protected:
  void Placed() override;

 private:
  LabelDesign label_;
  std::int32_t pointer_ = 0;
  toolkit::Picture mouseIcon_;
};

}  // namespace sigpatch::toolkit::win32
