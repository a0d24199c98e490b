#include "platform/win32/Win32Clock.h"

#include <algorithm>

#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {

Clock::TimePoint Win32Clock::Now() const { return std::chrono::system_clock::now(); }

DateTime Win32Clock::ToLocal(TimePoint t) const {
  // 100-nanosecond steps since 1601, 11644473600 seconds before 1970.
  const auto seconds = std::chrono::floor<std::chrono::seconds>(t).time_since_epoch().count();
  const auto ticks = static_cast<std::uint64_t>((seconds + 11644473600LL) * 10000000LL);
  FILETIME universal{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (::FileTimeToSystemTime(&universal, &utc) == 0 ||
      ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) == 0) {
    return {};
  }
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::chrono::milliseconds Win32Clock::Ticks() const {
  // The performance counter: finer than the tick count, which moves in steps
  // of 10 to 16 ms.
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void Win32Clock::Sleep(std::chrono::milliseconds duration) {
  ::Sleep(static_cast<DWORD>(std::max<std::int64_t>(duration.count(), 0)));
}

}  // namespace sigpatch::platform::win32
