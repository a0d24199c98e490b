#include "platform/win32/Win32EventLog.h"

#include <array>
#include <string>

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {

std::uint32_t Win32EventLog::Write(const RunRecord& record) {
  const HANDLE source = ::RegisterEventSourceW(nullptr, wide(kEventSource).c_str());
  if (source == nullptr) return ::GetLastError();
  const std::array<std::wstring, 6> strings = {
      wide(record.Message),
      wide(resultWord(record.Result)),
      wide(record.Package),
      wide(record.Folder),
      wide(text::dec(record.ExitStatus)),
      wide(text::dec(record.Duration.count())),
  };
  std::array<const wchar_t*, strings.size()> pointers{};
  for (std::size_t i = 0; i < strings.size(); ++i) pointers[i] = strings[i].c_str();
  const WORD type = record.IsError ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE;
  const BOOL written =
      ::ReportEventW(source, type, 0, kRunEventId, nullptr, static_cast<WORD>(pointers.size()), 0,
                     pointers.data(), nullptr);
  const DWORD error = written != 0 ? ERROR_SUCCESS : ::GetLastError();
  ::DeregisterEventSource(source);
  return error;
}

std::int32_t registerEventSource(std::u16string_view programPath) {
  HKEY key = nullptr;
  LSTATUS result =
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, wide(kEventSourceKey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  const std::wstring file = wide(programPath);
  result = ::RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(file.c_str()),
                            static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
  if (result == ERROR_SUCCESS) {
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    result = ::RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&types), sizeof types);
  }
  ::RegCloseKey(key);
  return result;
}

std::int32_t unregisterEventSource() {
  const LSTATUS result = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, wide(kEventSourceKey).c_str());
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

}  // namespace sigpatch::platform::win32
