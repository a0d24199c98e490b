#include "toolkit/qt/QtLine.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "toolkit/qt/QtText.h"
#include "toolkit/qt/QtWindow.h"

namespace sigpatch::toolkit::qt {

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
  // The pen is centred on its path: the path runs along the middle of those
  // rows (or columns), from the first end point to the last, which the line
  // leaves out, as the system's lines do.
  const QPointF a(form_.PixelsX(line_.X1), form_.PixelsY(line_.Y1));
  const QPointF b(form_.PixelsX(line_.X2), form_.PixelsY(line_.Y2));
  const bool across = std::abs(b.x() - a.x()) >= std::abs(b.y() - a.y());
  const QPointF offset = across ? QPointF(0, shift) : QPointF(shift, 0);
  const QPointF from = a + offset;
  const QPointF to = b + offset;
  painter.drawLine(from, to);
}

}  // namespace sigpatch::toolkit::qt
