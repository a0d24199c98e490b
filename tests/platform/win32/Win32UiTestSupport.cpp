// The desktop suite's view of the Windows toolkit's windows, through the system's messages.

#include <map>
#include <stdexcept>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Program.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::testing {
namespace {

using platform::win32::fromWide;

std::map<UINT_PTR, std::function<void()>>& pending() {
  static std::map<UINT_PTR, std::function<void()>> actions;
  return actions;
}

toolkit::win32::Win32Windowing& windowing() {
  static toolkit::win32::Win32Windowing toolkit(platform::win32::currentProgramInfo(), u"");
  return toolkit;
}

HWND handleOf(const toolkit::Window& form) {
  return dynamic_cast<const toolkit::win32::Win32Window&>(form).Handle();
}

HWND child(const toolkit::Window& form, std::u16string_view control) {
  HWND found = dynamic_cast<const toolkit::win32::Win32Window&>(form).ControlHandle(control);
  if (found == nullptr) throw std::logic_error("no control " + text::toUtf8(control));
  return found;
}

std::u16string windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return fromWide(text);
}

std::wstring classOf(HWND window) {
  wchar_t type[64] = {};
  ::GetClassNameW(window, type, 64);
  return type;
}

// The message boxes of this thread that are up.
std::vector<HWND> messageBoxes() {
  std::vector<HWND> boxes;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        if (classOf(window) == L"#32770" && ::IsWindowVisible(window)) {
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

}  // namespace

toolkit::Windowing& desktop() { return windowing(); }
platform::Clock& systemClock() {
  static platform::win32::Win32Clock clock;
  return clock;
}
platform::DrivesAndFolders& systemFolders() {
  static platform::win32::Win32DrivesAndFolders folders;
  return folders;
}
toolkit::Window* findForm(std::u16string_view name) { return windowing().FindForm(name); }
toolkit::Control& controlOf(const toolkit::Window& form, std::u16string_view control) {
  return *dynamic_cast<const toolkit::win32::Win32Window&>(form).FindControl(control);
}

void unloadAll() {
  for (auto* form : std::vector<toolkit::win32::Win32Window*>(windowing().Forms())) form->Unload();
  windowing().DoEvents();
  for (auto& [id, action] : pending()) ::KillTimer(nullptr, id);
  pending().clear();
}

std::shared_ptr<void> startWatchdog() {
  const UINT_PTR id = ::SetTimer(nullptr, 0, 60000, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ADD_FAILURE() << "a window waited for the user longer than the test allows";
    for (HWND box : messageBoxes()) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (auto* form : windowing().Forms()) form->Unload();
  });
  return std::shared_ptr<void>(nullptr, [id](void*) { ::KillTimer(nullptr, id); });
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

void resizeClient(const toolkit::Window& form, int width, int height) {
  HWND window = handleOf(form);
  RECT frame{0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)));
  ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  windowing().DoEvents();
}

bool shownOnScreen(const toolkit::Window& form) { return ::IsWindowVisible(handleOf(form)); }
bool minimizedOnScreen(const toolkit::Window& form) { return ::IsIconic(handleOf(form)); }

std::u16string shownText(const toolkit::Window& form, std::u16string_view control) {
  HWND window = child(form, control);
  if (::lstrcmpiW(classOf(window).c_str(), STATUSCLASSNAMEW) != 0) return windowText(window);
  wchar_t panel[256] = {};
  ::SendMessageW(window, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(panel));
  return fromWide(panel);
}

std::vector<ShownLine> shownLines(const toolkit::Window& form, std::u16string_view control) {
  HWND box = child(form, control);
  std::vector<ShownLine> lines;
  CHARRANGE saved{};
  ::SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  const auto count = ::SendMessageW(box, EM_GETLINECOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto start = ::SendMessageW(box, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    std::wstring line(static_cast<std::size_t>(::SendMessageW(box, EM_LINELENGTH, start, 0)) + 2,
                      L'\0');
    *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(line.size());
    line.resize(static_cast<std::size_t>(::SendMessageW(box, EM_GETLINE, static_cast<WPARAM>(i),
                                                        reinterpret_cast<LPARAM>(line.data()))));
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    CHARRANGE first{static_cast<LONG>(start), static_cast<LONG>(start + 1)};
    ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    ::SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    lines.push_back({fromWide(line), static_cast<std::int32_t>(format.crTextColor)});
  }
  ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  if (!lines.empty() && lines.back().text.empty()) lines.pop_back();  // under the last line end
  return lines;
}

bool scrolledToCaret(const toolkit::Window& form, std::u16string_view control) {
  return ::SendMessageW(child(form, control), EM_GETFIRSTVISIBLELINE, 0, 0) > 0;
}

bool hourglassShown() { return ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT); }

void click(const toolkit::Window& form, std::u16string_view control) {
  HWND window = child(form, control);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  windowing().DoEvents();
}

void pressKey(const toolkit::Window& form, std::u16string_view control, std::int16_t keyCode) {
  HWND window = child(form, control);
  ::SetFocus(window);
  const auto key = static_cast<WPARAM>(keyCode);
  const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(keyCode), MAPVK_VK_TO_VSC);
  ::PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
  ::PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
  windowing().DoEvents();
}

void closeBox(const toolkit::Window& form) {
  ::SendMessageW(handleOf(form), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void openFolder(const toolkit::Window& form, std::u16string_view list, std::u16string_view name) {
  HWND window = child(form, list);
  const auto row = ::SendMessageW(window, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(platform::win32::wide(name).c_str()));
  if (row == LB_ERR) throw std::logic_error("no folder " + text::toUtf8(name));
  ::SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  ::SendMessageW(handleOf(form), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(window), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(window));
}

void later(std::function<void()> action) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto found = pending().find(id);
    if (found == pending().end()) return;
    auto action = std::move(found->second);
    pending().erase(found);
    action();
  });
  pending()[id] = std::move(action);
}

void answerNextMessageBox(std::optional<SeenMessage>& seen) {
  later([&seen] {
    const auto boxes = messageBoxes();
    if (boxes.empty()) return answerNextMessageBox(seen);
    // The text is the static control that holds text; the icon one that shows an icon.
    SeenMessage message{u"", windowText(boxes.front())};
    for (HWND item = ::GetWindow(boxes.front(), GW_CHILD); item != nullptr;
         item = ::GetWindow(item, GW_HWNDNEXT)) {
      if (classOf(item) != L"Static") continue;
      if ((::GetWindowLongW(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        message.critical = reinterpret_cast<HICON>(::SendMessageW(item, STM_GETICON, 0, 0)) ==
                           ::LoadIconW(nullptr, IDI_HAND);
      } else if (message.text.empty()) {
        for (char16_t c : windowText(item)) {
          if (c != u'\r') message.text += c;
        }
      }
    }
    seen = message;
    ::PostMessageW(boxes.front(), WM_COMMAND, IDOK, 0);
  });
}

}  // namespace sigpatch::testing
