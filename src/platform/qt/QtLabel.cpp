#include "platform/qt/QtLabel.h"

#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <cmath>

#include "platform/qt/QtWindowing.h"

namespace sigpatch::platform::qt {
namespace {

// The hot spot of a pointer picture: its first opaque pixel, row by row, which
// is the tip of an arrow or of a pointing finger.
QPoint hotSpotOf(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return {x, y};
    }
  }
  return {0, 0};
}

}  // namespace

class QtLabel::View : public QLabel {
 public:
  View(QWidget* parent, QtEvents events, std::function<void()> click)
      : QLabel(parent), events_(std::move(events)), click_(std::move(click)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) events_.Raise(click_);
  }

 private:
  QtEvents events_;
  std::function<void()> click_;
  bool pressed_ = false;
};

QtLabel::QtLabel(QtWindow& form, const ControlDesign& design, const LabelDesign& label)
    : QtControl(form, design,
                new View(form.Widget(), form.Events(), [this] { raiseEvent(OnClick); })),
      view_(static_cast<View*>(Widget())),
      label_(label) {
  QFont font(toQString(label.Font.Name));
  font.setPointSizeF(label.Font.Size);
  font.setBold(label.Font.Bold);
  font.setUnderline(label.Font.Underline);
  view_->setFont(font);
  if (label.ForeColor >= 0) {
    QPalette palette = view_->palette();
    palette.setColor(QPalette::WindowText, toQColor(label.ForeColor));
    view_->setPalette(palette);
  }
  view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  view_->setTextFormat(Qt::PlainText);
  SetCaption(label.Caption);
}

void QtLabel::SetCaption(std::u16string_view value) {
  label_.Caption = value;
  view_->setText(toQString(value));
  if (label_.AutoSize) {
    // The label takes the width of its caption.
    const int pixels = view_->sizeHint().width();
    SetWidth(pixels * Form().Windowing().Screen().TwipsPerPixelX());
  }
}

void QtLabel::SetMousePointer(std::int32_t value) {
  mousePointer_ = value;
  ShowPointer();
}

void QtLabel::SetMouseIcon(const platform::Picture& value) {
  mouseIcon_ = value;
  ShowPointer();
}

void QtLabel::ShowPointer() {
  const QPixmap pixmap = Form().Windowing().Pixmap(mouseIcon_);
  if (mousePointer_ == kPointerCustom && !pixmap.isNull()) {
    const QPoint hot = hotSpotOf(pixmap);
    view_->setCursor(QCursor(pixmap, hot.x(), hot.y()));
  } else {
    view_->unsetCursor();
  }
}

}  // namespace sigpatch::platform::qt
