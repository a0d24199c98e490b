#include "platform/posix/PosixEventLog.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>

#include <string>
#include <vector>

#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// sd_journal_send() counts a journal socket that is not there as success, so
// that a program never fails for want of a journal; we want syslog then.
bool journalSocketExists() {
  struct stat info {};
  return ::stat("/run/systemd/journal/socket", &info) == 0 && S_ISSOCK(info.st_mode);
}

// The journal's client library is loaded when a run reports, once, and not
// with the program: it and the five libraries it needs would cost every start
// (a --version too) half a millisecond. Without it, syslog.
using JournalSend = decltype(::sd_journal_sendv);
JournalSend* journalSend() {
  static JournalSend* const send = []() -> JournalSend* {
    void* library = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    return reinterpret_cast<JournalSend*>(::dlsym(library, "sd_journal_sendv"));
  }();
  return send;
}

}  // namespace

void PosixEventLog::Report(const RunRecord& record) {
  const int priority = record.IsError ? LOG_ERR : LOG_INFO;
  const std::string message = text::toUtf8(record.Message);
  if (journalSocketExists()) {
    if (auto* send = journalSend()) {
      // The entry carries the run's fields, not the place in our source that sent it.
      std::vector<std::string> fields{
          "MESSAGE=" + message,
          "PRIORITY=" + std::to_string(priority),
          "SYSLOG_IDENTIFIER=sigpatch",
          "SIGPATCH_RESULT=" + text::toUtf8(resultWord(record.Result)),
          "SIGPATCH_PACKAGE=" + text::toUtf8(record.Package),
          "SIGPATCH_FOLDER=" + text::toUtf8(record.Folder),
          "SIGPATCH_EXIT_STATUS=" + std::to_string(static_cast<int>(record.ExitStatus)),
          "SIGPATCH_DURATION_MS=" +
              std::to_string(static_cast<long long>(record.Duration.count()))};
      std::vector<iovec> parts;
      for (auto& field : fields) parts.push_back({field.data(), field.size()});
      if (send(parts.data(), static_cast<int>(parts.size())) >= 0) return;
    }
  }
  // The facility of a service's own lines in the journal.
  ::openlog("sigpatch", LOG_PID, LOG_DAEMON);
  ::syslog(priority, "%s", message.c_str());
  ::closelog();
}

}  // namespace sigpatch::platform::posix
