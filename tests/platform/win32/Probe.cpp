// Small Windows programs for the process tests and the end-to-end run, one
// executable a mode (PROBE_MODE):
//   record  writes its command line (GetCommandLineW) and its working folder,
//           each followed by a line break, in UTF-8, to the file that
//           SIGPATCH_PROBE_RECORD names, else to its own path and ".record";
//   exit7   ends with exit code 7;
//   sleep3  runs three seconds;
//   hold    writes its process number (whole, at once) to the file that
//           SIGPATCH_PROBE_RECORD names, then runs a minute;
//   release writes the record as "record" does, then runs until the file that
//           SIGPATCH_PROBE_RELEASE names exists (two minutes at most): a
//           package whose install lasts as long as a test needs;
//   act     does what its arguments say:
//             exit CODE          ends with ExitProcess(CODE), CODE in decimal
//                                or 0x hexadecimal (0xC0000005 as a crash ends);
//             await EVENT CODE   waits (up to a minute) until the named event
//                                is set, then ends with CODE;
//             spawn FILE         starts "act await <no event> 0" as a child,
//                                writes the child's number to FILE (whole, at
//                                once) and waits for the child.

#include <windows.h>
// After <windows.h>:
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

#if PROBE_MODE == 1 || PROBE_MODE == 5 || PROBE_MODE == 6
// The file the probe writes to: SIGPATCH_PROBE_RECORD, else its own path and ".record".
std::wstring recordTarget() {
  wchar_t target[MAX_PATH + 16] = {};
  if (::GetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", target, MAX_PATH) == 0) {
    ::GetModuleFileNameW(nullptr, target, MAX_PATH);
    ::lstrcatW(target, L".record");
  }
  return target;
}
#endif

#if PROBE_MODE == 1 || PROBE_MODE == 6
std::string utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  return bytes;
}

int record() {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
  const std::string contents = utf8(::GetCommandLineW()) + "\n" + utf8(folder) + "\n";
  const HANDLE file = ::CreateFileW(recordTarget().c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written,
                              nullptr) != 0 &&
                  written == contents.size();
  ::CloseHandle(file);
  return ok ? 0 : 4;
}
#endif

#if PROBE_MODE == 4 || PROBE_MODE == 5
// Writes a file beside its place and then moves it there: it is there whole or not at all.
void writeWhole(const std::wstring& target, const std::string& contents) {
  const std::wstring partial = target + L".part";
  const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  ::CloseHandle(file);
  ::MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
}
#endif

#if PROBE_MODE == 4
int act() {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (args == nullptr || count < 3) return 2;
  const std::wstring command = args[1];
  if (command == L"exit") {
    ::ExitProcess(static_cast<UINT>(std::wcstoul(args[2], nullptr, 0)));
  }
  if (command == L"await" && count >= 4) {
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, args[2]);
    ::WaitForSingleObject(event, 60000);
    ::ExitProcess(static_cast<UINT>(std::wcstoul(args[3], nullptr, 0)));
  }
  if (command == L"spawn") {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" await sigpatch-probe-never-set 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &child) == 0) {
      return 3;
    }
    writeWhole(args[2], std::to_string(child.dwProcessId));
    ::WaitForSingleObject(child.hProcess, 60000);
    return 0;
  }
  return 2;
}
#endif

}  // namespace

#if PROBE_MODE == 6
int release() {
  wchar_t release[MAX_PATH + 1] = {};
  if (::GetEnvironmentVariableW(L"SIGPATCH_PROBE_RELEASE", release, MAX_PATH) == 0) return 5;
  if (const int written = record(); written != 0) return written;
  const ULONGLONG until = ::GetTickCount64() + 120000;
  while (::GetFileAttributesW(release) == INVALID_FILE_ATTRIBUTES) {
    if (::GetTickCount64() > until) return 6;
    ::Sleep(50);
  }
  return 0;
}
#endif

int main() {
#if PROBE_MODE == 1
  return record();
#elif PROBE_MODE == 2
  return 7;
#elif PROBE_MODE == 3
  ::Sleep(3000);
  return 0;
#elif PROBE_MODE == 4
  return act();
#elif PROBE_MODE == 6
  return release();
#elif PROBE_MODE == 5
  writeWhole(recordTarget(), std::to_string(::GetCurrentProcessId()));
  ::Sleep(60000);
  return 0;
#else
#error "PROBE_MODE: 1 record, 2 exit7, 3 sleep3, 4 act, 5 hold, 6 release"
#endif
}
