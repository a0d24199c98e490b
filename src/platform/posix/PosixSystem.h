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
  /// Machine locks are files beside `lockScope` (the machine-wide registry
  /// store) named after it and the lock, so that runs sharing a store share
  /// their locks; without a scope they are files in `lockFolder` (/run/lock when
  /// empty).
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
  /// The text of a message box titled "About " and the program, with the
  /// program, the system and the further text as its lines.
  std::optional<AboutNotice> ShellAbout(std::intptr_t hWnd, std::u16string_view szApp,
                                        std::u16string_view szOtherStuff,
                                        std::intptr_t hIcon) override;
  bool GetLongPathName(std::u16string_view path, std::u16string& longPath) override;
  bool GetShortPathName(std::u16string_view path, std::u16string& shortPath) override;
  bool GetWindowsDirectory(std::u16string& folder) override;
  bool GetSystemDirectory(std::u16string& folder) override;
  bool GetTempPath(std::u16string& folder) override;
  bool GetSpecialFolder(std::int32_t csidl, std::u16string& folder) override;
  bool FindFirstFile(std::u16string_view pattern) override;
  /// A write lock on a file with the store's mode and owner, which only the
  /// store's writers may open for writing.
  std::unique_ptr<MachineLock> CreateMachineLock(std::u16string_view name) override;
  /// /proc/sys/kernel/random/boot_id.
  std::u16string BootId() override;
  /// The service manager says the system is stopping.
  bool ShuttingDown() override;
  /// SIGTERM, SIGINT and SIGHUP are caught while catching.
  void CatchStopRequests(bool catching) override;
  std::u16string StopRequested() override;
  /// The effective user is root.
  bool RunsPrivileged() override;
  /// Owners and modes of the file and every folder and link on its path: each
  /// must belong to root, to the effective user or to the trusted user, and
  /// be writable by nobody else but the trusted group; a folder every user may
  /// write is safe only when it is sticky and what lies in it is trusted.
  std::u16string WhoElseCanChange(std::u16string_view path,
                                  std::u16string_view trustedOwner) override;
  std::u16string SignatureSetting() override { return u"PackageKeyring"; }
  /// gpgv with the keyring and "<original>.sig".
  std::u16string CheckSignature(std::u16string_view file, std::u16string_view original,
                                std::u16string_view anchor) override;
  /// "packages" beside the machine-wide store, mode 0700.
  std::u16string PrivateFolder() override;
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
