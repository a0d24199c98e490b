#pragma once

// Helpers of the tests of the POSIX services: temporary folders, files written
// byte for byte, environment variables set for one test, and running a check
// without root's privileges.

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

namespace sigpatch::testing {

/// A folder of its own under /tmp, removed with everything in it afterwards.
/// Anybody may enter it, so that a check without privileges can work inside.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = "/tmp/sigpatch-test-XXXXXX";
    path_ = mkdtemp(pattern.data());
    chmod(path_.c_str(), 0777);
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Give back the write permissions that tests took away, then remove.
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink()) chmod(it->path().c_str(), 0777);
    }
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

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

/// Sets the modification and access times to whole seconds since the epoch.
inline void setTimes(const std::string& path, time_t modified, time_t accessed) {
  const timespec times[2] = {{accessed, 0}, {modified, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

/// An environment variable set (or removed) for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    set(value);
  }
  ~ScopedEnv() { set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
    if (value) setenv(name_, value->c_str(), 1);
    if (!value) unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

/// A time zone (a POSIX TZ text) for the lifetime of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& zone) : zone_("TZ", zone) { tzset(); }

 private:
  struct Reset {
    ~Reset() { tzset(); }  // once TZ is back
  } reset_;
  ScopedEnv zone_;
};

/// Runs `check` in a child process as the user nobody (when we are root, who
/// may read and write everything) and gives its result, 0..255; -1 when the
/// child did not end normally.
inline int asNobody(const std::function<int()>& check) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(250);
    }
    _exit(check() & 0xFF);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sigpatch::testing
