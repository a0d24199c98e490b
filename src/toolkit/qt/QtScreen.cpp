#include "toolkit/qt/QtScreen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace sigpatch::toolkit::qt {
namespace {

// 1440 twips to the inch, over the screen's logical dots per inch, taken as a
// whole number as the system does (96 dpi: 15 twips a pixel).
double twipsPerPixel(double dotsPerInch) {
  const double dpi = std::round(dotsPerInch);
  return dpi >= 1 ? 1440.0 / dpi : 15.0;
}

}  // namespace

QtScreen::QtScreen() {
  const auto* screen = QGuiApplication::primaryScreen();
  twipsPerPixelX_ = twipsPerPixel(screen != nullptr ? screen->logicalDotsPerInchX() : 96);
  twipsPerPixelY_ = twipsPerPixel(screen != nullptr ? screen->logicalDotsPerInchY() : 96);
}

QtScreen::~QtScreen() { SetMousePointer(kPointerDefault); }

void QtScreen::SetMousePointer(std::int32_t pointer) {
  const bool wasHourglass = pointer_ == kPointerHourglass;
  pointer_ = pointer;
  const bool hourglass = pointer == kPointerHourglass;
  if (hourglass && !wasHourglass) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  if (!hourglass && wasHourglass) QGuiApplication::restoreOverrideCursor();
}

}  // namespace sigpatch::toolkit::qt
