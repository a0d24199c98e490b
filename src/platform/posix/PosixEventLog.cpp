#include "platform/posix/PosixEventLog.h"

// The entries carry the run's fields, not the place in our source that sent them.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <sys/stat.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <string>

#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// sd_journal_send() counts a journal socket that is not there as success, so
// that a program never fails for want of a journal; we want syslog then.
bool journalSocketExists() {
  struct stat info {};
  return ::stat("/run/systemd/journal/socket", &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

void PosixEventLog::Report(const RunRecord& record) {
  const int priority = record.IsError ? LOG_ERR : LOG_INFO;
  const std::string message = text::toUtf8(record.Message);
  if (journalSocketExists()) {
    const int sent = ::sd_journal_send(
        "MESSAGE=%s", message.c_str(), "PRIORITY=%d", priority, "SYSLOG_IDENTIFIER=sigpatch",
        "SIGPATCH_RESULT=%s", text::toUtf8(resultWord(record.Result)).c_str(),
        "SIGPATCH_PACKAGE=%s", text::toUtf8(record.Package).c_str(), "SIGPATCH_FOLDER=%s",
        text::toUtf8(record.Folder).c_str(), "SIGPATCH_EXIT_STATUS=%d",
        static_cast<int>(record.ExitStatus), "SIGPATCH_DURATION_MS=%lld",
        static_cast<long long>(record.Duration.count()), nullptr);
    if (sent >= 0) return;
  }
  // The facility of a service's own lines in the journal.
  ::openlog("sigpatch", LOG_PID, LOG_DAEMON);
  ::syslog(priority, "%s", message.c_str());
  ::closelog();
}

}  // namespace sigpatch::platform::posix
