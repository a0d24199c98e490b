#pragma once

#include <cstdint>

namespace sigpatch::toolkit {

/// The screen-wide mouse pointers the program sets.
inline constexpr std::int32_t kPointerDefault = 0;
inline constexpr std::int32_t kPointerHourglass = 11;

/// The screen: the size of a pixel in twips and the screen-wide mouse pointer.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual double TwipsPerPixelX() const = 0;
  virtual double TwipsPerPixelY() const = 0;
  virtual std::int32_t MousePointer() const = 0;
  /// 0 the default arrow, 11 the hourglass.
  virtual void SetMousePointer(std::int32_t pointer) = 0;
};

/// A top-level window, as the system utilities see it: its place and size in
/// twips, its window handle and its icon's handle. The windows of src/ui build
/// on it.
class Form {
 public:
  virtual ~Form() = default;
  virtual double Left() const = 0;
  virtual double Top() const = 0;
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  /// Sets Left and Top; the size stays.
  virtual void Move(double left, double top) = 0;
  /// The system's handle of the window; 0 while it has none.
  virtual std::intptr_t hWnd() const = 0;
  /// The system's handle of the window's icon; 0 when it has none.
  virtual std::intptr_t IconHandle() const = 0;
};

}  // namespace sigpatch::toolkit
