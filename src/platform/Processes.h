#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch::platform {

/// A handle of a started process; 0 is no process.
using ProcessHandle = std::int64_t;

/// What CreateProcess gives back: the process's handle and number.
struct ProcessInformation {
  ProcessHandle hProcess = 0;
  std::int32_t dwProcessId = 0;
};

/// How a wait for a process ended.
enum class WaitResult {
  /// The process has ended (WAIT_OBJECT_0).
  Ended,
  /// The time ran out first (WAIT_TIMEOUT).
  TimedOut,
  /// The handle is empty, unknown or closed (WAIT_FAILED).
  Failed,
};

/// How a process that has ended ended.
struct ProcessExit {
  /// True when it ended by itself with an exit code; false when the system
  /// ended it (a signal on POSIX, an exception status on Windows).
  bool byItself = true;
  /// The exit code, the signal's number or the exception status.
  std::uint32_t code = 0;
  /// Why it did not end by itself, in words: "ended by signal 9 (Killed)",
  /// "ended with exception status 0xC0000005". Empty when it did.
  std::u16string reason;
};

/// CreateProcess flag: the process and everything it starts form a group of
/// their own that StopProcess ends as a whole; on Windows the group is also a
/// job that ends when this program's process is gone.
inline constexpr std::uint32_t kCreateNewProcessGroup = 0x200;

/// The ShellExecute results the program tells apart: more than 32 is success.
inline constexpr std::int32_t kSeErrFileNotFound = 2;
inline constexpr std::int32_t kSeErrNoAssoc = 31;
inline constexpr std::int32_t kShellExecuteStarted = 42;

/// Starting other programs, waiting for them and opening documents.
class Processes {
 public:
  virtual ~Processes() = default;

  /// Starts a command line, split into program and arguments as Windows splits
  /// it, in `CurrentDirectory` (the program's own working folder when empty),
  /// with the program's environment. False, and an empty handle, when the
  /// program is missing, not executable or cannot be started; StartFailure
  /// then says why. `CreationFlags` may hold kCreateNewProcessGroup.
  virtual bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                             ProcessInformation& info, std::uint32_t CreationFlags = 0) = 0;
  /// The system's text for why the last failed CreateProcess failed
  /// ("Permission denied", "Exec format error").
  virtual std::u16string StartFailure() const = 0;
  /// How a process that has ended ended; false while it runs, before a wait has
  /// seen it end, or for an unknown handle.
  virtual bool GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) = 0;
  /// Ends a process started with kCreateNewProcessGroup together with what it
  /// started: `force` false asks them to end (SIGTERM to the group; on Windows
  /// the console break and a close message to its windows), true ends them at
  /// once (SIGKILL; the job ended). False for an unknown handle or a process
  /// that has already ended.
  virtual bool StopProcess(ProcessHandle handle, bool force) = 0;
  /// An identity of a running process that another program can check later:
  /// its number and its start time as text. Empty when no such process runs.
  virtual std::u16string ProcessIdentity(std::int32_t pid) = 0;
  /// Waits up to `timeout` for the process to end.
  virtual WaitResult WaitForSingleObject(ProcessHandle handle,
                                         std::chrono::milliseconds timeout) = 0;
  /// Releases a handle; the process goes on running. False for an unknown handle.
  virtual bool CloseHandle(ProcessHandle handle) = 0;
  /// Performs a shell verb on a document, folder or address: "open" opens it
  /// with the program associated with it; "openas" lets the user choose the
  /// program with the desktop's own chooser. Returns more than 32 when it was
  /// handed over, 2 when the file is missing, 31 when no program is associated
  /// (or no chooser exists).
  virtual std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                                    std::u16string_view Parameters,
                                    std::u16string_view Directory) = 0;
  /// The number of the program's own process.
  virtual std::int32_t GetCurrentProcessId() = 0;
};

}  // namespace sigpatch::platform
