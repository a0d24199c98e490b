#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace sigpatch::fakes {

/// A clock that moves only when a test moves it, or when the program sleeps.
/// Local time is taken as UTC.
class FakeClock : public platform::Clock {
 public:
  FakeClock();

  TimePoint Now() const override { return now; }
  platform::DateTime ToLocal(TimePoint t) const override;
  std::chrono::milliseconds Ticks() const override { return ticks; }
  void Sleep(std::chrono::milliseconds duration) override { Advance(duration); }

  void Advance(std::chrono::milliseconds duration) {
    now += duration;
    ticks += duration;
  }
  /// Sets now to a local calendar time.
  void Set(const platform::DateTime& local);

  TimePoint now;
  std::chrono::milliseconds ticks{1000};
};

}  // namespace sigpatch::fakes
