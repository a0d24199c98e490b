#include "Win32UiTestSupport.h"

#include <map>
#include <stdexcept>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32Program.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

std::map<UINT_PTR, std::function<void()>>& pending() {
  static std::map<UINT_PTR, std::function<void()>> actions;
  return actions;
}

void CALLBACK runPending(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  auto found = pending().find(id);
  if (found == pending().end()) return;
  auto action = std::move(found->second);
  pending().erase(found);
  action();
}

// The message boxes of this thread that are up.
std::vector<HWND> messageBoxes() {
  std::vector<HWND> boxes;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t type[64] = {};
        ::GetClassNameW(window, type, 64);
        if (std::wstring_view(type) == L"#32770" && ::IsWindowVisible(window)) {
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

}  // namespace

toolkit::win32::Win32Windowing& toolkit() {
  static toolkit::win32::Win32Windowing windowing(platform::win32::currentProgramInfo(), u"");
  return windowing;
}

Place placeOf(HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Place clientOf(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return {0, 0, rect.right, rect.bottom};
}

std::u16string windowText(HWND window) {
  const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got =
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return platform::win32::fromWide(text);
}

Win32UiTest::Win32UiTest() {
  services_.windowing = &toolkit();
  services_.clock = &clock;
  services_.system = &system;
  services_.registry = &registry;
  services_.drivesAndFolders = &drivesAndFolders;
  installed_.emplace(services_);
  watchdog_ = ::SetTimer(nullptr, 0, kPatience, [](HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ADD_FAILURE() << "a window waited for the user longer than the test allows";
    for (HWND box : messageBoxes()) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (auto* form : toolkit().Forms()) form->Unload();
  });
}

Win32UiTest::~Win32UiTest() {
  // Whatever a test left open closes, so that the next test starts afresh.
  for (auto* form : std::vector<toolkit::win32::Win32Window*>(toolkit().Forms())) form->Unload();
  toolkit().DoEvents();
  ::KillTimer(nullptr, watchdog_);
  for (auto& [id, action] : pending()) ::KillTimer(nullptr, id);
  pending().clear();
  toolkit().Screen().SetMousePointer(toolkit::kPointerDefault);
  installed_.reset();
}

toolkit::win32::Win32Window& Win32UiTest::Form(std::u16string_view name) const {
  auto* form = toolkit().FindForm(name);
  if (form == nullptr) throw std::logic_error("no window named " + text::toUtf8(name));
  return *form;
}

HWND Win32UiTest::Control(std::u16string_view form, std::u16string_view control) const {
  HWND handle = Form(form).ControlHandle(control);
  if (handle == nullptr) ADD_FAILURE() << "no control " << text::toUtf8(control);
  return handle;
}

void Win32UiTest::Later(std::function<void()> action, unsigned milliseconds) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, runPending);
  pending()[id] = std::move(action);
}

void Win32UiTest::WhenShown(std::u16string form, std::function<void()> action) {
  Later(
      [form = std::move(form), action = std::move(action)]() mutable {
        auto* shown = toolkit().FindForm(form);
        if (shown != nullptr && shown->IsVisible() && ::IsWindowVisible(shown->Handle())) {
          action();
        } else {
          WhenShown(std::move(form), std::move(action));
        }
      },
      20);
}

void Win32UiTest::AnswerNextMessageBox(std::optional<SeenMessage>& seen) {
  auto look = std::make_shared<std::function<void(unsigned)>>();
  std::weak_ptr<std::function<void(unsigned)>> weak = look;
  *look = [&seen, weak](unsigned turns) {
    const auto boxes = messageBoxes();
    if (!boxes.empty()) {
      HWND box = boxes.front();
      SeenMessage message;
      message.title = windowText(box);
      // The text is the static control that holds text; the icon a static
      // control that shows one.
      for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
           child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t type[32] = {};
        ::GetClassNameW(child, type, 32);
        if (std::wstring_view(type) != L"Static") continue;
        const auto style = ::GetWindowLongW(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
          const auto icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
          message.criticalIcon = icon != nullptr && icon == ::LoadIconW(nullptr, IDI_HAND);
        } else if (message.text.empty()) {
          message.text = windowText(child);
        }
      }
      seen = message;
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      return;
    }
    if (turns < kPatience / 20) {
      Later(
          [next = weak.lock(), turns] {
            if (next) (*next)(turns + 1);
          },
          20);
    }
  };
  Later([look] { (*look)(0); });
}

bool Win32UiTest::WaitUntil(const std::function<bool()>& done) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > 5000) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    toolkit().DoEvents();
  }
  return true;
}

void Win32UiTest::ResizeClient(HWND form, int width, int height) {
  RECT frame{0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(form, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(form, GWL_EXSTYLE)));
  ::SetWindowPos(form, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  toolkit().DoEvents();
}

void Win32UiTest::PressKey(unsigned virtualKey) {
  HWND focus = ::GetFocus();
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(focus, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  ::PostMessageW(focus, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
  toolkit().DoEvents();
}

void Win32UiTest::Click(HWND control) {
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  toolkit().DoEvents();
}

}  // namespace sigpatch::testing
