// Small Windows programs for the process tests and the runs, one a mode (PROBE_MODE): 1 record
// writes its command line and working folder, each followed by "\n", in UTF-8, to the file that
// SIGPATCH_PROBE_RECORD names; 2 exit7 ends with 7; 3 sleep3 runs three seconds; 4 act does what
// its arguments say: "exit CODE" (decimal or 0x...), "await EVENT CODE" (ends with CODE once the
// named event is set), "spawn FILE" (starts "act await" as a child, writes its number to FILE and
// waits for it); 5 release records, then runs until the file SIGPATCH_PROBE_RELEASE names exists.
// Every file is written beside its place and then moved there, whole.

#include <windows.h>
// After <windows.h>:
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

[[maybe_unused]] bool writeWhole(const std::wstring& target, const std::string& contents) {
  const HANDLE file = ::CreateFileW((target + L".part").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written,
                              nullptr) != 0 &&
                  written == contents.size();
  ::CloseHandle(file);
  return ok &&
         ::MoveFileExW((target + L".part").c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

[[maybe_unused]] std::wstring variable(const wchar_t* name) {
  wchar_t value[MAX_PATH + 1] = {};
  ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return value;
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
  const std::string contents = utf8(::GetCommandLineW()) + "\n" + utf8(folder) + "\n";
  return writeWhole(variable(L"SIGPATCH_PROBE_RECORD"), contents) ? 0 : 3;
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
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &child)) {
    return 3;
  }
  writeWhole(args[2], std::to_string(child.dwProcessId));
  ::WaitForSingleObject(child.hProcess, 60000);
  return 0;
}

}  // namespace

static_assert(PROBE_MODE >= 1 && PROBE_MODE <= 5, "PROBE_MODE: 1 record ... 5 release");

int main() {
  if constexpr (PROBE_MODE == 1) return record();
  if constexpr (PROBE_MODE == 2) return 7;
  if constexpr (PROBE_MODE == 4) return act();
  if constexpr (PROBE_MODE == 5) {
    const std::wstring release = variable(L"SIGPATCH_PROBE_RELEASE");
    const int written = record();
    for (int i = 0; i < 2400 && ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
      ::Sleep(50);
    return written;
  }
  ::Sleep(3000);
  return 0;
}
