#include "platform/win32/Win32System.h"

#include <string>
#include <vector>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32AccessRules.h"
#include "platform/win32/Win32WholeFile.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/RuntimeError.h"

namespace sigpatch::platform::win32 {
namespace {

// Calls a system function that fills a buffer of `size` characters and returns
// the length it wrote, or the size it needs when the buffer is too small, or 0.
template <typename Fill>
bool fillBuffer(std::u16string& out, Fill fill) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  while (true) {
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      out = fromWide(std::wstring_view(buffer.data(), length));
      return true;
    }
    buffer.resize(length + 1);
  }
}

// A zero-terminated buffer up to its first NUL.
std::u16string untilNul(const wchar_t* buffer) { return fromWide(buffer); }

using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);

// A window of this program, or none: a handle of the console's own windows
// (which have no system window behind them) never reaches another program's
// window.
HWND ownWindow(std::intptr_t hWnd) {
  const auto window = reinterpret_cast<HWND>(hWnd);
  if (window == nullptr || ::IsWindow(window) == 0) return nullptr;
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process == ::GetCurrentProcessId() ? window : nullptr;
}

}  // namespace

bool Win32System::GetVersionEx(OsVersionInfo& info) {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  bool known = false;
  if (const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    if (const auto call = reinterpret_cast<RtlGetVersionCall>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))) {
      known = call(&version) == 0;
    }
  }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!known) known = ::GetVersionExW(&version) != 0;
#pragma GCC diagnostic pop
  if (!known) return false;
  info.dwMajorVersion = version.dwMajorVersion;
  info.dwMinorVersion = version.dwMinorVersion;
  info.dwBuildNumber = version.dwBuildNumber;
  info.dwPlatformId = version.dwPlatformId;
  info.szCSDVersion = untilNul(version.szCSDVersion);
  return true;
}

bool Win32System::GetWorkArea(Rect& area) {
  RECT rect{};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0) == 0) return false;
  area = {rect.left, rect.top, rect.right, rect.bottom};
  return true;
}

bool Win32System::GetComputerName(std::u16string& name) {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (::GetComputerNameW(buffer, &size) == 0) return false;
  name = fromWide(std::wstring_view(buffer, size));
  return true;
}

bool Win32System::GetUserName(std::u16string& name) {
  wchar_t buffer[UNLEN + 1] = {};
  DWORD size = UNLEN + 1;
  if (::WNetGetUserW(nullptr, buffer, &size) == NO_ERROR) {
    name = untilNul(buffer);
    if (!name.empty()) return true;
  }
  size = UNLEN + 1;
  if (::GetUserNameW(buffer, &size) == 0) return false;
  name = untilNul(buffer);
  return !name.empty();
}

bool Win32System::GetUserDomain(std::u16string& domain) {
  std::vector<BYTE> account = processAccount();
  if (account.empty()) return false;
  wchar_t name[256] = {};
  wchar_t domainName[256] = {};
  DWORD nameSize = 256;
  DWORD domainSize = 256;
  SID_NAME_USE use{};
  if (::LookupAccountSidW(nullptr, account.data(), name, &nameSize, domainName, &domainSize,
                          &use) == 0) {
    return false;
  }
  domain = untilNul(domainName);
  return !domain.empty();
}

std::uint32_t Win32System::GetTickCount() { return ::GetTickCount(); }

bool Win32System::FormatMessage(std::uint32_t code, std::u16string& message) {
  // The text as the system holds it, its inserts left in place: a text that
  // needs inserts counts as none, on every system alike (without the flag
  // some fail such a text and others fill in nothing).
  wchar_t buffer[1024] = {};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, 1024, nullptr);
  if (length == 0) return false;
  const std::u16string found = fromWide(std::wstring_view(buffer, length));
  for (std::size_t at = found.find(u'%'); at != std::u16string::npos && at + 1 < found.size();
       at = found.find(u'%', at + 1)) {
    if (found[at + 1] >= u'1' && found[at + 1] <= u'9') return false;
  }
  message = found;
  return true;
}

void Win32System::StartScreenSaver() {
  ::SendMessageW(::GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

void Win32System::SetMonitorPower(std::int32_t state) {
  if (state != kMonitorOn && state != kMonitorLowPower && state != kMonitorOff) {
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  ::SendMessageW(::GetDesktopWindow(), WM_SYSCOMMAND, SC_MONITORPOWER, state);
}

void Win32System::SetScreenSaverRunning(bool running) {
  UINT previous = 0;
  ::SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, running ? ~0u : 0u, &previous, 0);
}

void Win32System::ShowTaskbar(bool show) {
  if (const HWND taskbar = ::FindWindowW(L"Shell_traywnd", L"")) {
    ::SetWindowPos(taskbar, nullptr, 0, 0, 0, 0, show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  }
}

void Win32System::SetWindowPos(std::intptr_t hWnd, std::intptr_t hWndInsertAfter, std::int32_t x,
                               std::int32_t y, std::int32_t cx, std::int32_t cy,
                               std::uint32_t flags) {
  if (const HWND window = ownWindow(hWnd)) {
    ::SetWindowPos(window, reinterpret_cast<HWND>(hWndInsertAfter), x, y, cx, cy, flags);
  }
}

void Win32System::ExitWindows(std::uint32_t flags) { ::ExitWindowsEx(flags, 0); }

std::optional<AboutNotice> Win32System::ShellAbout(std::intptr_t hWnd, std::u16string_view szApp,
                                                  std::u16string_view szOtherStuff,
                                                  std::intptr_t hIcon) {
  // A picture handle of the console's windows is no system icon: the dialog
  // then shows the system's own.
  auto icon = reinterpret_cast<HICON>(hIcon);
  ICONINFO info{};
  if (icon != nullptr && ::GetIconInfo(icon, &info) != 0) {
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  } else {
    icon = nullptr;
  }
  ::ShellAboutW(ownWindow(hWnd), wide(szApp).c_str(), wide(szOtherStuff).c_str(), icon);
  return std::nullopt;
}

bool Win32System::GetLongPathName(std::u16string_view path, std::u16string& longPath) {
  const std::wstring given = wide(path);
  return fillBuffer(longPath, [&](wchar_t* buffer, DWORD size) {
    return ::GetLongPathNameW(given.c_str(), buffer, size);
  });
}

bool Win32System::GetShortPathName(std::u16string_view path, std::u16string& shortPath) {
  const std::wstring given = wide(path);
  return fillBuffer(shortPath, [&](wchar_t* buffer, DWORD size) {
    return ::GetShortPathNameW(given.c_str(), buffer, size);
  });
}

bool Win32System::GetWindowsDirectory(std::u16string& folder) {
  return fillBuffer(folder, [](wchar_t* buffer, DWORD size) {
    return static_cast<DWORD>(::GetWindowsDirectoryW(buffer, size));
  });
}

bool Win32System::GetSystemDirectory(std::u16string& folder) {
  return fillBuffer(folder, [](wchar_t* buffer, DWORD size) {
    return static_cast<DWORD>(::GetSystemDirectoryW(buffer, size));
  });
}

bool Win32System::GetTempPath(std::u16string& folder) {
  return fillBuffer(folder,
                    [](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
}

bool Win32System::GetSpecialFolder(std::int32_t csidl, std::u16string& folder) {
  PIDLIST_ABSOLUTE items = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK || items == nullptr) {
    return false;
  }
  wchar_t buffer[MAX_PATH + 1] = {};
  const bool found = ::SHGetPathFromIDListW(items, buffer) != 0;
  ::CoTaskMemFree(items);
  if (!found) return false;
  folder = untilNul(buffer);
  return !folder.empty();
}

bool Win32System::FindFirstFile(std::u16string_view pattern) {
  if (pattern.empty()) return false;
  std::wstring search = wide(pattern);
  // A folder named with a trailing separator is searched for its entries; the
  // folder's own "." is among them.
  if (search.back() == L'\\' || search.back() == L'/') search += L'*';
  WIN32_FIND_DATAW entry{};
  const HANDLE found = ::FindFirstFileW(search.c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE) return false;
  ::FindClose(found);
  return true;
}

std::u16string Win32System::WriteWholeFile(std::u16string_view path, std::string_view bytes) {
  return writeWholeFile(path, bytes);
}

std::u16string Win32System::WriteStandardOutput(std::string_view bytes) {
  return writeStandardOutput(bytes);
}

}  // namespace sigpatch::platform::win32
