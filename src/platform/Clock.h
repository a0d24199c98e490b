#pragma once

#include <chrono>
#include <string>

namespace sigpatch::platform {

/// A local calendar date and time, to the second.
struct DateTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

/// "2026-12-06 10:43:13": the text form of a date and time that the program
/// stores ("LatestRunDate", "LatestUpdateDate").
std::u16string dateTimeText(const DateTime& value);

/// The same calendar time `days` whole days earlier.
DateTime minusDays(const DateTime& value, int days);

/// The date-time of now, a steady tick and sleeping. Tests install a fake clock
/// so that no test waits real seconds.
class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
  /// The local calendar time of a time point.
  virtual DateTime ToLocal(TimePoint t) const = 0;
  /// Milliseconds of a steady clock; only differences mean anything.
  virtual std::chrono::milliseconds Ticks() const = 0;
  /// Blocks the calling thread; no window events run meanwhile.
  virtual void Sleep(std::chrono::milliseconds duration) = 0;

  DateTime LocalNow() const { return ToLocal(Now()); }
};

/// Whole seconds from `from` to `to` counted on the clock's second boundaries, as
/// the system counts a difference in seconds (12:00:00.9 to 12:00:01.0 is 1).
long long secondsBetween(Clock::TimePoint from, Clock::TimePoint to);

}  // namespace sigpatch::platform
