#include "toolkit/qt/QtLabel.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "toolkit/qt/QtClickable.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit::qt {
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

class QtLabel::View : public QtClickable<QLabel> {
 public:
  using QtClickable::QtClickable;
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
  } else {
    FitFont();
  }
}

void QtLabel::FitFont() {
  // A one-line caption wider than its label (a title in a large font, drawn
  // with this desktop's font metrics) would lose its end; it is drawn in the
  // largest size that shows it whole instead, never above its design size.
  QFont font = view_->font();
  font.setPointSizeF(label_.Font.Size);
  const QString caption = view_->text();
  const double room = view_->width() - 2 * view_->margin();
  if (!caption.contains(QLatin1Char('\n')) && room > 0) {
    // Glyph widths do not scale exactly with the size; step down until it fits.
    double size = label_.Font.Size;
    for (double wide = QFontMetricsF(font).horizontalAdvance(caption); wide > room && size > 6.0;
         wide = QFontMetricsF(font).horizontalAdvance(caption)) {
      size = std::max(6.0, std::min(size * room / wide, size - 0.25));
      font.setPointSizeF(size);
    }
  }
  view_->setFont(font);
}

void QtLabel::SetMousePointer(std::int32_t value) {
  mousePointer_ = value;
  ShowPointer();
}

void QtLabel::SetMouseIcon(const toolkit::Picture& value) {
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

}  // namespace sigpatch::toolkit::qt
