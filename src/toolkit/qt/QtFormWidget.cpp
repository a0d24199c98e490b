#include "toolkit/qt/QtFormWidget.h"

#include <QCloseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "toolkit/qt/QtWindow.h"

namespace sigpatch::toolkit::qt {

QtFormWidget::QtFormWidget(QtWindow& window, Qt::WindowFlags flags, bool drawnFrame)
    : QWidget(nullptr, flags), window_(&window), drawnFrame_(drawnFrame) {}

void QtFormWidget::closeEvent(QCloseEvent* event) {
  if (window_ == nullptr || !window_->IsLoaded()) return QWidget::closeEvent(event);
  // The window decides: closing unloads it, which hides this widget.
  event->ignore();
  window_->CloseBoxClickedByUser();
}

void QtFormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (window_ != nullptr) window_->InnerResized();
}

void QtFormWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && window_ != nullptr) window_->StateChanged();
}

void QtFormWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (drawnFrame_) {
    // A window without a title bar still shows its dialog frame.
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 2;
    frame.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
  }
  if (window_ != nullptr) window_->PaintLines(painter);
}

}  // namespace sigpatch::toolkit::qt
