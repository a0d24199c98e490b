#include "toolkit/win32/Win32TextBox.h"

#include <algorithm>

#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
using platform::win32::wide;
namespace {

unsigned long styleOf(const TextBoxDesign& box) {
  unsigned long style = WS_TABSTOP | ES_LEFT;
  style |= box.MultiLine ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
  if (box.Locked) style |= ES_READONLY;
  return style;
}

}  // namespace

Win32TextBox::Win32TextBox(Win32Window& form, const ControlDesign& design, const TextBoxDesign& box)
    : Win32Control(form, design, form.NewChild(L"EDIT", u"", styleOf(box), WS_EX_CLIENTEDGE)),
      box_(box) {
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})),
                 FALSE);
  ::SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
  SetText(box.Text);
}

std::u16string Win32TextBox::Text() const {
  const int length = ::GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(Handle(), text.data(), length + 1)));
  return fromWide(text);
}

void Win32TextBox::SetText(std::u16string_view value) {
  ::SetWindowTextW(Handle(), wide(value).c_str());
  Select(0, 0);
}

void Win32TextBox::Select(std::int32_t start, std::int32_t end) const {
  ::SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(start), end);
  ::SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
}

std::int32_t Win32TextBox::SelStart() const {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(start);
}

void Win32TextBox::SetSelStart(std::int32_t value) {
  const auto at = std::clamp(value, 0, ::GetWindowTextLengthW(Handle()));
  Select(at, at);
}

std::int32_t Win32TextBox::SelLength() const {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(end - start);
}

void Win32TextBox::SetSelLength(std::int32_t value) {
  const auto start = SelStart();
  const auto end = std::clamp(start + std::max(value, 0), start, ::GetWindowTextLengthW(Handle()));
  Select(start, end);
}

void Win32TextBox::SetSelText(std::u16string_view value) {
  ::SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(value).c_str()));
  ::SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
}

void Win32TextBox::Command(unsigned code) {
  if (code == EN_SETFOCUS) raiseEvent(OnGotFocus);
}

HBRUSH Win32TextBox::ColorStatic(HDC dc) {
  // A locked box is the system's read-only edit, which would take the face
  // colour of the dialog; it keeps the page of a text box.
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  return ::GetSysColorBrush(COLOR_WINDOW);
}

}  // namespace sigpatch::toolkit::win32
