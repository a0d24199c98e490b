// The desktop suite's view of the Windows toolkit's windows, through the system's messages.

#include <map>

#include "Win32WindowedProgram.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Program.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/win32/Win32Window.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::testing {
namespace {

using toolkit::win32::Win32Window;

toolkit::win32::Win32Windowing& windowing() {
  static toolkit::win32::Win32Windowing toolkit(platform::win32::currentProgramInfo(), u"");
  return toolkit;
}

HWND handleOf(const toolkit::Window& form) {
  return dynamic_cast<const Win32Window&>(form).Handle();
}
HWND child(const toolkit::Window& form, std::u16string_view control) {
  if (HWND found = dynamic_cast<const Win32Window&>(form).ControlHandle(control)) return found;
  throw std::logic_error("no control " + text::toUtf8(control));
}

// The actions `later` queued, by number; they go with each test. A window of the test's own runs
// them when their message comes, posted or from a timer.
std::map<UINT_PTR, std::function<void()>> pending;

LRESULT CALLBACK runPending(HWND window, UINT message, WPARAM id, LPARAM detail) {
  if (message != WM_APP && message != WM_TIMER)
    return ::DefWindowProcW(window, message, id, detail);
  if (message == WM_TIMER) ::KillTimer(window, id);
  if (auto found = pending.extract(id)) found.mapped()();
  return 0;
}

HWND poster() {
  static const HWND window = [] {
    WNDCLASSW type{};
    type.lpfnWndProc = runPending;
    type.lpszClassName = L"SigpatchTestActions";
    ::RegisterClassW(&type);
    return ::CreateWindowW(type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                           nullptr);
  }();
  return window;
}

}  // namespace

platform::win32::Win32Clock theClock;
platform::win32::Win32DrivesAndFolders theFolders;
toolkit::Windowing& desktop() { return windowing(); }
platform::Clock& systemClock() { return theClock; }
platform::DrivesAndFolders& systemFolders() { return theFolders; }
toolkit::Window* findForm(std::u16string_view name) { return windowing().FindForm(name); }
toolkit::Control& controlOf(const toolkit::Window& form, std::u16string_view control) {
  return *dynamic_cast<const Win32Window&>(form).FindControl(control);
}

void unloadAll() {
  for (auto* form : std::vector<Win32Window*>(windowing().Forms())) form->Unload();
  windowing().DoEvents();
  pending.clear();
}

Place clientOf(const toolkit::Window& form) {
  RECT rect{};
  ::GetClientRect(handleOf(form), &rect);
  return {0, 0, rect.right, rect.bottom};
}

Place placeOf(const toolkit::Window& form, std::u16string_view control) {
  RECT rect{};
  ::GetWindowRect(child(form, control), &rect);
  ::MapWindowPoints(nullptr, handleOf(form), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool shownOnScreen(const toolkit::Window& form) { return ::IsWindowVisible(handleOf(form)); }
bool minimizedOnScreen(const toolkit::Window& form) { return ::IsIconic(handleOf(form)); }
std::u16string shownText(const toolkit::Window& form, std::u16string_view control) {
  HWND window = child(form, control);
  if (childOf(::GetParent(window), STATUSCLASSNAMEW) != window) return textOf(window);
  wchar_t panel[256] = {};
  ::SendMessageW(window, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(panel));
  return platform::win32::fromWide(panel);
}

// The control holds a line end as one character; its selection, which is the program's, stays.
std::vector<Shown> shownLines(const toolkit::Window& form, std::u16string_view control) {
  HWND box = child(form, control);
  const std::u16string text = textOf(box) + u"\r\n";
  std::vector<Shown> lines;
  CHARRANGE saved{};
  ::SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  for (std::size_t start = 0, end, at = 0; (end = text.find(u"\r\n", start)) != text.npos;
       at += end - start + 1, start = end + 2) {
    CHARRANGE first{static_cast<LONG>(at), static_cast<LONG>(at + 1)};
    ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    ::SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    lines.push_back({text.substr(start, end - start), u"", static_cast<int>(format.crTextColor)});
  }
  ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  if (!lines.empty() && lines.back().text.empty()) lines.pop_back();  // under the last line end
  return lines;
}

bool hourglassShown() { return ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT); }
void resizeClient(const toolkit::Window& form, int width, int height) {
  HWND window = handleOf(form);
  RECT frame{0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
  ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  windowing().DoEvents();
}

void click(const toolkit::Window& form, std::u16string_view control) {
  postClick(child(form, control));
  windowing().DoEvents();
}
void pressKey(const toolkit::Window& form, std::u16string_view control, std::int16_t keyCode) {
  ::SetFocus(child(form, control));
  postKey(child(form, control), static_cast<unsigned>(keyCode));
  windowing().DoEvents();
}
void closeBox(const toolkit::Window& form) {
  ::SendMessageW(handleOf(form), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void openFolder(const toolkit::Window& form, std::u16string_view list, std::u16string_view name) {
  HWND window = child(form, list);
  const auto row = ::SendMessageW(window, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(platform::win32::wide(name).c_str()));
  ::SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  ::SendMessageW(handleOf(form), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(window), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(window));
}

void answerNextMessageBox(std::optional<Shown>& seen) {
  later([&seen] {
    HWND box = ::FindWindowW(L"#32770", nullptr);  // the system's dialog class
    if (!::IsWindowVisible(box)) return later([&seen] { answerNextMessageBox(seen); }, 10);
    // The text is the static control that holds text; the icon one that shows an icon.
    Shown message{u"", textOf(box), 0};
    childOf(box, L"Static", [&](HWND item) {
      if ((::GetWindowLongW(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        const auto icon = reinterpret_cast<HICON>(::SendMessageW(item, STM_GETICON, 0, 0));
        message.code = icon == ::LoadIconW(nullptr, IDI_HAND) ? 16 : 0;
      } else if (message.text.empty()) {
        for (char16_t c : textOf(item)) message.text += c == u'\r' ? u"" : std::u16string(1, c);
      }
      return false;
    });
    seen = message;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
}

void later(std::function<void()> action, int milliseconds) {
  static UINT_PTR last = 0;
  pending[++last] = std::move(action);
  if (milliseconds == 0) ::PostMessageW(poster(), WM_APP, last, 0);
  if (milliseconds != 0) ::SetTimer(poster(), last, static_cast<UINT>(milliseconds), nullptr);
}

}  // namespace sigpatch::testing
