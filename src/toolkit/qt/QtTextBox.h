#pragma once

#include <memory>

#include "toolkit/controls/TextBox.h"
#include "toolkit/qt/QtControl.h"
#include "toolkit/qt/QtTextMirror.h"

class QLineEdit;
class QTextEdit;

namespace sigpatch::toolkit::qt {

/// A text box: one line on a QLineEdit, or several lines on a QTextEdit.
class QtTextBox : public QtControl<TextBox> {
 public:
  QtTextBox(QtWindow& form, const ControlDesign& design, const TextBoxDesign& box);
  ~QtTextBox() override;

  std::u16string Text() const override;
  void SetText(std::u16string_view value) override;
  std::int32_t SelStart() const override;
  void SetSelStart(std::int32_t value) override;
  std::int32_t SelLength() const override;
  void SetSelLength(std::int32_t value) override;
  void SetSelText(std::u16string_view value) override;
  bool MultiLine() const override { return box_.MultiLine; }

 private:
  class LineView;
  class LinesView;
  static QWidget* MakeView(QtWindow& form, const TextBoxDesign& box, QtTextBox& owner);

  TextBoxDesign box_;
  /// One of the two, after the design's MultiLine.
  QLineEdit* line_ = nullptr;
  QTextEdit* lines_ = nullptr;
  std::unique_ptr<QtTextMirror> mirror_;
};

}  // namespace sigpatch::toolkit::qt
