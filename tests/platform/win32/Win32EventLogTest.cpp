// The program's events in the Application log: the text the Event Viewer
// finds in the program's message table, the source's registration, and the
// events themselves, read back where the system keeps them.

#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "platform/EventLogCases.h"
#include "platform/win32/Win32EventLog.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace std::chrono_literals;
using sigpatch::testing::builtProgram;
using sigpatch::testing::underWine;

// What the Event Viewer shows of an event: the message of the event's id in
// the source's message file, with the event's strings put in.
TEST(Win32EventLogTest, TheProgramsMessageTableShowsTheRunsMessage) {
  for (const char* program : {SIGPATCH_EXE, SIGPATCH_CONSOLE_EXE}) {
    SCOPED_TRACE(program);
    const HMODULE module =
        ::LoadLibraryExW(wide(builtProgram(program)).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << ::GetLastError();
    const DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(L"Installed sdat4500.exe (100% %1)"),
                                 reinterpret_cast<DWORD_PTR>(L"installed")};
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                             FORMAT_MESSAGE_ARGUMENT_ARRAY,
                         module, kRunEventId, 0, reinterpret_cast<wchar_t*>(&text), 0,
                         reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(strings)));
    const DWORD error = ::GetLastError();
    ::FreeLibrary(module);
    ASSERT_NE(length, 0u) << error;
    std::wstring shown(text, length);
    ::LocalFree(text);
    // The message's own line end aside.
    while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
    EXPECT_EQ(shown, L"Installed sdat4500.exe (100% %1)");
  }
}

struct Event {
  WORD type = 0;
  DWORD id = 0;
  std::vector<std::u16string> strings;
};

// The newest event of the source in the Application log whose first string is
// `message`; `error` says why the log could not be read to its end.
std::optional<Event> findEvent(std::u16string_view message, DWORD& error) {
  const HANDLE log = ::OpenEventLogW(nullptr, L"Application");
  error = log == nullptr ? ::GetLastError() : ERROR_SUCCESS;
  std::optional<Event> found;
  std::vector<BYTE> buffer(64 * 1024);
  while (log != nullptr && !found) {
    DWORD read = 0;
    DWORD needed = 0;
    if (::ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &read, &needed) == 0) {
      error = ::GetLastError();
      if (error != ERROR_INSUFFICIENT_BUFFER) break;
      buffer.resize(needed);
      continue;
    }
    for (DWORD at = 0; at < read && !found;) {
      const auto* record = reinterpret_cast<const EVENTLOGRECORD*>(buffer.data() + at);
      if (fromWide(reinterpret_cast<const wchar_t*>(record + 1)) == kEventSource) {
        Event event{record->EventType, record->EventID, {}};
        auto* string = reinterpret_cast<const wchar_t*>(buffer.data() + at + record->StringOffset);
        for (WORD i = 0; i < record->NumStrings; ++i, string += std::wcslen(string) + 1) {
          event.strings.push_back(fromWide(string));
        }
        if (!event.strings.empty() && event.strings.front() == message) found = event;
      }
      at += record->Length;
    }
  }
  if (log != nullptr) ::CloseEventLog(log);
  return found;
}

TEST(Win32EventLogTest, ARunIsAnEventOfItsRegisteredSource) {
  const std::u16string program = builtProgram(SIGPATCH_EXE);
  const std::int32_t registered = registerEventSource(program);
  if (registered == ERROR_ACCESS_DENIED) {
    GTEST_SKIP() << "registering an event source needs administrator rights";
  }
  ASSERT_EQ(registered, ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(
      ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(kEventSourceKey).c_str(), 0, KEY_QUERY_VALUE, &key),
      ERROR_SUCCESS);
  wchar_t file[1024] = {};
  DWORD types = 0;
  DWORD fileType = 0;
  DWORD typesType = 0;
  DWORD size = sizeof file;
  EXPECT_EQ(::RegQueryValueExW(key, L"EventMessageFile", nullptr, &fileType,
                               reinterpret_cast<BYTE*>(file), &size),
            ERROR_SUCCESS);
  size = sizeof types;
  EXPECT_EQ(::RegQueryValueExW(key, L"TypesSupported", nullptr, &typesType,
                               reinterpret_cast<BYTE*>(&types), &size),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(fileType, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(fromWide(file), program);
  EXPECT_EQ(typesType, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(types, 7u);

  // A message of this run's own finds its event among the log's.
  const std::u16string tag =
      u" " + text::dec(::GetCurrentProcessId()) + u"-" + text::dec(::GetTickCount());
  Win32EventLog log;
  for (const auto& c : sigpatch::testing::kEventLogCases) {
    RunRecord run = c.record;
    run.Message += tag;
    EXPECT_EQ(log.Write(run), 0u) << c.name;
  }

  EXPECT_EQ(unregisterEventSource(), ERROR_SUCCESS);
  EXPECT_EQ(
      ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(kEventSourceKey).c_str(), 0, KEY_QUERY_VALUE, &key),
      ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(unregisterEventSource(), ERROR_SUCCESS) << "a source that is not there";

  for (const auto& c : sigpatch::testing::kEventLogCases) {
    SCOPED_TRACE(c.name);
    const RunRecord& r = c.record;
    DWORD error = 0;
    const auto event = findEvent(r.Message + tag, error);
    if (!event && underWine()) {
      GTEST_SKIP() << "Wine keeps no events: ReportEventW answers success, and the Application "
                      "log reads as empty (error "
                   << error << ")";
    }
    ASSERT_TRUE(event) << "error " << error;
    EXPECT_EQ(event->type, r.IsError ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(event->id, 1u);
    EXPECT_EQ(event->strings, (std::vector<std::u16string>{
                                  r.Message + tag, text::fromUtf8(c.word), r.Package, r.Folder,
                                  text::dec(r.ExitStatus), text::dec(r.Duration.count())}));
  }
}

}  // namespace
}  // namespace sigpatch::platform::win32
