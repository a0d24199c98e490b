#pragma once

#include <set>

#include "platform/Processes.h"

namespace sigpatch::platform::win32 {

/// Processes started with CreateProcess, the command line passed as it is (the
/// system splits it); documents opened with ShellExecute, "openas" through the
/// system's "open with" dialog.
class Win32Processes final : public Processes {
 public:
  Win32Processes() = default;
  ~Win32Processes() override;
  Win32Processes(const Win32Processes&) = delete;
  Win32Processes& operator=(const Win32Processes&) = delete;

  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     ProcessInformation& info) override;
  /// Waits with MsgWaitForMultipleObjects: a window message that arrives ends
  /// the wait early as a time-out, so that the caller's event pump handles it.
  WaitResult WaitForSingleObject(ProcessHandle handle, std::chrono::milliseconds timeout) override;
  bool CloseHandle(ProcessHandle handle) override;
  std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                            std::u16string_view Parameters, std::u16string_view Directory) override;
  std::int32_t GetCurrentProcessId() override;

 private:
  /// The process handles given out and not closed yet; no other handle of the
  /// program is ever waited for or closed through this object.
  std::set<ProcessHandle> handles_;
};

}  // namespace sigpatch::platform::win32
