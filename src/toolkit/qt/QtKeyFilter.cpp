#include "toolkit/qt/QtKeyFilter.h"

#include <QKeyEvent>
#include <QPushButton>

#include "toolkit/qt/QtFormWidget.h"
#include "toolkit/qt/QtKeys.h"
#include "toolkit/qt/QtWindow.h"

namespace sigpatch::toolkit::qt {
namespace {

bool click(QWidget* button) {
  auto* push = qobject_cast<QAbstractButton*>(button);
  if (push == nullptr || !push->isEnabled() || !push->isVisible()) return false;
  push->click();
  return true;
}

}  // namespace

bool QtKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  auto* form = dynamic_cast<QtFormWidget*>(widget->window());
  if (form == nullptr || form->Window() == nullptr) return false;
  if (&form->Window()->Windowing() != &windowing_) return false;
  // A key goes to the focus widget and from there up to its parents; only its
  // first receiver counts.
  QWidget* first = form->focusWidget() != nullptr ? form->focusWidget() : form;
  if (widget != first) return false;
  auto* window = form->Window();
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool plain = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
  if (event->type() == QEvent::KeyPress) {
    if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      if (qobject_cast<QPushButton*>(widget) != nullptr) return click(widget);
      return click(window->DefaultButton());
    }
    if (plain && key->key() == Qt::Key_Escape) return click(window->CancelButton());
    return false;
  }
  if (key->isAutoRepeat()) return false;
  const auto code = keyCodeOf(key->key());
  if (code != 0) window->KeyReleasedByUser(code, shiftOf(key->modifiers().toInt()));
  return false;
}

}  // namespace sigpatch::toolkit::qt
