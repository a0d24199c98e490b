// Small Windows programs for the process tests and the end-to-end run, one
// executable a mode (PROBE_MODE):
//   1 record  writes its command line (GetCommandLineW) and its working folder,
//             each followed by a line break, in UTF-8, to the file that
//             SIGPATCH_PROBE_RECORD names, else to its own path and ".record";
//   2 exit7   ends with exit code 7;
//   3 sleep3  runs three seconds;
//   4 act     does what its arguments say:
//               exit CODE          ends with ExitProcess(CODE), CODE in decimal
//                                  or 0x hexadecimal (0xC0000005 as a crash ends);
//               await EVENT CODE   waits (up to a minute) until the named event
//                                  is set, then ends with CODE;
//               spawn FILE         starts "act await <no event> 0" as a child,
//                                  writes the child's number to FILE and waits
//                                  for the child;
//   5 hold    writes its process number to the file that SIGPATCH_PROBE_RECORD
//             names, then runs a minute;
//   6 release writes the record as "record" does, then runs until the file that
//             SIGPATCH_PROBE_RELEASE names exists (two minutes at most): a
//             package whose install lasts as long as a test needs.
// Every file is written beside its place and then moved there: it is there
// whole or not at all.

#include <windows.h>
// After <windows.h>:
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

[[maybe_unused]] std::wstring recordTarget() {
  wchar_t target[MAX_PATH + 16] = {};
  if (::GetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", target, MAX_PATH) == 0) {
    ::GetModuleFileNameW(nullptr, target, MAX_PATH);
    ::lstrcatW(target, L".record");
  }
  return target;
}

[[maybe_unused]] bool writeWhole(const std::wstring& target, const std::string& contents) {
  const std::wstring partial = target + L".part";
  const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE &&
                  ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written,
                              nullptr) != 0 &&
                  written == contents.size();
  ::CloseHandle(file);
  return ok && ::MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

[[maybe_unused]] std::string utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(static_cast<std::size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

[[maybe_unused]] int record() {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
  return writeWhole(recordTarget(), utf8(::GetCommandLineW()) + "\n" + utf8(folder) + "\n") ? 0 : 3;
}

[[maybe_unused]] int act() {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (args == nullptr || count < 3) return 2;
  const std::wstring command = args[1];
  if (command == L"exit") ::ExitProcess(static_cast<UINT>(std::wcstoul(args[2], nullptr, 0)));
  if (command == L"await" && count >= 4) {
    ::WaitForSingleObject(::CreateEventW(nullptr, TRUE, FALSE, args[2]), 60000);
    ::ExitProcess(static_cast<UINT>(std::wcstoul(args[3], nullptr, 0)));
  }
  if (command != L"spawn") return 2;
  wchar_t self[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" await sigpatch-probe-never-set 0";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &child) == 0) {
    return 3;
  }
  writeWhole(args[2], std::to_string(child.dwProcessId));
  ::WaitForSingleObject(child.hProcess, 60000);
  return 0;
}

[[maybe_unused]] int release() {
  wchar_t release[MAX_PATH + 1] = {};
  if (::GetEnvironmentVariableW(L"SIGPATCH_PROBE_RELEASE", release, MAX_PATH) == 0) return 5;
  if (const int written = record(); written != 0) return written;
  for (const ULONGLONG until = ::GetTickCount64() + 120000;
       ::GetFileAttributesW(release) == INVALID_FILE_ATTRIBUTES; ::Sleep(50)) {
    if (::GetTickCount64() > until) return 6;
  }
  return 0;
}

}  // namespace

static_assert(PROBE_MODE >= 1 && PROBE_MODE <= 6, "PROBE_MODE: 1 record ... 6 release");

int main() {
  if constexpr (PROBE_MODE == 1) return record();
  if constexpr (PROBE_MODE == 2) return 7;
  if constexpr (PROBE_MODE == 4) return act();
  if constexpr (PROBE_MODE == 6) return release();
  if constexpr (PROBE_MODE == 5)
    writeWhole(recordTarget(), std::to_string(::GetCurrentProcessId()));
  ::Sleep(PROBE_MODE == 3 ? 3000 : 60000);
  return 0;
}
