#pragma once

#include <cstdint>

#include "toolkit/Form.h"

namespace sigpatch::toolkit::win32 {

/// The screen of a Windows desktop: twips per pixel from its logical dots per
/// inch (1440 / 96 = 15 on a 96-dpi screen) and the program's mouse pointer,
/// which shows over every window of the program (the hourglass while busy).
class Win32Screen : public toolkit::Screen {
 public:
  Win32Screen();
  double TwipsPerPixelX() const override { return twipsX_; }
  double TwipsPerPixelY() const override { return twipsY_; }
  std::int32_t MousePointer() const override { return pointer_; }
  void SetMousePointer(std::int32_t pointer) override;

  /// Sets the pointer of the program's windows when it is not the default;
  /// whether it did (the windows then keep the system from setting theirs).
  bool ApplyPointer() const;

 private:
  double twipsX_;
  double twipsY_;
  std::int32_t pointer_ = kPointerDefault;
};

}  // namespace sigpatch::toolkit::win32
