#include "toolkit/win32/Win32Label.h"

#include <algorithm>

#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
using platform::win32::wide;
namespace {

// The margin of the program's windows (twips): a label grows up to it.
constexpr double kMargin = 120;

}  // namespace

Win32Label::Win32Label(Win32Window& form, const ControlDesign& design, const LabelDesign& label)
    : Win32Control(form, design, form.NewChild(L"STATIC", label.Caption, SS_LEFT | SS_NOTIFY)),
      label_(label) {
  ::SendMessageW(Handle(), WM_SETFONT,
                 reinterpret_cast<WPARAM>(form.Windowing().FontOf(label.Font)), FALSE);
  Fit();
}

std::u16string Win32Label::Caption() const {
  const int length = ::GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(Handle(), text.data(), length + 1)));
  return fromWide(text);
}

void Win32Label::SetCaption(std::u16string_view value) {
  ::SetWindowTextW(Handle(), wide(value).c_str());
  Fit();
}

int Win32Label::CaptionWidth() const {
  const HDC dc = ::GetDC(Handle());
  const auto old = ::SelectObject(dc, Form().Windowing().FontOf(label_.Font));
  const auto text = wide(Caption());
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(Handle(), dc);
  return size.cx;
}

void Win32Label::Fit() {
  if (label_.AutoSize) {
    auto& screen = Form().Owner().Screen();
    SetWidth(CaptionWidth() * screen.TwipsPerPixelX());
  } else {
    Placed();
  }
}

void Win32Label::Placed() {
  Place();
  if (label_.AutoSize) return;
  const int designed = Form().PixelsX(Width());
  const int wanted = CaptionWidth();
  if (wanted <= designed) return;
  RECT client{};
  ::GetClientRect(Form().Handle(), &client);
  const int left = Form().PixelsX(Left());
  const int room = client.right - left - Form().PixelsX(kMargin);
  const int width = std::min(wanted, std::max(room, designed));
  if (width <= designed) return;
  ::MoveWindow(Handle(), left, Form().PixelsY(Top()), width, Form().PixelsY(Height()), TRUE);
}

void Win32Label::Command(unsigned code) {
  if (code == STN_CLICKED) raiseEvent(OnClick);
}

HBRUSH Win32Label::ColorStatic(HDC dc) {
  if (label_.ForeColor >= 0) ::SetTextColor(dc, static_cast<COLORREF>(label_.ForeColor));
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return ::GetSysColorBrush(COLOR_BTNFACE);
}

bool Win32Label::SetPointer() {
  if (pointer_ != kPointerCustom) return false;
  HICON pointer = Form().Windowing().Pictures().Pointer(mouseIcon_);
  if (pointer == nullptr) return false;
  ::SetCursor(pointer);
  return true;
}

}  // namespace sigpatch::toolkit::win32
