#pragma once

#include <map>

#include "platform/Processes.h"

namespace sigpatch::platform::win32 {

/// Processes started with CreateProcess, the command line passed as it is (the
/// system splits it); documents opened with ShellExecute, "openas" through the
/// system's "open with" dialog.
class Win32Processes final : public Processes {
 public:
  Win32Processes() = default;
  /// Lets every process not closed yet run on, as CloseHandle does.
  ~Win32Processes() override;
  Win32Processes(const Win32Processes&) = delete;
  Win32Processes& operator=(const Win32Processes&) = delete;

  /// With kCreateNewProcessGroup the process leads a console process group of
  /// its own and runs in a job that ends with this program's process (the job
  /// holds what it starts, too); where the system refuses the job, it runs
  /// without one.
  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     ProcessInformation& info, std::uint32_t CreationFlags = 0) override;
  /// The system's text of the error, without its line break.
  std::u16string StartFailure() const override { return startFailure_; }
  /// An exit code from 0xC0000000 to 0xCFFFFFFF is an error status (an access
  /// violation, a console break): the system ended the process.
  bool GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) override;
  /// Asking: the console break to the process's group and WM_CLOSE to the
  /// top-level windows of every process of its job; true when either reached
  /// something. Forcing: the job ended (the process alone without a job), with
  /// the status of a console break.
  bool StopProcess(ProcessHandle handle, bool force) override;
  /// "<pid> <creation time as a FILETIME in decimal>".
  std::u16string ProcessIdentity(std::int32_t pid) override;
  /// Waits with MsgWaitForMultipleObjects: a window message that arrives ends
  /// the wait early as a time-out, so that the caller's event pump handles it.
  WaitResult WaitForSingleObject(ProcessHandle handle, std::chrono::milliseconds timeout) override;
  /// The job lets go of the process first, so that closing it ends nothing.
  bool CloseHandle(ProcessHandle handle) override;
  std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                            std::u16string_view Parameters, std::u16string_view Directory) override;
  std::int32_t GetCurrentProcessId() override;

 private:
  struct Child {
    /// The job the process runs in, or none.
    void* job = nullptr;
    std::uint32_t pid = 0;
    bool group = false;
  };

  /// The process handles given out and not closed yet, by handle; no other
  /// handle of the program is ever waited for or closed through this object.
  std::map<ProcessHandle, Child> children_;
  std::u16string startFailure_;
};

}  // namespace sigpatch::platform::win32
