#include "toolkit/qt/QtTextBox.h"

#include <QLineEdit>
#include <QTextEdit>
#include <algorithm>

namespace sigpatch::toolkit::qt {

class QtTextBox::LineView : public QLineEdit {
 public:
  LineView(QWidget* parent, QtEvents events, std::function<void()> gotFocus)
      : QLineEdit(parent), events_(std::move(events)), gotFocus_(std::move(gotFocus)) {}

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    events_.Raise(gotFocus_);
  }

 private:
  QtEvents events_;
  std::function<void()> gotFocus_;
};

class QtTextBox::LinesView : public QTextEdit {
 public:
  LinesView(QWidget* parent, QtEvents events, std::function<void()> gotFocus)
      : QTextEdit(parent), events_(std::move(events)), gotFocus_(std::move(gotFocus)) {}

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QTextEdit::focusInEvent(event);
    events_.Raise(gotFocus_);
  }

 private:
  QtEvents events_;
  std::function<void()> gotFocus_;
};

QWidget* QtTextBox::MakeView(QtWindow& form, const TextBoxDesign& box, QtTextBox& owner) {
  auto gotFocus = [&owner] { raiseEvent(owner.OnGotFocus); };
  if (box.MultiLine) return new LinesView(form.Widget(), form.Events(), gotFocus);
  return new LineView(form.Widget(), form.Events(), gotFocus);
}

QtTextBox::QtTextBox(QtWindow& form, const ControlDesign& design, const TextBoxDesign& box)
    : QtControl(form, design, MakeView(form, box, *this)), box_(box) {
  if (box.MultiLine) {
    lines_ = static_cast<QTextEdit*>(Widget());
    lines_->setAcceptRichText(false);
    lines_->setReadOnly(box.Locked);
    mirror_ = std::make_unique<QtTextMirror>(lines_);
    mirror_->SetText(box.Text);
    QObject::connect(lines_, &QTextEdit::textChanged, lines_, [this] {
      if (!mirror_->Updating()) mirror_->TakeFromView();
    });
  } else {
    line_ = static_cast<QLineEdit*>(Widget());
    line_->setReadOnly(box.Locked);
    SetText(box.Text);
  }
}

QtTextBox::~QtTextBox() {
  // The view may outlive the control for a moment; it reports nothing more.
  if (lines_ != nullptr) QObject::disconnect(lines_, &QTextEdit::textChanged, nullptr, nullptr);
}

std::u16string QtTextBox::Text() const {
  return mirror_ ? mirror_->Text() : fromQString(line_->text());
}

void QtTextBox::SetText(std::u16string_view value) {
  if (mirror_) return mirror_->SetText(value);
  line_->setText(toQString(value));
  line_->setCursorPosition(0);
}

std::int32_t QtTextBox::SelStart() const {
  if (mirror_) return mirror_->SelStart();
  return static_cast<std::int32_t>(line_->hasSelectedText() ? line_->selectionStart()
                                                            : line_->cursorPosition());
}

void QtTextBox::SetSelStart(std::int32_t value) {
  if (mirror_) return mirror_->SetSelStart(value);
  line_->setCursorPosition(std::clamp(value, 0, static_cast<std::int32_t>(line_->text().size())));
}

std::int32_t QtTextBox::SelLength() const {
  if (mirror_) return mirror_->SelLength();
  return static_cast<std::int32_t>(line_->selectionLength());
}

void QtTextBox::SetSelLength(std::int32_t value) {
  if (mirror_) return mirror_->SetSelLength(value);
  const auto start = SelStart();
  const auto length = std::clamp(value, 0, static_cast<std::int32_t>(line_->text().size()) - start);
  if (length == 0) {
    line_->setCursorPosition(start);
  } else {
    line_->setSelection(start, length);
  }
}

void QtTextBox::SetSelText(std::u16string_view value) {
  if (mirror_) return mirror_->SetSelText(value);
  line_->insert(toQString(value));
}

}  // namespace sigpatch::toolkit::qt
