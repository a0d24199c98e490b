#pragma once

#include <map>
#include <vector>

#include "platform/Processes.h"

namespace sigpatch::platform::win32 {

/// Processes started with CreateProcess, the command line passed as it is (the
/// system splits it); documents opened with ShellExecute, "openas" through the
/// system's "open with" dialog. A process started with kCreateNewProcessGroup
/// leads a console process group of its own and runs in a job object with
/// everything it starts: the job is ended when this program's process goes
/// while the package still runs, and let go when the package ended by itself.
class Win32Processes final : public Processes {
 public:
  Win32Processes() = default;
  ~Win32Processes() override;
  Win32Processes(const Win32Processes&) = delete;
  Win32Processes& operator=(const Win32Processes&) = delete;

  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     ProcessInformation& info, std::uint32_t CreationFlags = 0) override;
  /// The system's text of the error of the last failed start.
  std::u16string StartFailure() const override { return startFailure_; }
  /// An exit code of 0xC0000000 or more is an exception status (an access
  /// violation, a process ended by the debugger): the process did not end by itself.
  bool GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) override;
  /// Asking: Ctrl+Break to the process group and a close message to the
  /// top-level windows of the job's processes. Forcing: the job (or the
  /// process alone) ended with exit code 1.
  bool StopProcess(ProcessHandle handle, bool force) override;
  /// "<pid> <creation time in 100 ns units>"; empty once the process has ended.
  std::u16string ProcessIdentity(std::int32_t pid) override;
  /// Waits with MsgWaitForMultipleObjects: a window message that arrives ends
  /// the wait early as a time-out, so that the caller's event pump handles it.
  WaitResult WaitForSingleObject(ProcessHandle handle, std::chrono::milliseconds timeout) override;
  bool CloseHandle(ProcessHandle handle) override;
  std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                            std::u16string_view Parameters, std::u16string_view Directory) override;
  std::int32_t GetCurrentProcessId() override;

 private:
  struct Child {
    /// The job of a process group; nullptr for a process started alone.
    void* job = nullptr;
    std::uint32_t pid = 0;
  };

  /// The process handles given out and not closed yet; no other handle of the
  /// program is ever waited for or closed through this object.
  std::map<ProcessHandle, Child> handles_;
  /// The jobs of packages whose handles were closed while they ran.
  std::vector<void*> keptJobs_;
  std::u16string startFailure_;
};

}  // namespace sigpatch::platform::win32
