#pragma once

#include "platform/EventLog.h"

namespace sigpatch::platform::posix {

/// The journal, one entry a run with the run's fields (SIGPATCH_RESULT,
/// SIGPATCH_PACKAGE, SIGPATCH_FOLDER, SIGPATCH_EXIT_STATUS,
/// SIGPATCH_DURATION_MS); syslog(3) with the message alone when the system runs
/// no journal or the journal refuses the entry.
class PosixEventLog final : public EventLog {
 public:
  void Report(const RunRecord& record) override;
};

}  // namespace sigpatch::platform::posix
