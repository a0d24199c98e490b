#pragma once

#include "toolkit/controls/RichTextBox.h"
#include "toolkit/qt/QtControl.h"
#include "toolkit/qt/QtTextMirror.h"

class QTextEdit;

namespace sigpatch::toolkit::qt {

/// A rich-text box on a QTextEdit: coloured text with scroll bars that the
/// user can read, select and copy but not change.
class QtRichTextBox : public QtControl<RichTextBox> {
 public:
  QtRichTextBox(QtWindow& form, const ControlDesign& design);

  std::u16string Text() const override { return mirror_.Text(); }
  void SetText(std::u16string_view value) override { mirror_.SetText(value); }
  std::int32_t TextLength() const override { return mirror_.Length(); }
  std::int32_t SelStart() const override { return mirror_.SelStart(); }
  void SetSelStart(std::int32_t value) override { mirror_.SetSelStart(value); }
  std::int32_t SelLength() const override { return mirror_.SelLength(); }
  void SetSelLength(std::int32_t value) override { mirror_.SetSelLength(value); }
  std::int32_t SelColor() const override { return mirror_.SelColor(); }
  void SetSelColor(std::int32_t value) override { mirror_.SetSelColor(value); }
  void SetSelText(std::u16string_view value) override { mirror_.SetSelText(value); }

  QTextEdit* View() const { return view_; }
  /// The colour of each character of the text.
  const std::vector<std::int32_t>& Colors() const { return mirror_.Colors(); }

 private:
  QTextEdit* view_;
  QtTextMirror mirror_;
};

}  // namespace sigpatch::toolkit::qt
