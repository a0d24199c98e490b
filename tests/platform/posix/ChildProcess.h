#pragma once

// Child processes for tests of the store under several processes, crashes and
// limits. A child runs a function and exits with its result; what it writes to
// the given descriptor reaches the parent.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace sigpatch::testing {

struct ChildResult {
  int exitCode = -1;  // -1 when the child did not exit normally
  std::string output;
};

inline void writeAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const auto n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

inline std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

/// Runs `body` in a child process. The parent must hold no open store
/// connection to the files the child uses (SQLite's locks do not cross fork()).
inline ChildResult runInChild(const std::function<int(int out)>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    const int code = body(pipeFds[1]);
    ::close(pipeFds[1]);
    ::_exit(code);
  }
  ::close(pipeFds[1]);
  ChildResult result{-1, readAll(pipeFds[0])};
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace sigpatch::testing
