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

  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     ProcessInformation& info) override;
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
  };

  /// Reaps the children whose handles were closed before they ended.
  void reapReleased();

  std::map<ProcessHandle, Child> children_;
  std::vector<pid_t> released_;
  ProcessHandle nextHandle_ = 1;
};

}  // namespace sigpatch::platform::posix
