#pragma once

#include <cstdint>
#include <string_view>

#include "platform/EventLog.h"

namespace sigpatch::platform::win32 {

/// The source the program's events carry in the Application log.
inline constexpr std::u16string_view kEventSource = u"Sigpatch";
/// The event of a finished run. Its text in the program's message table
/// (src/app/events.mc) is "%1": the Event Viewer shows the run's message.
inline constexpr std::uint32_t kRunEventId = 1;
/// Where a source of the Application log is registered, under HKEY_LOCAL_MACHINE.
inline constexpr std::u16string_view kEventSourceKey =
    u"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Sigpatch";

/// The Application event log: one event a run, an error or information, from
/// the source "Sigpatch" with event id 1. Its strings are the message, then
/// the result word, the package, the folder, the exit status and the duration
/// in milliseconds, so that a query on the event's data finds a run by them.
class Win32EventLog final : public EventLog {
 public:
  void Report(const RunRecord& record) override { Write(record); }
  /// Writes the event: 0, or the system's error code when the log refused it.
  std::uint32_t Write(const RunRecord& record);
};

/// Registers the program at `programPath` as the event source "Sigpatch" of
/// the Application log (EventMessageFile: the program, whose message table holds
/// the events' text; TypesSupported: error, warning and information), for the
/// installer. Needs administrator rights; answers the system's result code.
std::int32_t registerEventSource(std::u16string_view programPath);

/// Removes the registration, for the uninstaller; 0 also when there was none.
std::int32_t unregisterEventSource();

}  // namespace sigpatch::platform::win32
