#pragma once

#include "platform/Clock.h"

namespace sigpatch::platform::win32 {

/// The system clock; local time by the system's time-zone rules.
class Win32Clock final : public Clock {
 public:
  TimePoint Now() const override;
  DateTime ToLocal(TimePoint t) const override;
  /// The performance counter in milliseconds.
  std::chrono::milliseconds Ticks() const override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace sigpatch::platform::win32
