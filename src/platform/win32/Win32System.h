#pragma once

#include "platform/System.h"

namespace sigpatch::platform::win32 {

/// The system services on their Windows calls.
class Win32System final : public System {
 public:
  /// RtlGetVersion, which tells the true version (GetVersionEx tells a program
  /// without a compatibility manifest that it runs on Windows 8).
  bool GetVersionEx(OsVersionInfo& info) override;
  bool GetWorkArea(Rect& area) override;
  bool GetComputerName(std::u16string& name) override;
  /// WNetGetUser for the local user, else GetUserName.
  bool GetUserName(std::u16string& name) override;
  /// The domain of the account the program runs as (for a local account: the
  /// machine's name), as "WScript.Network" tells it.
  bool GetUserDomain(std::u16string& domain) override;
  std::uint32_t GetTickCount() override;
  bool FormatMessage(std::uint32_t code, std::u16string& message) override;
  /// WM_SYSCOMMAND SC_SCREENSAVE to the desktop window.
  void StartScreenSaver() override;
  /// WM_SYSCOMMAND SC_MONITORPOWER to the desktop window; error 5 for a state
  /// other than on, low power and off.
  void SetMonitorPower(std::int32_t state) override;
  void SetScreenSaverRunning(bool running) override;
  /// Shows or hides the window of class "Shell_traywnd".
  void ShowTaskbar(bool show) override;
  /// Only for a window of this program; any other handle is left alone.
  void SetWindowPos(std::intptr_t hWnd, std::intptr_t hWndInsertAfter, std::int32_t x,
                    std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  void ExitWindows(std::uint32_t flags) override;
  /// ShellAboutW, owned by a window of this program (else by none).
  void ShellAbout(std::intptr_t hWnd, std::u16string_view szApp, std::u16string_view szOtherStuff,
                  std::intptr_t hIcon) override;
  bool GetLongPathName(std::u16string_view path, std::u16string& longPath) override;
  bool GetShortPathName(std::u16string_view path, std::u16string& shortPath) override;
  bool GetWindowsDirectory(std::u16string& folder) override;
  bool GetSystemDirectory(std::u16string& folder) override;
  bool GetTempPath(std::u16string& folder) override;
  bool GetSpecialFolder(std::int32_t csidl, std::u16string& folder) override;
  bool FindFirstFile(std::u16string_view pattern) override;
  /// A named mutex, "Global\Sigpatch-" and the name, which every session of the
  /// machine shares and every user may take; "Local\" (this session) where the
  /// global name cannot be made.
  std::unique_ptr<MachineLock> CreateMachineLock(std::u16string_view name) override;
  /// The time a volatile registry key (HKLM\SOFTWARE\Ferrolite\Sigpatch\Boot)
  /// was made: the first call of a boot makes it, a restart takes it away. ""
  /// when the account may not make it.
  std::u16string BootId() override;
  /// SM_SHUTTINGDOWN, or a shut-down the console announced.
  bool ShuttingDown() override;
  /// A console control handler: Ctrl+C, Ctrl+Break, the console's close, the
  /// log-off and the shut-down are kept for StopRequested. For the last three
  /// the system ends the process once the handler returns, so the handler
  /// returns only when catching ends.
  void CatchStopRequests(bool catching) override;
  std::u16string StopRequested() override;
};

}  // namespace sigpatch::platform::win32
