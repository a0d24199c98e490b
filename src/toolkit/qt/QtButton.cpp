#include "toolkit/qt/QtButton.h"

#include <QPushButton>

namespace sigpatch::toolkit::qt {

QtButton::QtButton(QtWindow& form, const ControlDesign& design, const ButtonDesign& button)
    : QtControl(form, design, new QPushButton(form.Widget())),
      view_(static_cast<QPushButton*>(Widget())),
      button_(button) {
  view_->setText(toQString(button.Caption));
  // The default button shows its frame; Enter and Esc reach it through the
  // form (see QtWindowing's key filter), as the form is no dialog of Qt's.
  view_->setDefault(button.Default);
  view_->setAutoDefault(false);
  QObject::connect(view_, &QPushButton::clicked, view_, [this, events = form.Events()] {
    events.Raise([this] { raiseEvent(OnClick); });
  });
}

void QtButton::SetCaption(std::u16string_view value) {
  button_.Caption = value;
  view_->setText(toQString(value));
}

}  // namespace sigpatch::toolkit::qt
