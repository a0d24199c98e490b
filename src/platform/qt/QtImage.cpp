#include "platform/qt/QtImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "platform/qt/QtWindowing.h"

namespace sigpatch::platform::qt {

class QtImage::View : public QWidget {
 public:
  View(QWidget* parent, QtEvents events, std::function<void()> click)
      : QWidget(parent), events_(std::move(events)), click_(std::move(click)) {}

  void SetPixmap(QPixmap pixmap) {
    pixmap_ = std::move(pixmap);
    update();
  }
  const QPixmap& Pixmap() const { return pixmap_; }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    if (pixmap_.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, pixmap_);
  }
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    // A click is a press and a release of the left button over the image.
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) events_.Raise(click_);
  }

 private:
  QtEvents events_;
  std::function<void()> click_;
  QPixmap pixmap_;
  bool pressed_ = false;
};

QtImage::QtImage(QtWindow& form, const ControlDesign& design, const platform::Picture& picture)
    : QtControl(form, design,
                new View(form.Widget(), form.Events(), [this] { raiseEvent(OnClick); })),
      view_(static_cast<View*>(Widget())),
      picture_(picture) {
  view_->SetPixmap(form.Windowing().Pixmap(picture));
}

void QtImage::SetPicture(const platform::Picture& value) {
  picture_ = value;
  view_->SetPixmap(Form().Windowing().Pixmap(value));
  if (value.Empty()) return;
  auto& screen = Form().Windowing().Screen();
  SetWidth(value.WidthPixels() * screen.TwipsPerPixelX());
  SetHeight(value.HeightPixels() * screen.TwipsPerPixelY());
}

}  // namespace sigpatch::platform::qt
