#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Starting programs with posix_spawn, shared by the process and system services.

namespace sigpatch::platform::posix {

/// True for an existing regular file (a link to one counts) that we may execute.
bool isExecutableFile(const std::string& path);

/// Where a program is: a name that holds a "/" is taken as a path (made absolute
/// against the working folder) when such a file exists; any other name is
/// looked for on PATH. "" when there is none.
std::string findProgram(const std::string& name);

struct SpawnOptions {
  /// The new process's working folder; empty keeps ours.
  std::string directory;
  /// Standard input, output and error on /dev/null instead of ours.
  bool quiet = false;
  /// A descriptor that becomes the new process's standard output (-1: none).
  int stdoutFd = -1;
  /// The new process leads a process group of its own.
  bool newProcessGroup = false;
};

/// Starts `path` with `argv` and our environment. Returns the process number,
/// or -1 with the reason in `error` when the start failed (missing program,
/// no permission, not an executable format, missing working folder).
pid_t spawnProgram(const std::string& path, const std::vector<std::string>& argv,
                   const SpawnOptions& options, int& error);

/// A pidfd for one of our children, or -1 where the kernel has none.
int openPidFd(pid_t pid);

/// Waits up to `timeout` for a child to end and reaps it. True when it has
/// ended; `status` then holds its wait status.
bool waitForChild(pid_t pid, int pidFd, std::chrono::milliseconds timeout, int& status);

/// Runs a program found with findProgram to its end, with standard input and
/// error on /dev/null; its standard output goes to `output` when given, else to
/// /dev/null. A program still running after `timeout` is killed. Returns its
/// exit code, or -1 when it could not be started or did not end normally.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

/// Starts a program found with findProgram in the background, handed to the
/// system so that nobody needs to wait for it. False when it cannot be started.
bool startDetached(const std::vector<std::string>& argv);

}  // namespace sigpatch::platform::posix
