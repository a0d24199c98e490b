#include "platform/posix/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace sigpatch::platform::posix {
namespace {

using Clock = std::chrono::steady_clock;

std::string currentFolder() {
  std::string buffer(PATH_MAX, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int remainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left > INT_MAX ? INT_MAX : left);
}

}  // namespace

bool isExecutableFile(const std::string& path) {
  return isRegularFile(path) && access(path.c_str(), X_OK) == 0;
}

std::string findProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) {
    const std::string path = name.front() == '/' ? name : currentFolder() + "/" + name;
    return isRegularFile(path) ? path : std::string();
  }
  const char* searchPath = std::getenv("PATH");
  const std::string folders = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + name;
    if (isExecutableFile(candidate)) {
      return candidate.front() == '/' ? candidate : currentFolder() + "/" + candidate;
    }
    start = end + 1;
  }
  return {};
}

pid_t spawnProgram(const std::string& path, const std::vector<std::string>& argv,
                   const SpawnOptions& options, int& error) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);

  if (!options.directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());
  }
  if (options.quiet) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  if (options.stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, options.stdoutFd, 1);

  // The new program starts with no signal blocked and the usual handlers, not
  // with whatever this program has set up.
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2}) {
    sigaddset(&defaults, sig);
  }
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (options.newProcessGroup) {
    posix_spawnattr_setpgroup(&attributes, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  // glibc reports a failing exec or file action as the result, not as a child
  // that exits with 127.
  error = posix_spawn(&pid, path.c_str(), &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return error == 0 ? pid : -1;
}

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

bool waitForChild(pid_t pid, int pidFd, std::chrono::milliseconds timeout, int& status) {
  const auto deadline = Clock::now() + timeout;
  while (pidFd >= 0) {
    pollfd entry{pidFd, POLLIN, 0};
    const int ready = poll(&entry, 1, remainingMs(deadline));
    if (ready == 0) return false;
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;  // the pidfd is of no use: ask as below
    }
    while (waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }
  // Without a pidfd: ask every 10 ms.
  while (true) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, remainingMs(deadline) + 1)));
  }
}

int runCommand(const std::vector<std::string>& argv, std::string* output,
               std::chrono::milliseconds timeout) {
  if (argv.empty()) return -1;
  const std::string path = findProgram(argv.front());
  if (path.empty()) return -1;
  int pipeFds[2] = {-1, -1};
  SpawnOptions options;
  options.quiet = true;
  if (output != nullptr) {
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    options.stdoutFd = pipeFds[1];
  }
  int error = 0;
  const pid_t pid = spawnProgram(path, argv, options, error);
  if (output != nullptr) close(pipeFds[1]);
  if (pid < 0) {
    if (output != nullptr) close(pipeFds[0]);
    return -1;
  }
  const auto deadline = Clock::now() + timeout;
  if (output != nullptr) {
    char buffer[4096];
    while (true) {
      pollfd entry{pipeFds[0], POLLIN, 0};
      const int ready = poll(&entry, 1, remainingMs(deadline));
      if (ready == 0) break;
      if (ready < 0) {
        if (errno == EINTR) continue;
        break;
      }
      const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      output->append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
  }
  const int pidFd = openPidFd(pid);
  int status = 0;
  bool ended = waitForChild(pid, pidFd, std::chrono::milliseconds(remainingMs(deadline)), status);
  if (!ended) {
    kill(pid, SIGKILL);
    ended = waitForChild(pid, pidFd, std::chrono::seconds(5), status);
  }
  if (pidFd >= 0) close(pidFd);
  if (!ended || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool startDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || findProgram(argv.front()).empty()) return false;
  // The shell starts the program in the background and ends at once; the
  // program is then the system's child, and no zombie of it stays with us.
  std::vector<std::string> shell = {"sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
  shell.insert(shell.end(), argv.begin(), argv.end());
  SpawnOptions options;
  options.quiet = true;
  int error = 0;
  const pid_t pid = spawnProgram("/bin/sh", shell, options, error);
  if (pid < 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace sigpatch::platform::posix
