#pragma once

#include <QWidget>

namespace sigpatch::toolkit::qt {

class QtWindow;

/// The top-level widget of a form: it reports the close box, resizes and
/// state changes to its window and paints the form's lines.
class QtFormWidget : public QWidget {
 public:
  QtFormWidget(QtWindow& window, Qt::WindowFlags flags, bool drawnFrame);

  /// The window is going: nothing is reported any more.
  void Detach() { window_ = nullptr; }
  QtWindow* Window() const { return window_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QtWindow* window_;
  bool drawnFrame_;
};

}  // namespace sigpatch::toolkit::qt
