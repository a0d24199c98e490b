#include "platform/posix/PosixClock.h"

#include <ctime>
#include <thread>

namespace sigpatch::platform::posix {

Clock::TimePoint PosixClock::Now() const { return std::chrono::system_clock::now(); }

DateTime PosixClock::ToLocal(TimePoint t) const {
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(t));
  std::tm local{};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::chrono::milliseconds PosixClock::Ticks() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void PosixClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace sigpatch::platform::posix
