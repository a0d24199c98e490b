// The system's side of a run that must not be cut short: the boot it runs in,
// a shut-down under way, and the requests to end the program: the console's
// events, and the end of the session, which comes to a program that uses
// windows (both of ours do) as WM_ENDSESSION and not as a console event.

#include <atomic>
#include <cstddef>
#include <string>

#include "platform/win32/Win32System.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

// NtQuerySystemInformation's SystemTimeOfDayInformation, whole: mingw's
// declaration stops before the boot time's bias.
constexpr int kSystemTimeOfDayInformation = 3;
struct TimeOfDay {
  LARGE_INTEGER BootTime;
  LARGE_INTEGER CurrentTime;
  LARGE_INTEGER TimeZoneBias;
  ULONG TimeZoneId;
  ULONG Reserved;
  ULONGLONG BootTimeBias;
  ULONGLONG SleepTimeBias;
};
using QuerySystemInformation = LONG(WINAPI*)(int, void*, ULONG, ULONG*);

// How long the system lets a handler run after the console's close, a log-off
// or a shut-down before it ends the process.
constexpr DWORD kSystemsPatience = 5000;

// What the console handler shares with the program's thread. The handler runs
// on a thread of its own that the system starts.
struct StopState {
  std::atomic<bool> catching{false};
  /// The control event caught plus one; 0 for none.
  std::atomic<DWORD> request{0};
  std::atomic<bool> sessionEnds{false};
  /// Set when the program is done with its package (catching has ended).
  HANDLE done = nullptr;
  /// The thread of the hidden window that hears the session's end, and the window.
  HANDLE watchThread = nullptr;
  std::atomic<HWND> watchWindow{nullptr};
};

StopState& state() {
  static StopState stopState;
  return stopState;
}

// A process of session 0 (a service, the boot run) hears every user's log-off,
// which does not end its own session.
bool inServicesSession() {
  DWORD session = 0;
  return ::ProcessIdToSessionId(::GetCurrentProcessId(), &session) != 0 && session == 0;
}

BOOL WINAPI keepStopRequest(DWORD event) {
  auto& stop = state();
  if (!stop.catching) return FALSE;  // the usual handling, as before catching
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stop.request = event + 1;
      return TRUE;
    case CTRL_LOGOFF_EVENT:
      if (inServicesSession()) return TRUE;
      [[fallthrough]];
    case CTRL_SHUTDOWN_EVENT:
      stop.sessionEnds = true;
      [[fallthrough]];
    case CTRL_CLOSE_EVENT:
      stop.request = event + 1;
      // The system ends the process as soon as this returns: first the program
      // ends (or leaves) its package.
      ::WaitForSingleObject(stop.done, kSystemsPatience);
      return TRUE;
    default:
      return FALSE;
  }
}

constexpr wchar_t kSessionWatchClass[] = L"SigpatchSessionWatch";

// The hidden window's messages. After WM_ENDSESSION the system may end the
// process at once, so the window answers only when the program is done.
LRESULT CALLBACK watchSession(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;  // the run does not hold the session's end back
    case WM_ENDSESSION:
      if (wParam != FALSE) {
        auto& stop = state();
        stop.sessionEnds = true;
        if (stop.catching) {
          stop.request = CTRL_SHUTDOWN_EVENT + 1;
          ::WaitForSingleObject(stop.done, kSystemsPatience);
        }
      }
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

// The hidden window's thread: the window, then its messages until it closes.
DWORD WINAPI runSessionWatch(void* ready) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = watchSession;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kSessionWatchClass;
  ::RegisterClassW(&windowClass);  // fails, harmlessly, when it is registered already
  // A top-level window: a message-only window hears no broadcast.
  const HWND window = ::CreateWindowExW(0, kSessionWatchClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr);
  state().watchWindow = window;
  ::SetEvent(static_cast<HANDLE>(ready));
  if (window == nullptr) return 1;
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}

void startSessionWatch(StopState& stop) {
  const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready == nullptr) return;
  stop.watchThread = ::CreateThread(nullptr, 0, runSessionWatch, ready, 0, nullptr);
  if (stop.watchThread != nullptr) ::WaitForSingleObject(ready, INFINITE);
  ::CloseHandle(ready);
}

void stopSessionWatch(StopState& stop) {
  if (stop.watchThread == nullptr) return;
  if (const HWND window = stop.watchWindow.exchange(nullptr)) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  ::WaitForSingleObject(stop.watchThread, kSystemsPatience);
  ::CloseHandle(stop.watchThread);
  stop.watchThread = nullptr;
}

}  // namespace

std::u16string Win32System::BootId() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto query = ntdll == nullptr
                         ? nullptr
                         : reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
                               ::GetProcAddress(ntdll, "NtQuerySystemInformation")));
  if (query == nullptr) return {};
  TimeOfDay time{};
  ULONG length = 0;
  if (query(kSystemTimeOfDayInformation, &time, sizeof time, &length) != 0) {
    // A system that knows only the older, shorter record.
    time = {};
    length = 0;
    if (query(kSystemTimeOfDayInformation, &time, offsetof(TimeOfDay, BootTimeBias), &length) !=
        0) {
      return {};
    }
  }
  if (time.BootTime.QuadPart <= 0) return {};
  // Setting the clock moves the boot time along and adds the step to the bias:
  // the boot time less the bias stays as it was at the start.
  const ULONGLONG bias = length >= offsetof(TimeOfDay, BootTimeBias) + sizeof time.BootTimeBias
                             ? time.BootTimeBias
                             : 0;
  const ULONGLONG boot = static_cast<ULONGLONG>(time.BootTime.QuadPart) - bias;
  return text::fromUtf8(std::to_string(boot));
}

bool Win32System::ShuttingDown() {
  return ::GetSystemMetrics(SM_SHUTTINGDOWN) != 0 || state().sessionEnds;
}

void Win32System::CatchStopRequests(bool catching) {
  auto& stop = state();
  if (catching == stop.catching) return;
  if (catching) {
    if (stop.done == nullptr) stop.done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::ResetEvent(stop.done);
    stop.request = 0;
    stop.catching = true;
    ::SetConsoleCtrlHandler(keepStopRequest, TRUE);
    startSessionWatch(stop);
  } else {
    stop.catching = false;
    // A handler or a window that waits answers now, and the system ends the process.
    ::SetEvent(stop.done);
    ::SetConsoleCtrlHandler(keepStopRequest, FALSE);
    stopSessionWatch(stop);
  }
}

std::u16string Win32System::StopRequested() {
  auto& stop = state();
  if (!stop.catching) return {};
  switch (stop.request.load()) {
    case CTRL_C_EVENT + 1:
      return u"Ctrl+C";
    case CTRL_BREAK_EVENT + 1:
      return u"Ctrl+Break";
    case CTRL_CLOSE_EVENT + 1:
      return u"console close";
    case CTRL_LOGOFF_EVENT + 1:
    case CTRL_SHUTDOWN_EVENT + 1:
      return u"end of session";
    default:
      return {};
  }
}

}  // namespace sigpatch::platform::win32
