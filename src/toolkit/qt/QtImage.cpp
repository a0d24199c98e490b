#include "toolkit/qt/QtImage.h"

#include <QPainter>
#include <QPixmap>

#include "toolkit/qt/QtClickable.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit::qt {

class QtImage::View : public QtClickable<QWidget> {
 public:
  using QtClickable::QtClickable;

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

 private:
  QPixmap pixmap_;
};

QtImage::QtImage(QtWindow& form, const ControlDesign& design, const toolkit::Picture& picture)
    : QtControl(form, design,
                new View(form.Widget(), form.Events(), [this] { raiseEvent(OnClick); })),
      view_(static_cast<View*>(Widget())),
      picture_(picture) {
  view_->SetPixmap(form.Windowing().Pixmap(picture));
}

void QtImage::SetPicture(const toolkit::Picture& value) {
  picture_ = value;
  view_->SetPixmap(Form().Windowing().Pixmap(value));
  if (value.Empty()) return;
  auto& screen = Form().Windowing().Screen();
  SetWidth(value.WidthPixels() * screen.TwipsPerPixelX());
  SetHeight(value.HeightPixels() * screen.TwipsPerPixelY());
}

}  // namespace sigpatch::toolkit::qt
