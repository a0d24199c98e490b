#include "toolkit/win32/Win32Screen.h"

#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::toolkit::win32 {

Win32Screen::Win32Screen() {
  // The program measures in the screen's real pixels: the system does not
  // stretch its windows on a screen of more than 96 dots per inch.
  ::SetProcessDPIAware();
  const HDC screen = ::GetDC(nullptr);
  const int dotsX = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dotsY = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  twipsX_ = 1440.0 / (dotsX > 0 ? dotsX : 96);
  twipsY_ = 1440.0 / (dotsY > 0 ? dotsY : 96);
}

void Win32Screen::SetMousePointer(std::int32_t pointer) {
  pointer_ = pointer;
  // At once, not only when the mouse next moves.
  if (!ApplyPointer()) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

bool Win32Screen::ApplyPointer() const {
  if (pointer_ != kPointerHourglass) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

}  // namespace sigpatch::toolkit::win32
