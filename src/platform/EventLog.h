#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch::platform {

/// What an update run came to.
enum class RunResult {
  Installed,     ///< a package was started and has ended
  NothingNewer,  ///< no package newer than the last one installed
  Failed,        ///< the run could not do its work (no folder, a package that did not start)
  Stale,         ///< the definitions on the machine are out of date
};

/// The word a log carries for a result: "installed", "nothing-newer", "failed",
/// "stale".
std::u16string_view resultWord(RunResult result);

/// One finished update run, as the system's log keeps it.
struct RunRecord {
  RunResult Result = RunResult::Failed;
  /// The package's file name ("sdat4500.exe"); empty when the run chose none.
  std::u16string Package;
  /// The source folder.
  std::u16string Folder;
  /// The exit status the program ends with.
  std::int32_t ExitStatus = 0;
  /// From the start of the run to its end.
  std::chrono::milliseconds Duration{0};
  /// What happened, in one line of words.
  std::u16string Message;
  /// Whether the log shows it as an error (else as information).
  bool IsError = false;

  friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

/// The system's own log: the journal or syslog on Linux, the Application event
/// log on Windows. Administrators read there what the runs at boot did.
class EventLog {
 public:
  virtual ~EventLog() = default;
  /// Records one finished run. Never raises: a log that cannot be reached costs
  /// the record, not the run.
  virtual void Report(const RunRecord& record) = 0;
};

}  // namespace sigpatch::platform
