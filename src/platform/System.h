#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sigpatch::platform {

/// The system's version record: major, minor, build, platform id and the
/// service-pack text.
struct OsVersionInfo {
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  std::u16string szCSDVersion;
};

/// A rectangle in pixels: left, top, right, bottom.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

/// Platform id of the version record for Linux; the Windows ids are 0 (Win32s),
/// 1 (Windows 95 family) and 2 (NT family).
inline constexpr std::uint32_t kPlatformLinux = 100;

/// ExitWindowsEx flags.
inline constexpr std::uint32_t kEwxLogOff = 0;
inline constexpr std::uint32_t kEwxShutdown = 1;
inline constexpr std::uint32_t kEwxReboot = 2;

/// SetWindowPos: insert-after values and flags.
inline constexpr std::intptr_t kHwndTopmost = -1;
inline constexpr std::intptr_t kHwndNoTopmost = -2;
inline constexpr std::uint32_t kSwpNoSize = 0x1;
inline constexpr std::uint32_t kSwpNoMove = 0x2;
inline constexpr std::uint32_t kSwpShowWindow = 0x40;
inline constexpr std::uint32_t kSwpHideWindow = 0x80;

/// Monitor power states: on, low power, off.
inline constexpr std::int32_t kMonitorOn = -1;
inline constexpr std::int32_t kMonitorLowPower = 1;
inline constexpr std::int32_t kMonitorOff = 2;

/// A lock shared by every process of the machine that names it alike. Released
/// when the object goes.
class MachineLock {
 public:
  virtual ~MachineLock() = default;
  /// Takes the lock when it is free; true when this object holds it now.
  virtual bool TryLock() = 0;
};

/// The About notice as a message box shows it.
struct AboutNotice {
  std::u16string title;
  std::u16string text;
};

/// The operating system's version, logon, window, power and folder services.
/// Queries answer false (or "") when the system cannot tell; commands whose
/// result the program does not look at return nothing.
class System {
 public:
  virtual ~System() = default;

  /// Fills the version record; false when the system cannot tell.
  virtual bool GetVersionEx(OsVersionInfo& info) = 0;
  /// The work area of the primary display (the desktop less the task bar), in
  /// pixels; false when it cannot be read.
  virtual bool GetWorkArea(Rect& area) = 0;

  /// The machine's name.
  virtual bool GetComputerName(std::u16string& name) = 0;
  /// The name of the user logged on.
  virtual bool GetUserName(std::u16string& name) = 0;
  /// The user's domain; false when the machine belongs to none.
  virtual bool GetUserDomain(std::u16string& domain) = 0;
  /// Milliseconds since the system started, wrapping at 2^32.
  virtual std::uint32_t GetTickCount() = 0;
  /// The system's text for a system error code, with the line break the system
  /// texts end in; false for a code it has no text for, or a text that needs
  /// inserts.
  virtual bool FormatMessage(std::uint32_t code, std::u16string& message) = 0;

  /// Starts the screen saver; raises a RuntimeError when nothing can start it.
  virtual void StartScreenSaver() = 0;
  /// Puts the monitors in a power state (kMonitorOn, kMonitorLowPower,
  /// kMonitorOff); raises a RuntimeError for another state or when nothing can
  /// do it.
  virtual void SetMonitorPower(std::int32_t state) = 0;
  /// Tells the system that a screen saver runs (true) or not, which blocks the
  /// secure-attention keys where the system honours it.
  virtual void SetScreenSaverRunning(bool running) = 0;
  /// Shows or hides the desktop's task bar.
  virtual void ShowTaskbar(bool show) = 0;
  /// Places a window in the z-order: kHwndTopmost or kHwndNoTopmost with
  /// kSwpNoSize | kSwpNoMove keeps it above the others or lets it go.
  virtual void SetWindowPos(std::intptr_t hWnd, std::intptr_t hWndInsertAfter, std::int32_t x,
                            std::int32_t y, std::int32_t cx, std::int32_t cy,
                            std::uint32_t flags) = 0;
  /// Logs the user off (kEwxLogOff), shuts the machine down (kEwxShutdown) or
  /// restarts it (kEwxReboot).
  virtual void ExitWindows(std::uint32_t flags) = 0;
  /// The shell's About notice for a program: its name and version text, the
  /// system's description and a further line, owned by a window. A system
  /// without an About box of its own shows nothing and gives the title and
  /// text of the message box the caller shows instead.
  virtual std::optional<AboutNotice> ShellAbout(std::intptr_t hWnd, std::u16string_view szApp,
                                                std::u16string_view szOtherStuff,
                                                std::intptr_t hIcon) = 0;

  /// The long (resolved) form of a path; false when it does not exist.
  virtual bool GetLongPathName(std::u16string_view path, std::u16string& longPath) = 0;
  /// The short form of a path; false when it does not exist.
  virtual bool GetShortPathName(std::u16string_view path, std::u16string& shortPath) = 0;
  /// The system's own folder ("C:\WINDOWS", "/").
  virtual bool GetWindowsDirectory(std::u16string& folder) = 0;
  /// The folder of the system's programs ("C:\WINDOWS\system32", "/usr/bin").
  virtual bool GetSystemDirectory(std::u16string& folder) = 0;
  /// The folder for temporary files, ending in a separator.
  virtual bool GetTempPath(std::u16string& folder) = 0;
  /// The folder of a CSIDL number; false for a number without a folder here.
  virtual bool GetSpecialFolder(std::int32_t csidl, std::u16string& folder) = 0;
  /// Whether a directory search finds an entry, file or folder, for the path;
  /// its last part may hold the wildcards "*" and "?".
  virtual bool FindFirstFile(std::u16string_view pattern) = 0;

  /// A machine-wide lock of the given name that only those who may change the
  /// machine's settings can take; nullptr when the system cannot make one.
  virtual std::unique_ptr<MachineLock> CreateMachineLock(std::u16string_view name) = 0;

  /// The identity of this boot of the machine: the same from start to shut-down,
  /// another after a restart; "" when the system cannot tell.
  virtual std::u16string BootId() = 0;
  /// Whether the system is shutting down or restarting now.
  virtual bool ShuttingDown() = 0;
  /// While `catching` is true, a request from outside to end the program
  /// (SIGTERM, SIGINT, SIGHUP; on Windows Ctrl+C, Ctrl+Break, the console's
  /// close and the end of the session) no longer ends it but is kept for
  /// StopRequested, so that the program can first end what it started. False
  /// gives the requests their usual effect again.
  virtual void CatchStopRequests(bool catching) = 0;
  /// The name of the request to end caught while catching ("SIGTERM",
  /// "console close"); "" when none came.
  virtual std::u16string StopRequested() = 0;

  /// Whether the program runs with more rights than an ordinary user (root; an
  /// administrator or SYSTEM).
  virtual bool RunsPrivileged() = 0;
  /// Who, besides the system (on POSIX also the user running the program) and
  /// `trustedOwner` (a user or group name, may be empty), could change what
  /// runs from `path`:
  /// the file, a folder on its path, or a link on the way. "" when nobody;
  /// else what is open to whom, in words ("/srv/updates is writable by the
  /// group staff").
  virtual std::u16string WhoElseCanChange(std::u16string_view path,
                                          std::u16string_view trustedOwner) = 0;
  /// The setting under the settings key that names what a package's signature
  /// is checked against: "PackageKeyring" (an OpenPGP keyring, the signature
  /// beside the package as "<package>.sig") on Linux, "PackagePublisher" (the
  /// Authenticode signer's name) on Windows.
  virtual std::u16string SignatureSetting() = 0;
  /// Checks the signature of `file` (a copy of `original`) against `anchor`,
  /// the value of SignatureSetting: "" when it is good, else why not.
  virtual std::u16string CheckSignature(std::u16string_view file, std::u16string_view original,
                                        std::u16string_view anchor) = 0;
  /// A folder only this program may write, made when missing, for the copies
  /// of the packages it runs; "" when there can be none.
  virtual std::u16string PrivateFolder() = 0;
  /// Writes `bytes` as the whole new content of a file, which is replaced only
  /// once the new content is complete and on the disk: written to a new file
  /// beside it and moved into its place. A symbolic link is written through to
  /// the file it names; an existing file keeps its owner and mode (the file is
  /// left alone when its owner cannot be kept). Anything that is not a regular
  /// file (a folder, a device, a pipe) is never replaced. Empty when the file
  /// was written; else why not, in words ("it is a device, not a file").
  virtual std::u16string WriteWholeFile(std::u16string_view path, std::string_view bytes) = 0;
  /// Writes `bytes` as they are to the program's standard output. Empty when
  /// done; else why not, in words ("No space left on device").
  virtual std::u16string WriteStandardOutput(std::string_view bytes) = 0;
};

}  // namespace sigpatch::platform
