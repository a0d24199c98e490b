#pragma once

#include <string>
#include <string_view>

#include "platform/System.h"

namespace sigpatch::platform::posix {

/// The system services on Linux: the kernel's release and the distribution's
/// name as the version record, the login manager and the desktop's commands
/// (xdg-screensaver, xset, xprop, wmctrl, xdotool, loginctl, systemctl) for the
/// session and window services, the XDG folders for the special folders.
/// A command that is not installed does nothing.
class PosixSystem final : public System {
 public:
  PosixSystem() = default;
  /// Machine locks are files in `lockFolder` (/run/lock when empty, else /tmp)
  /// named after the lock and `lockScope` (the machine-wide registry store), so
  /// that runs sharing a store share their locks.
  PosixSystem(std::string lockFolder, std::string lockScope)
      : lockFolder_(std::move(lockFolder)), lockScope_(std::move(lockScope)) {}

  bool GetVersionEx(OsVersionInfo& info) override;
  bool GetWorkArea(Rect& area) override;
  bool GetComputerName(std::u16string& name) override;
  bool GetUserName(std::u16string& name) override;
  bool GetUserDomain(std::u16string& domain) override;
  std::uint32_t GetTickCount() override;
  bool FormatMessage(std::uint32_t code, std::u16string& message) override;
  /// xdg-screensaver activate; error 53 when it is missing, 5 when it fails.
  void StartScreenSaver() override;
  /// xset dpms force on / standby / off; error 53 when xset is missing, 5 for
  /// another state or when it fails.
  void SetMonitorPower(std::int32_t state) override;
  /// Masks (or unmasks) ctrl-alt-del.target until the next boot.
  void SetScreenSaverRunning(bool running) override;
  /// Maps or unmaps the desktop's panel windows with xdotool.
  void ShowTaskbar(bool show) override;
  /// The topmost state through wmctrl; showing and hiding through xdotool.
  void SetWindowPos(std::intptr_t hWnd, std::intptr_t hWndInsertAfter, std::int32_t x,
                    std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  /// loginctl terminate-session for this session; systemctl poweroff or reboot.
  void ExitWindows(std::uint32_t flags) override;
  /// A message box through the windowing layer, titled "About " and the
  /// program, with the program, the system and the further text as its lines.
  void ShellAbout(std::intptr_t hWnd, std::u16string_view szApp, std::u16string_view szOtherStuff,
                  std::intptr_t hIcon) override;
  bool GetLongPathName(std::u16string_view path, std::u16string& longPath) override;
  bool GetShortPathName(std::u16string_view path, std::u16string& shortPath) override;
  bool GetWindowsDirectory(std::u16string& folder) override;
  bool GetSystemDirectory(std::u16string& folder) override;
  bool GetTempPath(std::u16string& folder) override;
  bool GetSpecialFolder(std::int32_t csidl, std::u16string& folder) override;
  bool FindFirstFile(std::u16string_view pattern) override;
  /// An advisory lock (flock) on a file every user may open.
  std::unique_ptr<MachineLock> CreateMachineLock(std::u16string_view name) override;
  std::u16string WriteWholeFile(std::u16string_view path, std::string_view bytes) override;
  std::u16string WriteStandardOutput(std::string_view bytes) override;

 private:
  std::string lockFolder_;
  std::string lockScope_;
};

/// The first three numbers of a kernel release ("6.1.0-18-amd64") as major,
/// minor and build; false when it does not begin with a number.
bool parseKernelRelease(std::string_view release, OsVersionInfo& info);

/// PRETTY_NAME of an os-release file's contents, its quotes and escapes undone.
std::string osReleasePrettyName(std::string_view contents);

/// The first work area of `xprop -root _NET_WORKAREA` output
/// ("_NET_WORKAREA(CARDINAL) = 0, 27, 1920, 1053").
bool parseWorkArea(std::string_view xpropOutput, Rect& area);

/// Whether a name matches a pattern of "*" and "?", letter case respected.
bool matchesWildcards(std::string_view name, std::string_view pattern);

}  // namespace sigpatch::platform::posix
