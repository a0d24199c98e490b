// The processes rules (PlatformBehaviour.h) on posix_spawn, and what only
// POSIX shows: arguments split for the program, process groups and signals,
// the release of an ended child, and documents opened through the desktop's
// commands (stand-ins here, which only log their arguments).

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <csignal>
#include <thread>

#include "PosixTestSupport.h"
#include "platform/PlatformBehaviour.h"
#include "platform/posix/PosixProcesses.h"
#include "runtime/Text.h"

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

}  // namespace
}  // namespace sigpatch::platform::posix
