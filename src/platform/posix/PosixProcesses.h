#pragma once

#include <sys/types.h>

#include <map>
#include <vector>

#include "platform/Processes.h"

namespace sigpatch::platform::posix {

/// Processes started with posix_spawn and waited for through a pidfd;
/// documents opened with xdg-open.
class PosixProcesses final : public Processes {
 public:
  PosixProcesses() = default;
  ~PosixProcesses() override;
  PosixProcesses(const PosixProcesses&) = delete;
  PosixProcesses& operator=(const PosixProcesses&) = delete;

  /// With kCreateNewProcessGroup the process leads a process group of its own.
  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     ProcessInformation& info, std::uint32_t CreationFlags = 0) override;
  std::u16string StartFailure() const override { return startFailure_; }
  bool GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) override;
  /// SIGTERM or SIGKILL to the process's group (to the process alone when it
  /// has no group of its own).
  bool StopProcess(ProcessHandle handle, bool force) override;
  /// "<pid> <start time in clock ticks after boot>" from /proc; a zombie does
  /// not run.
  std::u16string ProcessIdentity(std::int32_t pid) override;
  WaitResult WaitForSingleObject(ProcessHandle handle, std::chrono::milliseconds timeout) override;
  bool CloseHandle(ProcessHandle handle) override;
  std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                            std::u16string_view Parameters, std::u16string_view Directory) override;
  std::int32_t GetCurrentProcessId() override;

 private:
  struct Child {
    pid_t pid = -1;
    int pidFd = -1;
    bool ended = false;
    bool group = false;
    int status = 0;
  };

  /// Reaps the children whose handles were closed before they ended.
  void reapReleased();

  std::map<ProcessHandle, Child> children_;
  std::vector<pid_t> released_;
  ProcessHandle nextHandle_ = 1;
  std::u16string startFailure_;
};

}  // namespace sigpatch::platform::posix
