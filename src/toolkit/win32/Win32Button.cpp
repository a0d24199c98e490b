#include "toolkit/win32/Win32Button.h"

#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
using platform::win32::wide;

Win32Button::Win32Button(Win32Window& form, const ControlDesign& design, const ButtonDesign& button)
    : Win32Control(form, design,
                   form.NewChild(L"BUTTON", button.Caption,
                                 WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON))),
      button_(button) {
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})),
                 FALSE);
}

std::u16string Win32Button::Caption() const {
  const int length = ::GetWindowTextLengthW(Handle());
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(Handle(), text.data(), length + 1)));
  return fromWide(text);
}

void Win32Button::SetCaption(std::u16string_view value) {
  ::SetWindowTextW(Handle(), wide(value).c_str());
}

void Win32Button::Command(unsigned code) {
  if (code == BN_CLICKED) raiseEvent(OnClick);
}

}  // namespace sigpatch::toolkit::win32
