// The program's events in the Application log: the text the Event Viewer
// finds in the program's message table, and the source's registration. Wine
// keeps no events (ReportEventW answers success, the log reads as empty), so
// what the log keeps of them is not read back here.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "platform/EventLogCases.h"
#include "platform/win32/Win32EventLog.h"

namespace sigpatch::platform::win32 {
namespace {

using sigpatch::testing::builtProgram;

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
    ::FreeLibrary(module);
    ASSERT_NE(length, 0u);
    std::wstring shown(text, length);
    ::LocalFree(text);
    while (shown.ends_with(L'\n') || shown.ends_with(L'\r')) shown.pop_back();
    EXPECT_EQ(shown, L"Installed sdat4500.exe (100% %1)");
  }
}

TEST(Win32EventLogTest, TheSourceIsRegisteredForTheProgramAndRemovedAgain) {
  const std::u16string program = builtProgram(SIGPATCH_EXE);
  const std::int32_t registered = registerEventSource(program);
  if (registered == ERROR_ACCESS_DENIED) GTEST_SKIP() << "registering needs administrator rights";
  ASSERT_EQ(registered, ERROR_SUCCESS);
  const std::wstring key = wide(kEventSourceKey);
  wchar_t file[1024] = {};
  DWORD types = 0, fileType = 0, typesType = 0, size = sizeof file;
  EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"EventMessageFile",
                           RRF_RT_ANY | RRF_NOEXPAND, &fileType, file, &size),
            ERROR_SUCCESS);
  size = sizeof types;
  EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"TypesSupported", RRF_RT_ANY,
                           &typesType, &types, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(fileType, DWORD{REG_EXPAND_SZ});
  EXPECT_EQ(fromWide(file), program);
  EXPECT_EQ(typesType, DWORD{REG_DWORD});
  EXPECT_EQ(types, 7u);
  Win32EventLog log;
  for (const auto& c : sigpatch::testing::kEventLogCases)
    EXPECT_EQ(log.Write(c.record), 0u) << c.name;

  EXPECT_EQ(unregisterEventSource(), ERROR_SUCCESS);
  HKEY gone = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &gone),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(unregisterEventSource(), ERROR_SUCCESS) << "a source that is not there";
}

}  // namespace
}  // namespace sigpatch::platform::win32
