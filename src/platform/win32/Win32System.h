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
  /// A named mutex, "Global\\Sigpatch-" and the name, which every session of
  /// the machine shares and only SYSTEM and the Administrators may open;
  /// nullptr where it cannot be made or opened (there is no lock of a session
  /// alone to fall back on: it would not keep out the runs of other sessions).
  std::unique_ptr<MachineLock> CreateMachineLock(std::u16string_view name) override;
  /// The time the machine started, as the kernel keeps it (less the changes
  /// of the clock since), in 100 ns units.
  std::u16string BootId() override;
  /// The session ends (SM_SHUTTINGDOWN), or its end was heard while catching.
  bool ShuttingDown() override;
  /// A console control handler keeps Ctrl+C, Ctrl+Break, the console's close,
  /// the log-off and the shut-down; a hidden window on a thread of its own
  /// keeps the session's end (WM_ENDSESSION), which a program that uses
  /// windows gets instead of the console's log-off and shut-down. After the
  /// close and the session's end the system ends the program as soon as the
  /// handler or the window answers, so they answer only when catching ends
  /// (or the system's five seconds are up). A log-off heard in session 0 (a
  /// service's) is another user's and is let pass.
  void CatchStopRequests(bool catching) override;
  /// "Ctrl+C", "Ctrl+Break", "console close" or "end of session".
  std::u16string StopRequested() override;

  /// The token is elevated, or is SYSTEM's, or has the Administrators group
  /// enabled.
  bool RunsPrivileged() override;
  /// Walks the path from its root (a drive, a share or a volume) to the file,
  /// judging the owner and access list of each entry by the rules of
  /// Win32AccessRules.h: only SYSTEM, the Administrators, TrustedInstaller and
  /// the account or group `trustedOwner` names may change what runs. A link
  /// (symbolic link, junction) is judged itself, then followed from the root
  /// of where it leads; the path the system reaches in the end is walked as
  /// well when it is another. "" when nobody else could change it; else the
  /// first entry from the root down and who, and for the file's folder how to
  /// make it safe with icacls.
  std::u16string WhoElseCanChange(std::u16string_view path,
                                  std::u16string_view trustedOwner) override;
  /// "PackagePublisher".
  std::u16string SignatureSetting() override;
  /// WinVerifyTrust (Authenticode, no revocation checks and nothing fetched
  /// from the network), the signer's chain ending in a trusted root with every
  /// certificate in its time and the signer's fit for code signing, and the
  /// signer's simple display name equal to `anchor` (letter case ignored).
  /// `original` is not needed: the signature is inside the file.
  std::u16string CheckSignature(std::u16string_view file, std::u16string_view original,
                                std::u16string_view anchor) override;
  /// %ProgramData%\Sigpatch\packages, made when missing (also its folder
  /// Sigpatch) with an access list of its own that gives SYSTEM and the
  /// Administrators full control and nobody else anything. "" for a run
  /// without the system's rights, and when either folder is a link or others
  /// than SYSTEM, the Administrators and the program's own account could
  /// change it.
  std::u16string PrivateFolder() override;
  std::u16string WriteWholeFile(std::u16string_view path, std::string_view bytes) override;
  std::u16string WriteStandardOutput(std::string_view bytes) override;
};

}  // namespace sigpatch::platform::win32
