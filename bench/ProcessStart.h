#pragma once

// The start of this process, for the start-up benchmarks.

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace sigpatch::bench {

/// Milliseconds since the process started: since SIGPATCH_BENCH_EXEC, the
/// wall-clock time its starter took just before the exec (seconds since the
/// epoch with their fraction, as bash's $EPOCHREALTIME under LC_ALL=C), when it
/// holds such a number; else since the start the kernel records in
/// /proc/self/stat (in clock ticks, 10 ms on most systems).
inline double sinceProcessStart() {
  timespec now{};
  const char* exec = std::getenv("SIGPATCH_BENCH_EXEC");
  char* end = nullptr;
  const double started = exec != nullptr ? std::strtod(exec, &end) : 0.0;
  if (exec != nullptr && end != exec && *end == '\0') {
    ::clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started) *
           1000.0;
  }
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;  // field 22: the start time
  const double booted = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - booted) *
         1000.0;
}

}  // namespace sigpatch::bench
