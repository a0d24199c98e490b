#include "toolkit/win32/Win32StatusBar.h"

#include <algorithm>

#include "platform/win32/Wide.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::wide;

Win32StatusBar::Win32StatusBar(Win32Window& form, const ControlDesign& design,
                               std::vector<StatusPanel> panels, bool sizeGrip)
    : Win32Control(form, design,
                   form.NewChild(STATUSCLASSNAMEW, u"", sizeGrip ? SBARS_SIZEGRIP : 0UL)),
      panels_(std::move(panels)) {
  HWND bar = Handle();
  ::SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})), FALSE);
  // The bar's height is its drawing area and its borders.
  const int height = form.PixelsY(design.Height);
  const int borders = 2 * ::GetSystemMetrics(SM_CYBORDER);
  ::SendMessageW(bar, SB_SETMINHEIGHT, static_cast<WPARAM>(std::max(height - borders, 1)), 0);
  FormResized();
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    ::SendMessageW(bar, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(wide(panels_[i].Text).c_str()));
  }
}

void Win32StatusBar::Bounds(long& left, long& top, long& width, long& height) const {
  RECT rect{};
  ::GetWindowRect(Handle(), &rect);
  ::MapWindowPoints(nullptr, Form().Handle(), reinterpret_cast<POINT*>(&rect), 2);
  left = rect.left;
  top = rect.top;
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
}

double Win32StatusBar::Left() const {
  long left, top, width, height;
  Bounds(left, top, width, height);
  return left * Form().Owner().Screen().TwipsPerPixelX();
}

double Win32StatusBar::Top() const {
  long left, top, width, height;
  Bounds(left, top, width, height);
  return top * Form().Owner().Screen().TwipsPerPixelY();
}

double Win32StatusBar::Width() const {
  long left, top, width, height;
  Bounds(left, top, width, height);
  return width * Form().Owner().Screen().TwipsPerPixelX();
}

double Win32StatusBar::Height() const {
  long left, top, width, height;
  Bounds(left, top, width, height);
  return height * Form().Owner().Screen().TwipsPerPixelY();
}

std::size_t Win32StatusBar::IndexOf(std::u16string_view key) const {
  const auto wanted = text::toLower(key);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    if (text::toLower(panels_[i].Key) == wanted) return i;
  }
  throw RuntimeError(err::kElementNotFound);
}

std::u16string Win32StatusBar::PanelText(std::u16string_view key) const {
  return panels_[IndexOf(key)].Text;
}

void Win32StatusBar::SetPanelText(std::u16string_view key, std::u16string_view value) {
  const auto index = IndexOf(key);
  panels_[index].Text = value;
  ::SendMessageW(Handle(), SB_SETTEXTW, index, reinterpret_cast<LPARAM>(wide(value).c_str()));
}

void Win32StatusBar::Refresh() {
  ::InvalidateRect(Handle(), nullptr, TRUE);
  ::UpdateWindow(Handle());
}

void Win32StatusBar::SetParts() {
  // The panels share the width; the last runs to the right edge.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  std::vector<int> rights(std::max<std::size_t>(panels_.size(), 1), -1);
  const int count = static_cast<int>(rights.size());
  for (int i = 0; i + 1 < count; ++i) rights[i] = client.right * (i + 1) / count;
  ::SendMessageW(Handle(), SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

void Win32StatusBar::FormResized() {
  // The bar docks itself at the bottom of its parent when told of a size.
  ::SendMessageW(Handle(), WM_SIZE, 0, 0);
  SetParts();
}

}  // namespace sigpatch::toolkit::win32
