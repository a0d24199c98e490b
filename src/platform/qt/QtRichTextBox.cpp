#include "platform/qt/QtRichTextBox.h"

#include <QTextEdit>

namespace sigpatch::platform::qt {

QtRichTextBox::QtRichTextBox(QtWindow& form, const ControlDesign& design)
    : QtControl(form, design, new QTextEdit(form.Widget())),
      view_(static_cast<QTextEdit*>(Widget())),
      mirror_(view_) {
  view_->setAcceptRichText(false);
  view_->setReadOnly(true);
  // Read-only, yet with a caret: the box shows where the next line goes.
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_->setLineWrapMode(QTextEdit::WidgetWidth);
  view_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The colours of the text are the program's, on a white page.
  QPalette palette = view_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  view_->setPalette(palette);
}

}  // namespace sigpatch::platform::qt
