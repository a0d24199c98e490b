#pragma once

// Helpers of the tests of the POSIX services: temporary folders, files written
// byte for byte, environment variables set for one test, the real services
// installed, and checks run in a child process (as the user nobody, when root).

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"

namespace sigpatch::testing {

inline std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

/// A folder of its own under /tmp that anybody may enter, removed with
/// everything in it (write permissions given back first) afterwards.
class TempFolder {
 public:
  explicit TempFolder(const std::string& base = "/tmp")
      : path_(mkdtemp((base + "/sigpatch-test-XXXXXX").data())) {
    chmod(path_.c_str(), 0777);
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(path_, options, ec), end; it != end; it.increment(ec))
      if (!it->is_symlink()) chmod(it->path().c_str(), 0777);
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << bytes;
  chmod(path.c_str(), mode);
}

inline std::string readFile(const std::string& path) {
  std::stringstream contents;
  contents << std::ifstream(path, std::ios::binary).rdbuf();
  return contents.str();
}

inline std::vector<std::string> split(const std::string& text, char end) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, end);) parts.push_back(part);
  return parts;
}

/// Sets the modification and access times to whole seconds since the epoch.
inline void setTimes(const std::string& path, time_t modified, time_t accessed) {
  const timespec times[2] = {{accessed, 0}, {modified, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

/// An environment variable set (or removed) for the lifetime of the object.
struct ScopedEnv {
  ScopedEnv(const char* variable, std::optional<std::string> value) : name(variable) {
    if (const char* was = getenv(name)) old = was;
    set(value);
  }
  ~ScopedEnv() { set(old); }
  void set(const std::optional<std::string>& value) {
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  const char* name;
  std::optional<std::string> old;
};

/// The real clock, disk and system installed for the lifetime of the object.
struct PosixServices {
  PosixServices() {
    fake.Set([&](platform::Platform& services) {
      services.clock = &clock;
      services.fileSystem = &fileSystem;
      services.system = &system;
    });
  }
  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixSystem system;
};

inline void writeAll(int fd, const std::string& text) {
  for (ssize_t done = 0, n = 0; done < std::ssize(text); done += n) {
    if ((n = ::write(fd, text.data() + done, text.size() - done)) <= 0) return;
  }
}

inline std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  return text;
}

/// What a child process wrote and its exit code (-1 when it did not exit).
struct ChildResult {
  int exitCode = -1;
  std::string output;
};

/// Runs `body` in a child process that exits with its result (0..255); what it
/// writes to `out` reaches the parent. The parent must hold no open store
/// connection to the files the child uses (SQLite's locks do not cross fork()).
inline ChildResult runInChild(const std::function<int(int out)>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::_exit(body(fds[1]) & 0xFF);
  }
  ::close(fds[1]);
  ChildResult result{-1, readAll(fds[0])};
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

/// Runs `check` in a child process as the user nobody (when we are root, who
/// may read and write everything); its result, or -1 (250: no such user).
inline int asNobody(const std::function<int()>& check) {
  return runInChild([&](int) {
           const bool root = getuid() == 0;
           if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
             return 250;
           }
           return check();
         })
      .exitCode;
}

}  // namespace sigpatch::testing
