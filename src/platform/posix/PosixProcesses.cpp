#include "platform/posix/PosixProcesses.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/Spawn.h"
#include "runtime/CommandLine.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// The SE_ERR value ShellExecute gives for a file it may not open.
constexpr std::int32_t kSeErrAccessDenied = 5;

bool exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// Where a program named on a command line is: a path as it is, a bare name on PATH.
std::string locate(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return exists(program) ? findProgram(program) : std::string();
  }
  return findProgram(program);
}

bool sameText(std::u16string_view a, std::u16string_view b) {
  return text::toLower(a) == text::toLower(b);
}

// "https://...", "mailto:..." : a scheme of two or more characters and a colon.
bool looksLikeAddress(const std::string& target) {
  const auto colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  if (std::isalpha(static_cast<unsigned char>(target[0])) == 0) return false;
  return std::all_of(
      target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
      });
}

std::string trimmed(std::string value) {
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())) != 0) {
    value.pop_back();
  }
  return value;
}

// A file: address of an absolute path, every byte outside the unreserved set
// written as %XX.
std::string fileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) != 0 || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri.push_back(static_cast<char>(c));
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

bool hasSessionBus() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
    return true;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && *runtime != '\0' && exists(std::string(runtime) + "/bus");
}

std::int32_t handedOver(bool started) { return started ? kShellExecuteStarted : kSeErrNoAssoc; }

}  // namespace

PosixProcesses::~PosixProcesses() {
  for (auto& [handle, child] : children_) {
    if (child.pidFd >= 0) close(child.pidFd);
    if (!child.ended) released_.push_back(child.pid);
  }
  reapReleased();
}

void PosixProcesses::reapReleased() {
  std::erase_if(released_, [](pid_t pid) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    return done == pid || (done < 0 && errno == ECHILD);
  });
}

bool PosixProcesses::CreateProcess(std::u16string_view CommandLine,
                                   std::u16string_view CurrentDirectory, ProcessInformation& info,
                                   std::uint32_t CreationFlags) {
  info = {};
  startFailure_ = text::fromUtf8(std::strerror(ENOENT));
  reapReleased();
  // As the system does: the first candidate name that is an existing file is
  // the program, whether it can run or not.
  for (const auto& candidate : programCandidates(CommandLine)) {
    const std::string program = text::toUtf8(candidate.program);
    const std::string path = locate(program);
    if (path.empty()) continue;

    std::vector<std::string> argv = {program};
    for (const auto& argument : splitArguments(candidate.rest)) {
      argv.push_back(text::toUtf8(argument));
    }
    SpawnOptions options;
    options.directory = text::toUtf8(CurrentDirectory);
    options.newProcessGroup = (CreationFlags & kCreateNewProcessGroup) != 0;
    int error = 0;
    const pid_t pid = spawnProgram(path, argv, options, error);
    if (pid < 0) {
      startFailure_ = text::fromUtf8(std::strerror(error));
      return false;
    }

    const ProcessHandle handle = nextHandle_++;
    children_[handle] = Child{pid, openPidFd(pid), false, options.newProcessGroup, 0};
    info = {handle, static_cast<std::int32_t>(pid)};
    return true;
  }
  return false;
}

WaitResult PosixProcesses::WaitForSingleObject(ProcessHandle handle,
                                               std::chrono::milliseconds timeout) {
  const auto found = children_.find(handle);
  if (found == children_.end()) return WaitResult::Failed;
  Child& child = found->second;
  if (child.ended) return WaitResult::Ended;
  int status = 0;
  if (!waitForChild(child.pid, child.pidFd, timeout, status)) {
    // A child that some other code has reaped can no longer be waited for.
    if (kill(child.pid, 0) != 0 && errno == ESRCH) return WaitResult::Failed;
    return WaitResult::TimedOut;
  }
  child.ended = true;
  child.status = status;
  return WaitResult::Ended;
}

bool PosixProcesses::GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) {
  const auto found = children_.find(handle);
  if (found == children_.end() || !found->second.ended) return false;
  const int status = found->second.status;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = strsignal(signal);
    exit = {false, static_cast<std::uint32_t>(signal),
            u"ended by signal " + text::fromUtf8(std::to_string(signal)) +
                (name != nullptr ? u" (" + text::fromUtf8(name) + u")" : u"")};
  } else {
    exit = {true, static_cast<std::uint32_t>(WEXITSTATUS(status)), u""};
  }
  return true;
}

bool PosixProcesses::StopProcess(ProcessHandle handle, bool force) {
  const auto found = children_.find(handle);
  if (found == children_.end() || found->second.ended) return false;
  const Child& child = found->second;
  const int signal = force ? SIGKILL : SIGTERM;
  // The group outlives a leader that has ended but is not reaped yet, so the
  // signal never reaches a stranger's process.
  if (child.group && ::kill(-child.pid, signal) == 0) return true;
  return ::kill(child.pid, signal) == 0;
}

std::u16string PosixProcesses::ProcessIdentity(std::int32_t pid) {
  if (pid <= 0) return {};
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(file, stat)) return {};
  // "pid (name) state ppid ..." where the name may hold blanks and parentheses;
  // the start time is the 22nd field, the 20th after the name.
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream fields(stat.substr(close + 1));
  std::string state;
  fields >> state;
  if (state == "Z" || state == "X") return {};
  std::string field;
  for (int i = 0; i < 19 && fields >> field; ++i) {
  }
  if (!fields || field.empty()) return {};
  return text::fromUtf8(std::to_string(pid) + " " + field);
}

bool PosixProcesses::CloseHandle(ProcessHandle handle) {
  const auto found = children_.find(handle);
  if (found == children_.end()) return false;
  Child child = found->second;
  children_.erase(found);
  if (child.pidFd >= 0) close(child.pidFd);
  if (!child.ended) {
    int status = 0;
    if (waitpid(child.pid, &status, WNOHANG) == 0) released_.push_back(child.pid);
  }
  return true;
}

std::int32_t PosixProcesses::ShellExecute(std::u16string_view Operation, std::u16string_view File,
                                          std::u16string_view /*Parameters*/,
                                          std::u16string_view Directory) {
  const std::string target = text::toUtf8(File);
  if (target.empty()) return kSeErrFileNotFound;
  const bool open = Operation.empty() || sameText(Operation, u"open");
  const bool openAs = sameText(Operation, u"openas");
  if (!open && !openAs) return kSeErrNoAssoc;

  std::string path = target;
  if (path.front() != '/') {
    const std::string folder = text::toUtf8(Directory);
    if (!folder.empty()) {
      path = folder + "/" + path;
    } else {
      std::string buffer(PATH_MAX, '\0');
      if (getcwd(buffer.data(), buffer.size()) != nullptr) {
        path = std::string(buffer.c_str()) + "/" + path;
      }
    }
  }
  struct stat st {};
  const bool isFile = stat(path.c_str(), &st) == 0;
  const int statError = errno;

  if (open && !isFile && looksLikeAddress(target))
    return handedOver(startDetached({"xdg-open", target}));
  if (!isFile) return statError == EACCES ? kSeErrAccessDenied : kSeErrFileNotFound;

  if (openAs) {
    // The desktop's own chooser, through its portal: OpenURI with "ask".
    if (!hasSessionBus()) return kSeErrNoAssoc;
    return handedOver(startDetached(
        {"gdbus", "call", "--session", "--dest", "org.freedesktop.portal.Desktop", "--object-path",
         "/org/freedesktop/portal/desktop", "--method", "org.freedesktop.portal.OpenURI.OpenURI",
         "", fileUri(path), "{'ask': <true>}"}));
  }
  if (!S_ISDIR(st.st_mode)) {
    std::string type;
    if (runCommand({"xdg-mime", "query", "filetype", path}, &type) != 0) return kSeErrNoAssoc;
    type = trimmed(type);
    std::string program;
    if (type.empty() || runCommand({"xdg-mime", "query", "default", type}, &program) != 0 ||
        trimmed(program).empty()) {
      return kSeErrNoAssoc;
    }
  }
  return handedOver(startDetached({"xdg-open", path}));
}

std::int32_t PosixProcesses::GetCurrentProcessId() { return static_cast<std::int32_t>(getpid()); }

}  // namespace sigpatch::platform::posix
