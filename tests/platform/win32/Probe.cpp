// Small Windows programs for the process tests and the end-to-end run, one
// executable a mode (PROBE_MODE):
//   record  writes its command line (GetCommandLineW) and its working folder,
//           each followed by a line break, in UTF-8, to the file that
//           SIGPATCH_PROBE_RECORD names, else to its own path and ".record";
//   exit7   ends with exit code 7;
//   sleep3  runs three seconds;
//   hold    writes the record as "record" does, then runs until the file that
//           SIGPATCH_PROBE_RELEASE names exists (two minutes at most): a
//           package whose install lasts as long as a test needs.

#include <windows.h>

#include <string>

namespace {

#if PROBE_MODE == 1 || PROBE_MODE == 4
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
  wchar_t target[MAX_PATH + 16] = {};
  if (::GetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", target, MAX_PATH) == 0) {
    ::GetModuleFileNameW(nullptr, target, MAX_PATH);
    ::lstrcatW(target, L".record");
  }
  const std::string contents = utf8(::GetCommandLineW()) + "\n" + utf8(folder) + "\n";
  const HANDLE file = ::CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written,
                              nullptr) != 0 &&
                  written == contents.size();
  ::CloseHandle(file);
  return ok ? 0 : 4;
}
#endif

#if PROBE_MODE == 4
int hold() {
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

}  // namespace

int main() {
#if PROBE_MODE == 1
  return record();
#elif PROBE_MODE == 2
  return 7;
#elif PROBE_MODE == 3
  ::Sleep(3000);
  return 0;
#elif PROBE_MODE == 4
  return hold();
#else
#error "PROBE_MODE: 1 record, 2 exit7, 3 sleep3, 4 hold"
#endif
}
