#pragma once

#include "platform/Clock.h"

namespace sigpatch::platform::posix {

/// The system clock, local time from the C library's time-zone rules.
class PosixClock final : public Clock {
 public:
  TimePoint Now() const override;
  DateTime ToLocal(TimePoint t) const override;
  std::chrono::milliseconds Ticks() const override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace sigpatch::platform::posix
