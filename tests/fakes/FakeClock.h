#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace sigpatch::fakes {

/// A clock that moves only when a test moves it, or when the program sleeps. Local time is taken
/// as UTC; it starts at 2026-12-06 10:00:00.
class FakeClock : public platform::Clock {
 public:
  FakeClock() { Set({2026, 12, 6, 10, 0, 0}); }

  TimePoint Now() const override { return now; }
  platform::DateTime ToLocal(TimePoint t) const override {
    using namespace std::chrono;
    const year_month_day date{floor<days>(t)};
    const hh_mm_ss time{floor<seconds>(t - floor<days>(t))};
    return {int(date.year()),          int(unsigned(date.month())), int(unsigned(date.day())),
            int(time.hours().count()), int(time.minutes().count()), int(time.seconds().count())};
  }
  std::chrono::milliseconds Ticks() const override { return ticks; }
  void Sleep(std::chrono::milliseconds duration) override { Advance(duration); }
  void Advance(std::chrono::milliseconds duration) { now += duration, ticks += duration; }
  /// Sets now to a local calendar time.
  void Set(const platform::DateTime& local) {
    using namespace std::chrono;
    now = sys_days(year{local.Year} / month{unsigned(local.Month)} / day{unsigned(local.Day)}) +
          hours{local.Hour} + minutes{local.Minute} + seconds{local.Second};
  }

  TimePoint now;
  std::chrono::milliseconds ticks{1000};
};

}  // namespace sigpatch::fakes
