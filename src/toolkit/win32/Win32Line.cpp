#include "toolkit/win32/Win32Line.h"

#include <algorithm>

#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"

namespace sigpatch::toolkit::win32 {

void Win32Line::Changed() const { form_.LinesChanged(); }

void Win32Line::Paint(HDC dc) const {
  if (!design_.Visible) return;
  const int width = std::max(design_.BorderWidth, 1);
  LOGBRUSH brush{BS_SOLID, static_cast<COLORREF>(design_.BorderColor) & 0xFFFFFF, 0};
  const DWORD style = PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER |
                      (design_.InsideSolid ? PS_INSIDEFRAME : PS_SOLID);
  HPEN pen = ::ExtCreatePen(style, static_cast<DWORD>(width), &brush, 0, nullptr);
  const auto old = ::SelectObject(dc, pen);
  const int x1 = form_.PixelsX(design_.X1);
  const int y1 = form_.PixelsY(design_.Y1);
  const int x2 = form_.PixelsX(design_.X2);
  const int y2 = form_.PixelsY(design_.Y2);
  // A wide horizontal or vertical line grows down or right from its end
  // points, as the system's lines do.
  const int shift = width / 2;
  const bool horizontal = y1 == y2;
  ::MoveToEx(dc, x1 + (horizontal ? 0 : shift), y1 + (horizontal ? shift : 0), nullptr);
  ::LineTo(dc, x2 + (horizontal ? 0 : shift), y2 + (horizontal ? shift : 0));
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
}

}  // namespace sigpatch::toolkit::win32
