#include "util/SysUtilities.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <exception>

#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/System.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/Windowing.h"

namespace sigpatch {
namespace {

// A sum of whole numbers that must fit the 32-bit range.
std::int32_t checked(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw RuntimeError(err::kOverflow);
  return static_cast<std::int32_t>(value);
}

// Rounds to the nearest whole number, halves to the even one.
std::int64_t roundHalfEven(double value) {
  return static_cast<std::int64_t>(std::nearbyint(value));
}

// Half of a length, rounded first and then halved with the remainder dropped.
std::int64_t half(double value) { return roundHalfEven(value) / 2; }

}  // namespace

void SysUtilities::CenterForm(toolkit::Form& frmActive) const {
  PositionForm(frmActive, 4, 40, 0, 0);
}

void SysUtilities::PositionForm(toolkit::Form& frmActive, std::int32_t frmPos,
                                std::int32_t lngPosFromScreenEdge, std::int32_t dX,
                                std::int32_t dY) const {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  platform::Rect area;
  if (platform::system().GetWorkArea(area)) {
    auto& screen = platform::windowing().Screen();
    left = roundHalfEven(area.left * screen.TwipsPerPixelX());
    top = roundHalfEven(area.top * screen.TwipsPerPixelY());
    width = checked(roundHalfEven(area.right * screen.TwipsPerPixelX()) - left);
    height = checked(roundHalfEven(area.bottom * screen.TwipsPerPixelY()) - top);
  }
  const std::int64_t edge = lngPosFromScreenEdge;
  const double formWidth = frmActive.Width();
  const double formHeight = frmActive.Height();
  const double nearLeft = checked(left + edge + dX);
  const double nearTop = checked(top + edge + dY);
  const double farLeft = checked(left + checked(width - edge)) - formWidth + dX;
  const double farTop = checked(top + checked(height - edge)) - formHeight + dY;
  switch (frmPos) {
    case 0:
      frmActive.Move(nearLeft, nearTop);
      break;
    case 1:
      frmActive.Move(farLeft, nearTop);
      break;
    case 2:
      frmActive.Move(nearLeft, farTop);
      break;
    case 3:
      frmActive.Move(farLeft, farTop);
      break;
    case 4:
      frmActive.Move(static_cast<double>(checked(left + half(width - formWidth) + dX)),
                     static_cast<double>(checked(top + half(height - formHeight) + dY)));
      break;
    default:
      break;
  }
}

namespace {

platform::OsVersionInfo versionRecord() {
  platform::OsVersionInfo info;
  if (!platform::system().GetVersionEx(info)) info = {};
  return info;
}

// The pseudo-random generator behind EncipherString: a 24-bit linear
// congruential generator, reset to a fixed state and then seeded, so that the
// stream is fully determined by the seed.
class ScrambleStream {
 public:
  explicit ScrambleStream(std::int32_t seed) {
    // The reset: the state that the runtime takes from the number -1.
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(-1.0F);
    state_ = (bits + (bits >> 24)) & 0xFFFFFF;
    Next();
    // The seed: its double's high word folded into the middle of the state.
    const auto high =
        static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(static_cast<double>(seed)) >> 32);
    state_ = (state_ & 0xFF0000FF) | (((high ^ (high >> 16)) & 0xFFFF) << 8);
  }

  /// The next number in [0, 1).
  double Next() {
    state_ = (state_ * 0x43FD43FDU + 0xC39EC3U) & 0xFFFFFF;
    return state_ / 16777216.0;
  }

 private:
  std::uint32_t state_;
};

// The single-byte code of a character; "?" for one the code page lacks.
std::uint32_t byteOf(char16_t c) {
  const int b = text::charToAnsi(c);
  return b < 0 ? 63U : static_cast<std::uint32_t>(b);
}

}  // namespace

void SysUtilities::Aboutbox(const toolkit::Form& frmActive) const {
  const auto& app = platform::windowing().App();
  const std::u16string szApp = app.Title + u" " + text::dec(app.Major) + u"." +
                               text::zeroPad(app.Minor, 2) + u"." + text::zeroPad(app.Revision, 2);
  const std::u16string notice = u"Copyright \u00A9 " + app.CompanyName;
  if (auto box = platform::system().ShellAbout(frmActive.hWnd(), szApp, notice, frmActive.IconHandle())) {
    platform::windowing().MsgBox(box->text, toolkit::MsgBoxStyle::OkOnly, box->title);
  }
}

std::int32_t SysUtilities::GetMajorVersion() const {
  return static_cast<std::int32_t>(versionRecord().dwMajorVersion);
}

std::int32_t SysUtilities::GetMinorVersion() const {
  return static_cast<std::int32_t>(versionRecord().dwMinorVersion);
}

std::int32_t SysUtilities::GetBuildNumber() const {
  const auto info = versionRecord();
  if (info.dwPlatformId == 1) return static_cast<std::int32_t>(info.dwBuildNumber & 0xFFF);
  return static_cast<std::int32_t>(info.dwBuildNumber);
}

std::int32_t SysUtilities::GetPlatformId() const {
  return static_cast<std::int32_t>(versionRecord().dwPlatformId);
}

std::u16string SysUtilities::GetCSDVersion() const {
  std::u16string text = versionRecord().szCSDVersion;
  const auto nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::u16string SysUtilities::GetOSVersionString() const {
  const auto info = versionRecord();
  std::u16string name;
  switch (info.dwPlatformId) {
    case 0:
      name = u"Win32s";
      break;
    case 1:
      if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) {
        name = u"Windows 95";
      } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 10) {
        name = u"Windows 98";
      } else {
        name = u"Windows 9X";
      }
      break;
    case 2:
      name = u"Windows NT";
      break;
    case platform::kPlatformLinux:
      name = u"Linux";
      break;
    default:
      name = u"Unknown";
      break;
  }
  return name + u" V" + text::dec(static_cast<std::int32_t>(info.dwMajorVersion)) + u"." +
         text::dec(static_cast<std::int32_t>(info.dwMinorVersion)) + u"." +
         text::dec(GetBuildNumber()) + u" " + GetCSDVersion();
}

std::u16string SysUtilities::GetUserID() const {
  std::u16string name;
  return platform::system().GetUserName(name) ? name : std::u16string();
}

std::u16string SysUtilities::GetUserDomain() const {
  try {
    std::u16string domain;
    return platform::system().GetUserDomain(domain) ? domain : std::u16string();
  } catch (const std::exception&) {
    return {};
  }
}

std::u16string SysUtilities::GetMachineName() const {
  std::u16string name;
  return platform::system().GetComputerName(name) ? name : std::u16string();
}

void SysUtilities::Taskbar(bool blnShow) const { platform::system().ShowTaskbar(blnShow); }

void SysUtilities::DisableCtrlAltDel(const bool& bOnOff) const {
  platform::system().SetScreenSaverRunning(bOnOff);
}

bool SysUtilities::StartScreenSaver() const {
  try {
    platform::system().StartScreenSaver();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool SysUtilities::PowerSaveMonitor(const std::int32_t& State) const {
  try {
    platform::system().SetMonitorPower(State);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void SysUtilities::LogOffWindows() const { platform::system().ExitWindows(platform::kEwxLogOff); }

void SysUtilities::ShutDownWindows() const {
  platform::system().ExitWindows(platform::kEwxShutdown);
}

void SysUtilities::RestartWindows() const { platform::system().ExitWindows(platform::kEwxReboot); }

void SysUtilities::AlwaysOnTop(const toolkit::Form& frmActive, bool blnMode) const {
  auto& screen = platform::windowing().Screen();
  const std::int64_t perPixelX = roundHalfEven(screen.TwipsPerPixelX());
  const std::int64_t perPixelY = roundHalfEven(screen.TwipsPerPixelY());
  if (perPixelX == 0 || perPixelY == 0) throw RuntimeError(err::kDivisionByZero);
  auto pixels = [](double twips, std::int64_t perPixel) {
    return checked(roundHalfEven(twips / static_cast<double>(perPixel)));
  };
  platform::system().SetWindowPos(
      frmActive.hWnd(), blnMode ? platform::kHwndTopmost : platform::kHwndNoTopmost,
      pixels(frmActive.Left(), perPixelX), pixels(frmActive.Top(), perPixelY),
      pixels(frmActive.Width(), perPixelX), pixels(frmActive.Height(), perPixelY),
      platform::kSwpNoSize | platform::kSwpNoMove);
}

std::u16string SysUtilities::ApiErrorText(std::int32_t ErrNum) const {
  std::u16string message;
  if (platform::system().FormatMessage(static_cast<std::uint32_t>(ErrNum), message) &&
      !message.empty()) {
    return message;
  }
  return u"Error (" + text::dec(ErrNum) + u") not defined.";
}

void SysUtilities::Wait(std::int32_t dwMilliseconds) const {
  platform::clock().Sleep(std::chrono::milliseconds(dwMilliseconds < 0 ? 0 : dwMilliseconds));
}

std::u16string SysUtilities::EncipherString(std::u16string_view ptext,
                                            std::u16string_view key) const {
  std::uint32_t seed = 0;
  unsigned a = 17;
  unsigned b = 0;
  for (char16_t c : key) {
    const std::uint32_t code = byteOf(c);
    seed ^= (code << b) ^ (code << a);
    a = (a + 17) % 24;
    b = (b + 9) % 24;
  }
  ScrambleStream stream(static_cast<std::int32_t>(seed));
  std::u16string result;
  result.reserve(ptext.size());
  for (char16_t c : ptext) {
    const auto r = static_cast<std::uint32_t>(stream.Next() * 256);
    result.push_back(text::ansiToChar(static_cast<unsigned char>(r ^ byteOf(c))));
  }
  return result;
}

std::u16string SysUtilities::UpTime() const {
  const std::uint32_t ticks = platform::system().GetTickCount();
  const std::uint32_t s = ticks / 1000;
  const std::uint32_t m = s / 60;
  const std::uint32_t h = m / 60;
  const std::uint32_t d = h / 24;
  std::u16string text;
  if (d > 0) text = text::dec(d) + u" days ";
  return text + text::zeroPad(h % 24, 2) + u":" + text::zeroPad(m % 60, 2) + u":" +
         text::zeroPad(s % 60, 2);
}

}  // namespace sigpatch
