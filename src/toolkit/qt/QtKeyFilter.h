#pragma once

#include <QObject>

namespace sigpatch::toolkit::qt {

class QtWindowing;

/// Watches the keys of the program's windows before their controls see them:
/// a released key goes to the form first (so F1 works while a text box has
/// the focus), Enter clicks the form's default button (or the button that has
/// the focus) and Esc its cancel button.
class QtKeyFilter : public QObject {
 public:
  /// Watches the windows of `windowing` (a process may hold more than one).
  explicit QtKeyFilter(const QtWindowing& windowing) : windowing_(windowing) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const QtWindowing& windowing_;
};

}  // namespace sigpatch::toolkit::qt
