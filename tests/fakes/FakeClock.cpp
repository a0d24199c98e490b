#include "fakes/FakeClock.h"

namespace sigpatch::fakes {

FakeClock::FakeClock() { Set({2026, 12, 6, 10, 0, 0}); }

platform::DateTime FakeClock::ToLocal(TimePoint t) const {
  using namespace std::chrono;
  const auto day = floor<days>(t);
  const year_month_day date{day};
  const hh_mm_ss time{floor<seconds>(t - day)};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())};
}

void FakeClock::Set(const platform::DateTime& local) {
  using namespace std::chrono;
  const sys_days day = year{local.Year} / month{static_cast<unsigned>(local.Month)} /
                       std::chrono::day{static_cast<unsigned>(local.Day)};
  now = day + hours{local.Hour} + minutes{local.Minute} + seconds{local.Second};
}

}  // namespace sigpatch::fakes
