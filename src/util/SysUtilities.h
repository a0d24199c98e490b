#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/Form.h"

namespace sigpatch {

/// The operating system's window, version and logon services. The class holds
/// no state: every operation asks the system afresh.
class SysUtilities {
 public:
  /// The shell's About notice for the program: title and version, the system's
  /// description and the maker's notice, owned by the form.
  void Aboutbox(const toolkit::Form& frmActive) const;
  std::int32_t GetMajorVersion() const;
  std::int32_t GetMinorVersion() const;
  /// The build number; on platform 1 only its low 12 bits.
  std::int32_t GetBuildNumber() const;
  /// 0 Win32s, 1 Windows 95 family, 2 NT family, 100 Linux.
  std::int32_t GetPlatformId() const;
  /// The service-pack text (on Linux the distribution's name).
  std::u16string GetCSDVersion() const;
  /// "Windows NT V5.1.2600 Service Pack 2", "Linux V6.1.0 Debian GNU/Linux 12 (bookworm)".
  std::u16string GetOSVersionString() const;
  /// Centres the form in the work area of the primary display.
  void CenterForm(toolkit::Form& frmActive) const;
  /// Moves the form to a corner (0 top left, 1 top right, 2 bottom left, 3
  /// bottom right) or the centre (4) of the work area, `lngPosFromScreenEdge`
  /// twips from the edges, shifted by dX and dY; any other code leaves it where
  /// it is. Sums beyond the 32-bit range raise error 6.
  void PositionForm(toolkit::Form& frmActive, std::int32_t frmPos,
                    std::int32_t lngPosFromScreenEdge, std::int32_t dX, std::int32_t dY) const;
  /// The name of the user logged on; "" when the system cannot tell.
  std::u16string GetUserID() const;
  /// The user's domain; "" when there is none or on any error.
  std::u16string GetUserDomain() const;
  /// The machine's name; "" when the system cannot tell.
  std::u16string GetMachineName() const;
  /// Shows or hides the desktop's task bar.
  void Taskbar(bool blnShow) const;
  /// Tells the system that a screen saver runs (true) or not, which blocks the
  /// secure-attention keys where the system honours it.
  void DisableCtrlAltDel(const bool& bOnOff) const;
  /// Starts the screen saver; false when that raised an error.
  bool StartScreenSaver() const;
  /// Puts the monitors in a power state (-1 on, 1 low power, 2 off); false when
  /// that raised an error.
  bool PowerSaveMonitor(const std::int32_t& State) const;
  void LogOffWindows() const;
  void ShutDownWindows() const;
  void RestartWindows() const;
  /// Keeps the form above all other windows (true) or lets it go.
  void AlwaysOnTop(const toolkit::Form& frmActive, bool blnMode) const;
  /// The system's text for a system error code, with its trailing line break;
  /// "Error (n) not defined." for a code without one.
  std::u16string ApiErrorText(std::int32_t ErrNum) const;
  /// Blocks for the time given; no window events run meanwhile. A negative time
  /// does not wait.
  void Wait(std::int32_t dwMilliseconds) const;
  /// Scrambles a text with a key, or unscrambles it: applying it twice with the
  /// same key gives a text of single-byte characters back.
  std::u16string EncipherString(std::u16string_view ptext, std::u16string_view key) const;
  /// The time since the system started: "1 days 02:03:04", "01:23:45".
  std::u16string UpTime() const;
};

}  // namespace sigpatch
