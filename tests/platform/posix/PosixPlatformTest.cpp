// The processes and system rules (PlatformBehaviour.h) on POSIX, and what
// only POSIX shows: arguments split for the program, process groups and
// signals, the release of an ended child; the version from the kernel and the
// distribution, the Windows error texts, the XDG folders, whole files through
// links; and the desktop's and login manager's commands (stand-ins here, which
// only log their arguments).

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/utsname.h>

#include <cmath>
#include <csignal>
#include <thread>

#include "PosixTestSupport.h"
#include "fakes/FakeForm.h"
#include "fakes/FakePlatform.h"
#include "platform/PlatformBehaviour.h"
#include "platform/RegistryApi.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/FileUtilities.h"
#include "util/SysUtilities.h"

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;
using namespace sigpatch::testing;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }
std::u16string quoted(const std::string& path) { return u"\"" + u(path) + u"\""; }

std::string realPath(const std::string& path) { return std::filesystem::canonical(path).string(); }

// The lines of a file, waiting (a minute at most) until it has `count`; the
// desktop's commands run beside the test.
std::vector<std::string> linesOf(const std::string& file, std::size_t count = 0) {
  std::vector<std::string> lines;
  for (int i = 0; i < 6000; ++i, std::this_thread::sleep_for(10ms)) {
    lines.clear();
    std::istringstream in(readFile(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() >= count) break;
  }
  return lines;
}

struct PosixProcessesSubject : ProcessesSubject {
  PosixProcessesSubject() {
    exit7 = u"sh -c \"exit 7\"";
    held = u"sh -c \"while [ ! -e '" + u(flag) + u"' ]; do sleep 0.01; done; exit 5\"";
    missing = u(dir / "missing"), missingText = u"No such file or directory";
    forcedReason = u"ended by signal 9 (Killed)", ownPid = getpid();
  }
  Processes& processes() override { return real; }
  void release() override { writeFile(flag, ""); }

  TempFolder dir;
  std::string flag = dir / "release";
  PosixProcesses real;
};

INSTANTIATE_TEST_SUITE_P(Posix, ProcessesBehaviourTest,
                         ::testing::Values(ProcessesKind{
                             "Posix", [] { return std::make_unique<PosixProcessesSubject>(); }}),
                         KindName());

class PosixProcessesTest : public ::testing::Test {
 protected:
  // Starts a command line and waits for it; true when it ended.
  bool run(const std::u16string& line, const std::string& folder = "") {
    ProcessInformation info;
    if (!processes.CreateProcess(line, u(folder), info)) return false;
    const bool ended = processes.WaitForSingleObject(info.hProcess, 60s) == WaitResult::Ended;
    return processes.CloseHandle(info.hProcess) && ended;
  }
  // What the probe wrote: its working folder, then its arguments.
  std::vector<std::string> probeReport() {
    std::vector<std::string> parts;
    std::istringstream in(readFile(out));
    for (std::string part; std::getline(in, part, '\0');) parts.push_back(part);
    return parts;
  }

  TempFolder dir;
  std::string out = dir / "probe.out";
  ScopedEnv probeOut{"SIGPATCH_PROBE_OUT", out};
  PosixProcesses processes;
};

TEST_F(PosixProcessesTest, TheProgramGetsItsArgumentsAsWindowsSplitsThemAndRunsWhereTold) {
  const std::string folder = dir / "my updates", copy = folder + "/sdat 4321.exe";
  std::filesystem::create_directory(folder);
  writeFile(copy, readFile(SIGPATCH_ARGV_PROBE), 0755);
  ASSERT_TRUE(run(quoted(copy) + uR"( a\\\"b "c:\my dir\\" "" )"
                                 u"\u00FCber",
                  folder));
  EXPECT_EQ(probeReport(),
            (std::vector<std::string>{realPath(folder), R"(a\"b)", R"(c:\my dir\)", "",
                                      "\xC3\xBC"
                                      "ber"}));
  // Unquoted, the path is found at its blanks; without a folder it runs in ours.
  ASSERT_TRUE(run(u(copy) + u" /SILENT"));
  EXPECT_EQ(probeReport(),
            (std::vector<std::string>{realPath(std::filesystem::current_path()), "/SILENT"}));
}

TEST_F(PosixProcessesTest, WhatCannotBeStartedIsAFailedStartThatSaysWhy) {
  writeFile(dir / "notExecutable", "#!/bin/sh\nexit 0\n", 0644);
  writeFile(dir / "noFormat", "plain text, no interpreter line\n", 0755);
  std::filesystem::create_directory(dir / "folder");
  const std::pair<std::u16string, const char16_t*> cases[] = {
      {u"no-such-program-anywhere --help", u"No such file or directory"},
      {u(dir / "notExecutable"), u"Permission denied"},
      {u(dir / "noFormat"), u"Exec format error"},
      {u(dir / "folder"), u"No such file or directory"},
      {u"   ", u"No such file or directory"}};
  for (const auto& [line, why] : cases) {
    ProcessInformation info;
    EXPECT_FALSE(processes.CreateProcess(line, u"", info)) << text::toUtf8(line);
    EXPECT_EQ(text::toUtf8(processes.StartFailure()), text::toUtf8(why)) << text::toUtf8(line);
  }
  ProcessInformation info;
  EXPECT_FALSE(processes.CreateProcess(u"true", u(dir / "no such folder"), info));
}

// Released while it runs (it waits for a flag), the process is reaped by
// the next start once it has ended.
TEST_F(PosixProcessesTest, AProcessReleasedEarlyLeavesNoZombie) {
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(
      u"sh -c \"while [ ! -e '" + u(dir / "go") + u"' ]; do sleep 0.01; done\"", u"", info));
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  writeFile(dir / "go", "");
  siginfo_t ended{};  // until it has ended, without reaping it
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(info.dwProcessId), &ended, WEXITED | WNOWAIT), 0);
  ASSERT_TRUE(run(u"true"));
  EXPECT_EQ(waitpid(info.dwProcessId, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// The group's leader starts a child of its own; a stop reaches both. As the
// subreaper the test inherits the orphaned child and sees how it ended.
TEST_F(PosixProcessesTest, AStopReachesTheWholeGroupAndIdentitiesOnlyRunningProcesses) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const std::string pidFile = dir / "child";
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(u"sh -c \"sleep 60 & echo $! > '" + u(pidFile) + u"'; wait\"",
                                      u"", info, kCreateNewProcessGroup));
  ASSERT_EQ(linesOf(pidFile, 1).size(), 1u);
  const auto child = static_cast<std::int32_t>(std::stol(readFile(pidFile)));
  const std::u16string identity = processes.ProcessIdentity(info.dwProcessId);
  EXPECT_TRUE(identity.starts_with(text::dec(info.dwProcessId) + u" ")) << text::toUtf8(identity);
  EXPECT_GT(identity.size(), text::dec(info.dwProcessId).size() + 1);
  EXPECT_EQ(processes.ProcessIdentity(info.dwProcessId), identity) << "the same while it runs";
  EXPECT_NE(processes.ProcessIdentity(child), u"");

  EXPECT_TRUE(processes.StopProcess(info.hProcess, false));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  ProcessExit exit;
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_EQ(exit.code, static_cast<std::uint32_t>(SIGTERM));
  EXPECT_EQ(text::toUtf8(exit.reason), "ended by signal 15 (Terminated)");
  siginfo_t ended{};
  if (waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED) == 0) {
    EXPECT_EQ(ended.si_code, CLD_KILLED) << "the child ended by itself";
    EXPECT_EQ(ended.si_status, SIGTERM);
  }
  EXPECT_EQ(processes.ProcessIdentity(info.dwProcessId), u"") << "it has ended";
  EXPECT_EQ(processes.ProcessIdentity(0), u"");
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// Stand-ins for the desktop's commands, which log their calls.
class ShellExecuteTest : public PosixProcessesTest {
 protected:
  ShellExecuteTest() {
    std::filesystem::create_directory(bin);
    for (const char* name : {"xdg-open", "gdbus", "xdg-mime"}) {
      writeFile(bin + "/" + name,
                "#!/bin/sh\necho \"" + std::string(name) + " $*\" >> '" + log + "'\n" +
                    "[ \"$1 $2\" = 'query filetype' ] && case \"$3\" in *.txt) echo text/plain;; "
                    "*) echo application/x-odd;; esac\n[ \"$1 $2 $3\" = 'query default "
                    "text/plain' ] && echo org.gnome.TextEditor.desktop\nexit 0\n",
                0755);
    }
    for (const char* name : {"notes.txt", "data.odd", "with blank.txt"}) writeFile(dir / name, "n");
  }

  std::string bin = dir / "bin", log = dir / "calls.log";
  ScopedEnv path{"PATH", bin};
  ScopedEnv bus{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/0/bus"};
};

TEST_F(ShellExecuteTest, DocumentsOpenWithTheirProgramAndAddressesWithXdgOpen) {
  const std::string notes = dir / "notes.txt", blank = dir / "with blank.txt";
  const std::string filetype = "xdg-mime query filetype ", byDefault = "xdg-mime query default ";
  struct Case {
    const char16_t* operation;
    std::string file, folder;
    std::int32_t result;
    std::vector<std::string> calls;
  };
  const std::string portal =
      "gdbus call --session --dest org.freedesktop.portal.Desktop --object-path "
      "/org/freedesktop/portal/desktop --method org.freedesktop.portal.OpenURI.OpenURI  file://";
  const std::string address = "https://www.ferrolite.example/";
  // clang-format off
  const Case cases[] = {
      {u"open", notes, "", 42, {filetype + notes, byDefault + "text/plain", "xdg-open " + notes}},
      {u"", "with blank.txt", dir.path(), 42,
       {filetype + blank, byDefault + "text/plain", "xdg-open " + blank}},
      {u"open", dir / "data.odd", "", 31, {filetype + dir / "data.odd", byDefault + "application/x-odd"}},
      {u"open", dir / "missing.txt", "", 2, {}},
      {u"print", notes, "", 31, {}},
      {u"open", address, "", 42, {"xdg-open " + address}},
      {u"openas", blank, "/usr/bin", 42, {portal + dir.path() + "/with%20blank.txt {'ask': <true>}"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    writeFile(log, "");
    EXPECT_EQ(processes.ShellExecute(c.operation, u(c.file), u"", u(c.folder)), c.result);
    EXPECT_EQ(linesOf(log, c.calls.size()), c.calls);
  }
  // Without the desktop's programs nothing is associated.
  ScopedEnv empty("PATH", dir / "nothing");
  ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  for (const auto& [operation, file] :
       {std::pair{u"open", address}, {u"open", notes}, {u"openas", notes}}) {
    EXPECT_EQ(processes.ShellExecute(operation, u(file), u"", u""), 31) << file;
  }
}

struct PosixSystemSubject : SystemSubject {
  PosixSystemSubject() {
    tickSlack = 10, platformId = kPlatformLinux;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    machine = u(std::string(host).substr(0, std::string(host).find('.')));
    user = u(getpwuid(getuid())->pw_name);
    fileNotFoundText = u"The system cannot find the file specified.\r\n", codeWithInsert = 193;
    folder = u(dir.path());
  }
  System& system() override { return real; }
  // /proc/uptime: the same clock, in hundredths of a second.
  std::uint32_t ticks() override {
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return static_cast<std::uint32_t>(std::llround(uptime * 100) * 10);
  }
  TempFolder dir;
  PosixSystem real;
};

INSTANTIATE_TEST_SUITE_P(Posix, SystemBehaviourTest,
                         ::testing::Values(SystemKind{
                             "Posix", [] { return std::make_unique<PosixSystemSubject>(); }}),
                         KindName());

TEST(PosixSystemTextsTest, KernelReleaseOsReleaseWorkAreaAndWildcards) {
  const std::pair<const char*, std::vector<std::uint32_t>> releases[] = {
      {"6.1.0-18-amd64", {6, 1, 0}},
      {"6.18.44-fc-v1272", {6, 18, 44}},
      {"5.10", {5, 10, 0}},
      {"linux", {}}};
  for (const auto& [release, numbers] : releases) {
    OsVersionInfo info;
    ASSERT_EQ(parseKernelRelease(release, info), !numbers.empty()) << release;
    if (!numbers.empty()) {
      EXPECT_EQ((std::vector{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber}),
                numbers);
    }
  }
  const std::pair<const char*, const char*> names[] = {
      {"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME=Fedora", "Fedora"},
      {"PRETTY_NAME='Arch $Linux'", "Arch $Linux"},
      {"PRETTY_NAME=\"A \\\"quoted\\\" name\"", "A \"quoted\" name"},
      {"NAME=x\n", ""}};
  for (const auto& [contents, name] : names) EXPECT_EQ(osReleasePrettyName(contents), name);
  Rect area;
  ASSERT_TRUE(
      parseWorkArea("_NET_WORKAREA(CARDINAL) = 0, 27, 1920, 1053, 0, 27, 1920, 1053\n", area));
  EXPECT_EQ((std::vector{area.left, area.top, area.right, area.bottom}),
            (std::vector{0, 27, 1920, 1080}));
  EXPECT_FALSE(parseWorkArea("_NET_WORKAREA:  not found.\n", area));
  const std::tuple<const char*, const char*, bool> wildcards[] = {
      {"sdat4321.exe", "sdat*.exe", true},
      {"sdat4321.exe", "sdat????.exe", true},
      {"", "*", true},
      {"aXbXc", "*b*c", true},
      {"SDAT4321.exe", "sdat*.exe", false},
      {"sdat.exe.bak", "sdat*.exe", false}};
  for (const auto& [name, pattern, matches] : wildcards) {
    EXPECT_EQ(matchesWildcards(name, pattern), matches) << name << " " << pattern;
  }
}

class PosixSystemTest : public ::testing::Test {
 protected:
  PosixSystemTest() {
    fake.Set([&](Platform& services) { services.system = &system; });
  }
  fakes::FakePlatform fake;
  PosixSystem system;
  SysUtilities sys;
  TempFolder dir;
};

// The one check of the library's system texts on the real system: the
// version from the kernel and the distribution, and the About notice, which
// shows through the windowing layer.
TEST_F(PosixSystemTest, TheVersionIsTheKernelAndTheDistributionAndShowsInTheAboutNotice) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  OsVersionInfo kernel;
  ASSERT_TRUE(parseKernelRelease(names.release, kernel));
  const std::u16string numbers = text::dec(kernel.dwMajorVersion) + u"." +
                                 text::dec(kernel.dwMinorVersion) + u"." +
                                 text::dec(kernel.dwBuildNumber);
  const std::u16string pretty = u(osReleasePrettyName(readFile("/etc/os-release")));
  EXPECT_EQ(sys.GetOSVersionString(), u"Linux V" + numbers + u" " + pretty);
  fakes::FakeForm form;
  sys.Aboutbox(form);
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].title, u"About Sigpatch 1.01.02");
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Sigpatch 1.01.02\n" + pretty + u" (Linux " +
                                                   numbers + u")\nCopyright \u00A9 Ferrolite");
  const auto notice = system.ShellAbout(0, u"Title#First line", u"", 0);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->title, u"About Title");
  EXPECT_TRUE(notice->text.starts_with(u"First line\n"));
}

TEST_F(PosixSystemTest, ErrorTextsAreTheWindowsTexts) {
  const std::pair<std::uint32_t, const char16_t*> texts[] = {
      {3, u"The system cannot find the path specified.\r\n"},
      {5, u"Access is denied.\r\n"},
      {6, u"The handle is invalid.\r\n"},
      {32, u"The process cannot access the file because it is being used by another process.\r\n"},
      {87, u"The parameter is incorrect.\r\n"},
      {234, u"More data is available.\r\n"},
      {259, u"No more data is available.\r\n"},
      {998, u"Invalid access to memory location.\r\n"},
      {1155, u"No application is associated with the specified file for this operation.\r\n"}};
  std::u16string message;
  for (const auto& [code, text] : texts) {
    EXPECT_TRUE(system.FormatMessage(code, message) && message == text) << code;
  }
  for (std::int32_t code :  // every result code of the registry store
       {kErrorSuccess, kErrorFileNotFound, kErrorAccessDenied, kErrorInvalidHandle,
        kErrorOutOfMemory, kErrorNotSupported, kErrorInvalidParameter, kErrorDiskFull,
        kErrorBadPathname, kErrorBusy, kErrorMoreData, kErrorNoMoreItems, kErrorNoAccess,
        kErrorRegistryCorrupt, kErrorRegistryIoFailed, kErrorKeyDeleted}) {
    EXPECT_TRUE(system.FormatMessage(static_cast<std::uint32_t>(code), message) &&
                message.ends_with(u".\r\n"))
        << code;
  }
}

TEST_F(PosixSystemTest, SpecialFoldersAreTheXdgFolders) {
  writeFile(dir / "user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
            "XDG_MUSIC_DIR=\"/srv/music\"\n");
  ScopedEnv home("HOME", "/home/tester"), configHome("XDG_CONFIG_HOME", dir.path());
  ScopedEnv dataHome("XDG_DATA_HOME", std::nullopt), cacheHome("XDG_CACHE_HOME", "relative/no");
  const std::pair<std::int32_t, std::u16string> folders[] = {
      {0x0005, u"/home/tester/Dokumente"},
      {0x000D, u"/srv/music"},
      {0x0000, u"/home/tester/Desktop"},
      {0x0010, u"/home/tester/Desktop"},
      {0x001A, u(dir.path())},
      {0x001C, u"/home/tester/.local/share"},
      {0x0020, u"/home/tester/.cache"},
      {0x0028, u"/home/tester"},
      {0x0026, u"/usr/local"},
      {0x0023, u"/var/lib"},
      {0x0003, u""} /* the control panel is no folder */,
      {0x0011, u""}};
  for (const auto& [csidl, folder] : folders) {
    EXPECT_EQ(FileUtilities().GetSpecialPath(csidl), folder) << csidl;
  }
}

// Links through other folders, what cannot be followed or written, a new
// file's mode: the paths sigreg's own test (tests/sigreg_smoke.sh) does not reach.
TEST_F(PosixSystemTest, AWholeFileIsWrittenWhereItsLinksLeadOrNotAtAll) {
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  writeFile(dir / "b/file.reg", "old");
  symlink("../b/file.reg", (dir / "a/first").c_str());
  symlink("a/first", (dir / "chain").c_str());
  symlink("loop2", (dir / "loop1").c_str());
  symlink("loop1", (dir / "loop2").c_str());
  writeFile(dir / "readonly.reg", "kept", 0444);
  symlink("nothing", (dir / "dangling").c_str());
  EXPECT_TRUE(system.FindFirstFile(u(dir / "dangling"))) << "a link that leads nowhere is found";
  const mode_t mask = ::umask(027);
  EXPECT_EQ(system.WriteWholeFile(u(dir / "new.reg"), "new"), u"");
  ::umask(mask);
  EXPECT_EQ(std::filesystem::status(dir / "new.reg").permissions(), std::filesystem::perms(0640))
      << "a new file has the mode the umask leaves";
  EXPECT_EQ(system.WriteWholeFile(u(dir / "chain"), "through"), u"");
  EXPECT_EQ(readFile(dir / "b/file.reg"), "through")
      << "relative links followed from their folders";
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain")) << "the link stays";
  const std::pair<std::string, std::u16string> refused[] = {
      {dir / "loop1", u"Too many levels of symbolic links"},
      {dir / "missing/new.reg",
       u"no new file can be made in " + u(dir / "missing") + u": No such file or directory"},
      {dir / "b/file.reg/x", u"Not a directory"}};
  for (const auto& [path, reason] : refused) EXPECT_EQ(system.WriteWholeFile(u(path), "x"), reason);
  // A file its user may not write stays, though its folder would let a rename
  // replace it.
  EXPECT_EQ(asNobody([&] {
              return system.WriteWholeFile(u(dir / "readonly.reg"), "x") == u"Permission denied";
            }),
            1);
  EXPECT_EQ(readFile(dir / "readonly.reg"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 8)
      << "no new file is left behind";
}

// Stand-ins for the desktop's and the login manager's commands, which log
// their calls: nothing is blanked, locked or shut down.
TEST_F(PosixSystemTest, DesktopAndSessionCommandsCallTheDesktopsPrograms) {
  const std::string bin = dir / "bin", log = dir / "calls.log";
  std::filesystem::create_directory(bin);
  for (const char* name :
       {"xdg-screensaver", "xset", "systemctl", "loginctl", "wmctrl", "xdotool"}) {
    writeFile(bin + "/" + name,
              "#!/bin/sh\necho \"" + std::string(name) + " $*\" >> '" + log + "'\n", 0755);
  }
  ScopedEnv path("PATH", bin), session("XDG_SESSION_ID", "c7");
  fakes::FakeForm form;
  form.handle = 0x3a00007;
  EXPECT_TRUE(sys.StartScreenSaver());
  for (int state : {2, 1, -1}) EXPECT_TRUE(sys.PowerSaveMonitor(state));
  EXPECT_FALSE(sys.PowerSaveMonitor(5));
  sys.DisableCtrlAltDel(true);
  sys.DisableCtrlAltDel(false);
  sys.AlwaysOnTop(form, true);
  sys.AlwaysOnTop(form, false);
  sys.Taskbar(false);
  sys.Taskbar(true);
  sys.LogOffWindows();
  sys.ShutDownWindows();
  sys.RestartWindows();
  {
    ScopedEnv noSession("XDG_SESSION_ID", std::nullopt);
    sys.LogOffWindows();  // without a session there is nothing to log off
  }
  const std::string panels =
      "xdotool search --class ^(panel|xfce4-panel|gnome-panel|mate-panel|lxpanel|tint2|polybar)$ ";
  std::vector<std::string> calls;
  std::istringstream in(readFile(log));
  for (std::string line; std::getline(in, line);) calls.push_back(line);
  EXPECT_EQ(calls,
            (std::vector<std::string>{
                "xdg-screensaver activate", "xset dpms force off", "xset dpms force standby",
                "xset dpms force on", "systemctl mask --runtime ctrl-alt-del.target",
                "systemctl unmask --runtime ctrl-alt-del.target",
                "wmctrl -i -r 0x3a00007 -b add,above", "wmctrl -i -r 0x3a00007 -b remove,above",
                panels + "windowunmap %@", panels + "windowmap %@", "loginctl terminate-session c7",
                "systemctl poweroff", "systemctl reboot"}));
  // Missing or failing commands are errors where they count.
  writeFile(bin + "/xset", "#!/bin/sh\nexit 1\n", 0755);
  unlink((bin + "/xdg-screensaver").c_str());
  const std::pair<std::function<void()>, std::int32_t> faults[] = {
      {[&] { system.SetMonitorPower(2); }, 5}, {[&] { system.StartScreenSaver(); }, 53}};
  for (const auto& [call, number] : faults) {
    try {
      call();
      ADD_FAILURE() << "no fault " << number;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), number);
    }
  }
  EXPECT_FALSE(sys.StartScreenSaver());
  unlink((bin + "/systemctl").c_str());
  sys.ShutDownWindows();  // nobody looks at the result
}

}  // namespace
}  // namespace sigpatch::platform::posix
