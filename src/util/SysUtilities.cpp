#include "util/SysUtilities.h"

#include <cmath>
#include <cstdint>

#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/System.h"
#include "platform/Windowing.h"

namespace sigpatch {
namespace {

// A sum of whole numbers that must fit the 32-bit range.
std::int32_t checked(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw RuntimeError(err::kOverflow);
  return static_cast<std::int32_t>(value);
}

// Rounds to the nearest whole number, halves to the even one.
std::int64_t roundHalfEven(double value) { return static_cast<std::int64_t>(std::nearbyint(value)); }

// Half of a length, rounded first and then halved with the remainder dropped.
std::int64_t half(double value) { return roundHalfEven(value) / 2; }

}  // namespace

void SysUtilities::CenterForm(platform::Form& frmActive) const {
  PositionForm(frmActive, 4, 40, 0, 0);
}

void SysUtilities::PositionForm(platform::Form& frmActive, std::int32_t frmPos,
                                std::int32_t lngPosFromScreenEdge, std::int32_t dX,
                                std::int32_t dY) const {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  platform::Rect area;
  if (platform::system().GetWorkArea(area)) {
    auto& screen = platform::windowing().Screen();
    left = roundHalfEven(area.left * screen.TwipsPerPixelX());
    top = roundHalfEven(area.top * screen.TwipsPerPixelY());
    width = checked(roundHalfEven(area.right * screen.TwipsPerPixelX()) - left);
    height = checked(roundHalfEven(area.bottom * screen.TwipsPerPixelY()) - top);
  }
  const std::int64_t edge = lngPosFromScreenEdge;
  const double formWidth = frmActive.Width();
  const double formHeight = frmActive.Height();
  const double nearLeft = checked(left + edge + dX);
  const double nearTop = checked(top + edge + dY);
  const double farLeft = checked(left + checked(width - edge)) - formWidth + dX;
  const double farTop = checked(top + checked(height - edge)) - formHeight + dY;
  switch (frmPos) {
    case 0:
      frmActive.Move(nearLeft, nearTop);
      break;
    case 1:
      frmActive.Move(farLeft, nearTop);
      break;
    case 2:
      frmActive.Move(nearLeft, farTop);
      break;
    case 3:
      frmActive.Move(farLeft, farTop);
      break;
    case 4:
      frmActive.Move(static_cast<double>(checked(left + half(width - formWidth) + dX)),
                     static_cast<double>(checked(top + half(height - formHeight) + dY)));
      break;
    default:
      break;
  }
}

}  // namespace sigpatch
