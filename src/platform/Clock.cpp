#include "platform/Clock.h"

#include "runtime/Text.h"

namespace sigpatch::platform {

std::u16string dateTimeText(const DateTime& value) {
  return text::zeroPad(value.Year, 4) + u"-" + text::zeroPad(value.Month, 2) + u"-" +
         text::zeroPad(value.Day, 2) + u" " + text::zeroPad(value.Hour, 2) + u":" +
         text::zeroPad(value.Minute, 2) + u":" + text::zeroPad(value.Second, 2);
}

DateTime minusDays(const DateTime& value, int days) {
  using namespace std::chrono;
  const sys_days date = year{value.Year} / month{static_cast<unsigned>(value.Month)} /
                        day{static_cast<unsigned>(value.Day)};
  const year_month_day earlier{date - std::chrono::days{days}};
  DateTime result = value;
  result.Year = static_cast<int>(earlier.year());
  result.Month = static_cast<int>(static_cast<unsigned>(earlier.month()));
  result.Day = static_cast<int>(static_cast<unsigned>(earlier.day()));
  return result;
}

long long secondsBetween(Clock::TimePoint from, Clock::TimePoint to) {
  using std::chrono::floor;
  using std::chrono::seconds;
  return (floor<seconds>(to) - floor<seconds>(from)).count();
}

}  // namespace sigpatch::platform
