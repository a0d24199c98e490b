#include "platform/qt/QtLine.h"

#include <QPainter>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "platform/qt/QtWindow.h"

namespace sigpatch::platform::qt {

void QtLine::SetVisible(bool value) {
  line_.Visible = value;
  form_.LineChanged();
}

void QtLine::Set(double& field, double value) {
  field = value;
  form_.LineChanged();
}

void QtLine::Paint(QPainter& painter) const {
  if (!line_.Visible) return;
  const int width = std::max(1, line_.BorderWidth);
  // A line of n pixels covers the n pixel rows (or columns) from its end
  // points down (or right), so that lines of one and two pixels on the same
  // place make an etched rule.
  const double shift = width / 2.0;
  QPen pen(toQColor(line_.BorderColor));
  pen.setWidth(width);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QPointF from(form_.PixelsX(line_.X1) + shift, form_.PixelsY(line_.Y1) + shift);
  const QPointF to(form_.PixelsX(line_.X2) + shift, form_.PixelsY(line_.Y2) + shift);
  painter.drawLine(from, to);
}

}  // namespace sigpatch::platform::qt
