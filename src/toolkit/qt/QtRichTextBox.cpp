#include "toolkit/qt/QtRichTextBox.h"

#include <QTextEdit>

#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit::qt {

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
  // The system's font of its rich-text boxes: 8.25-point MS Sans Serif, or
  // what the system puts in its place.
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(8.25);
  view_->setFont(font);
  // Tab stops every half inch (720 twips), as the system's rich-text boxes set them.
  view_->setTabStopDistance(720 / form.Windowing().Screen().TwipsPerPixelX());
  // The colours of the text are the program's, on a white page.
  QPalette palette = view_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  view_->setPalette(palette);
}

}  // namespace sigpatch::toolkit::qt
