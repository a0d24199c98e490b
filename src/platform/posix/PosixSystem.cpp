#include "platform/posix/PosixSystem.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Spawn.h"
#include "platform/posix/WholeFile.h"
#include "platform/posix/Win32Messages.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::string hostName() {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
  return buffer;
}

std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_dir;
  }
  return {};
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default below the home folder.
std::string baseFolder(const char* variable, const char* fallback) {
  const std::string value = environment(variable);
  if (!value.empty() && value.front() == '/') return value;
  const std::string home = homeFolder();
  return home.empty() ? std::string() : home + "/" + fallback;
}

// A folder of user-dirs.dirs ("XDG_DOCUMENTS_DIR"), else its default name below home.
std::string userFolder(const std::string& key, const char* fallback) {
  const std::string home = homeFolder();
  if (home.empty()) return {};
  std::istringstream lines(readFile(baseFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) return home + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return home + "/" + fallback;
}

// Runs a desktop command whose success the caller reports: error 53 when it is
// not installed, 5 when it fails.
void runRequired(const std::vector<std::string>& argv) {
  if (findProgram(argv.front()).empty()) throw RuntimeError(err::kFileNotFound);
  if (runCommand(argv) != 0) throw RuntimeError(err::kInvalidProcedureCall);
}

// Runs a command whose result nobody looks at, when it is installed.
void runIfPresent(const std::vector<std::string>& argv) {
  if (!findProgram(argv.front()).empty()) runCommand(argv);
}

std::string windowId(std::intptr_t hWnd) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%lx", static_cast<unsigned long>(hWnd));
  return buffer;
}

bool answer(const std::string& value, std::u16string& out) {
  if (value.empty()) return false;
  out = text::fromUtf8(value);
  return true;
}

}  // namespace

bool parseKernelRelease(std::string_view release, OsVersionInfo& info) {
  std::uint32_t parts[3] = {0, 0, 0};
  const char* p = release.data();
  const char* end = release.data() + release.size();
  for (int i = 0; i < 3; ++i) {
    const auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc()) {
      if (i == 0) return false;
      break;
    }
    p = next;
    if (p == end || *p != '.') break;
    ++p;
  }
  info.dwMajorVersion = parts[0];
  info.dwMinorVersion = parts[1];
  info.dwBuildNumber = parts[2];
  return true;
}

std::string osReleasePrettyName(std::string_view contents) {
  std::istringstream lines{std::string(contents)};
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
    std::string value = line.substr(12);
    std::string result;
    char quote = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
      const char c = value[i];
      if (quote == 0 && (c == '"' || c == '\'')) {
        quote = c;
      } else if (quote != 0 && c == quote) {
        quote = 0;
      } else if (c == '\\' && quote != '\'' && i + 1 < value.size()) {
        result.push_back(value[++i]);
      } else {
        result.push_back(c);
      }
    }
    return result;
  }
  return {};
}

bool parseWorkArea(std::string_view xpropOutput, Rect& area) {
  const auto equals = xpropOutput.find('=');
  if (equals == std::string_view::npos) return false;
  std::int32_t values[4];
  const char* p = xpropOutput.data() + equals + 1;
  const char* end = xpropOutput.data() + xpropOutput.size();
  for (auto& value : values) {
    while (p < end && (*p == ' ' || *p == ',')) ++p;
    const auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc()) return false;
    p = next;
  }
  area = {values[0], values[1], values[0] + values[2], values[1] + values[3]};
  return true;
}

bool matchesWildcards(std::string_view name, std::string_view pattern) {
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool PosixSystem::GetVersionEx(OsVersionInfo& info) {
  utsname names{};
  if (uname(&names) != 0) return false;
  info = {};
  parseKernelRelease(names.release, info);
  info.dwPlatformId = kPlatformLinux;
  std::string pretty = osReleasePrettyName(readFile("/etc/os-release"));
  if (pretty.empty()) pretty = osReleasePrettyName(readFile("/usr/lib/os-release"));
  info.szCSDVersion = text::fromUtf8(pretty);
  return true;
}

bool PosixSystem::GetWorkArea(Rect& area) {
  if (environment("DISPLAY").empty()) return false;
  std::string output;
  if (runCommand({"xprop", "-root", "_NET_WORKAREA"}, &output, std::chrono::seconds(3)) != 0) {
    return false;
  }
  return parseWorkArea(output, area);
}

bool PosixSystem::GetComputerName(std::u16string& name) {
  const std::string host = hostName();
  return answer(host.substr(0, host.find('.')), name);
}

bool PosixSystem::GetUserName(std::u16string& name) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return false;
  }
  return answer(found->pw_name, name);
}

bool PosixSystem::GetUserDomain(std::u16string& domain) {
  char buffer[256] = {};
  if (getdomainname(buffer, sizeof buffer - 1) == 0) {
    const std::string nis = buffer;
    if (!nis.empty() && nis != "(none)") return answer(nis, domain);
  }
  const std::string host = hostName();
  const auto dot = host.find('.');
  return dot != std::string::npos && answer(host.substr(dot + 1), domain);
}

std::uint32_t PosixSystem::GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
  return static_cast<std::uint32_t>(ms);
}

bool PosixSystem::FormatMessage(std::uint32_t code, std::u16string& message) {
  return win32MessageText(code, message);
}

std::u16string PosixSystem::WriteWholeFile(std::u16string_view path, std::string_view bytes) {
  return writeWholeFile(text::toUtf8(path), bytes);
}

std::u16string PosixSystem::WriteStandardOutput(std::string_view bytes) {
  return writeStandardOutput(bytes);
}

void PosixSystem::StartScreenSaver() { runRequired({"xdg-screensaver", "activate"}); }

void PosixSystem::SetMonitorPower(std::int32_t state) {
  const char* mode = nullptr;
  switch (state) {
    case kMonitorOn:
      mode = "on";
      break;
    case kMonitorLowPower:
      mode = "standby";
      break;
    case kMonitorOff:
      mode = "off";
      break;
    default:
      throw RuntimeError(err::kInvalidProcedureCall);
  }
  runRequired({"xset", "dpms", "force", mode});
}

void PosixSystem::SetScreenSaverRunning(bool running) {
  runIfPresent({"systemctl", running ? "mask" : "unmask", "--runtime", "ctrl-alt-del.target"});
}

void PosixSystem::ShowTaskbar(bool show) {
  runIfPresent({"xdotool", "search", "--class",
                "^(panel|xfce4-panel|gnome-panel|mate-panel|lxpanel|tint2|polybar)$",
                show ? "windowmap" : "windowunmap", "%@"});
}

void PosixSystem::SetWindowPos(std::intptr_t hWnd, std::intptr_t hWndInsertAfter,
                               std::int32_t /*x*/, std::int32_t /*y*/, std::int32_t /*cx*/,
                               std::int32_t /*cy*/, std::uint32_t flags) {
  if (hWnd == 0) return;
  if (hWndInsertAfter == kHwndTopmost || hWndInsertAfter == kHwndNoTopmost) {
    runIfPresent({"wmctrl", "-i", "-r", windowId(hWnd), "-b",
                  hWndInsertAfter == kHwndTopmost ? "add,above" : "remove,above"});
  }
  if ((flags & kSwpHideWindow) != 0) {
    runIfPresent({"xdotool", "windowunmap", windowId(hWnd)});
  } else if ((flags & kSwpShowWindow) != 0) {
    runIfPresent({"xdotool", "windowmap", windowId(hWnd)});
  }
}

void PosixSystem::ExitWindows(std::uint32_t flags) {
  switch (flags & 0xF) {
    case kEwxLogOff: {
      // Only the session this program runs in; without one there is nothing
      // to log off.
      const std::string session = environment("XDG_SESSION_ID");
      if (!session.empty()) runIfPresent({"loginctl", "terminate-session", session});
      break;
    }
    case kEwxShutdown:
    case 8:  // EWX_POWEROFF
      runIfPresent({"systemctl", "poweroff"});
      break;
    case kEwxReboot:
      runIfPresent({"systemctl", "reboot"});
      break;
    default:
      break;
  }
}

std::optional<AboutNotice> PosixSystem::ShellAbout(std::intptr_t /*hWnd*/,
                                                  std::u16string_view szApp,
                                                  std::u16string_view szOtherStuff,
                                                  std::intptr_t /*hIcon*/) {
  // As the shell does: "Title#First line" puts the part before "#" in the title.
  std::u16string_view title = szApp;
  std::u16string_view first = szApp;
  if (const auto hash = szApp.find(u'#'); hash != std::u16string_view::npos) {
    title = szApp.substr(0, hash);
    first = szApp.substr(hash + 1);
  }
  OsVersionInfo info;
  std::u16string system = u"Linux";
  if (GetVersionEx(info)) {
    system = info.szCSDVersion.empty() ? system : info.szCSDVersion;
    system += u" (Linux " + text::dec(info.dwMajorVersion) + u"." + text::dec(info.dwMinorVersion) +
              u"." + text::dec(info.dwBuildNumber) + u")";
  }
  std::u16string message = std::u16string(first) + u"\n" + system;
  if (!szOtherStuff.empty()) message += u"\n" + std::u16string(szOtherStuff);
  return AboutNotice{u"About " + std::u16string(title), message};
}

bool PosixSystem::GetLongPathName(std::u16string_view path, std::u16string& longPath) {
  if (path.empty()) return false;
  char* resolved = realpath(text::toUtf8(path).c_str(), nullptr);
  if (resolved == nullptr) return false;
  longPath = text::fromUtf8(resolved);
  std::free(resolved);
  return true;
}

bool PosixSystem::GetShortPathName(std::u16string_view path, std::u16string& shortPath) {
  struct stat st {};
  if (path.empty() || stat(text::toUtf8(path).c_str(), &st) != 0) return false;
  shortPath = path;
  return true;
}

bool PosixSystem::GetWindowsDirectory(std::u16string& folder) {
  folder = u"/";
  return true;
}

bool PosixSystem::GetSystemDirectory(std::u16string& folder) {
  folder = u"/usr/bin";
  return true;
}

bool PosixSystem::GetTempPath(std::u16string& folder) {
  std::string path = environment("TMPDIR");
  if (path.empty()) path = "/tmp";
  if (path.back() != '/') path.push_back('/');
  folder = text::fromUtf8(path);
  return true;
}

bool PosixSystem::GetSpecialFolder(std::int32_t csidl, std::u16string& folder) {
  std::string path;
  switch (csidl) {
    case 0x0000:  // CSIDL_DESKTOP
    case 0x0010:  // CSIDL_DESKTOPDIRECTORY
      path = userFolder("XDG_DESKTOP_DIR", "Desktop");
      break;
    case 0x0005:  // CSIDL_PERSONAL
      path = userFolder("XDG_DOCUMENTS_DIR", "Documents");
      break;
    case 0x000D:  // CSIDL_MYMUSIC
      path = userFolder("XDG_MUSIC_DIR", "Music");
      break;
    case 0x000E:  // CSIDL_MYVIDEO
      path = userFolder("XDG_VIDEOS_DIR", "Videos");
      break;
    case 0x0027:  // CSIDL_MYPICTURES
      path = userFolder("XDG_PICTURES_DIR", "Pictures");
      break;
    case 0x0015:  // CSIDL_TEMPLATES
      path = userFolder("XDG_TEMPLATES_DIR", "Templates");
      break;
    case 0x001A:  // CSIDL_APPDATA
      path = baseFolder("XDG_CONFIG_HOME", ".config");
      break;
    case 0x001C:  // CSIDL_LOCAL_APPDATA
      path = baseFolder("XDG_DATA_HOME", ".local/share");
      break;
    case 0x0020:  // CSIDL_INTERNET_CACHE
      path = baseFolder("XDG_CACHE_HOME", ".cache");
      break;
    case 0x0007:  // CSIDL_STARTUP
      path = baseFolder("XDG_CONFIG_HOME", ".config") + "/autostart";
      break;
    case 0x0002:  // CSIDL_PROGRAMS
      path = baseFolder("XDG_DATA_HOME", ".local/share") + "/applications";
      break;
    case 0x0014:  // CSIDL_FONTS
      path = baseFolder("XDG_DATA_HOME", ".local/share") + "/fonts";
      break;
    case 0x0028:  // CSIDL_PROFILE
      path = homeFolder();
      break;
    case 0x0017:  // CSIDL_COMMON_PROGRAMS
      path = "/usr/share/applications";
      break;
    case 0x0018:  // CSIDL_COMMON_STARTUP
      path = "/etc/xdg/autostart";
      break;
    case 0x0023:  // CSIDL_COMMON_APPDATA
      path = "/var/lib";
      break;
    case 0x0024:  // CSIDL_WINDOWS
      path = "/";
      break;
    case 0x0025:  // CSIDL_SYSTEM
      path = "/usr/bin";
      break;
    case 0x0026:  // CSIDL_PROGRAM_FILES
      path = "/usr/local";
      break;
    default:
      return false;
  }
  if (path.empty() || path.front() != '/') return false;
  folder = text::fromUtf8(path);
  return true;
}

bool PosixSystem::FindFirstFile(std::u16string_view pattern) {
  const std::string path = text::toUtf8(pattern);
  if (path.empty()) return false;
  const auto slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat st {};
  // A path that ends in a separator finds the folder's own "." entry.
  if (name.empty()) return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (name.find_first_of("*?") == std::string::npos) return lstat(path.c_str(), &st) == 0;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    if (matchesWildcards(entry->d_name, name)) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace sigpatch::platform::posix
