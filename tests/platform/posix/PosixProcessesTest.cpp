#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "PosixTestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixProcesses.h"
#include "runtime/CommandLine.h"
#include "runtime/Text.h"
#include "util/ProcessUtilities.h"

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;
using sigpatch::testing::readFile;
using sigpatch::testing::ScopedEnv;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;
using Steady = std::chrono::steady_clock;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

std::string realPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return result;
}

// What the probe wrote: its working folder, then its arguments.
std::vector<std::string> probeReport(const std::string& file) {
  std::vector<std::string> parts;
  const std::string bytes = readFile(file);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const auto nul = bytes.find('\0', start);
    parts.push_back(bytes.substr(start, nul - start));
    start = nul + 1;
  }
  return parts;
}

class PosixProcessesTest : public ::testing::Test {
 protected:
  // Starts a command line and waits up to 10 s for it.
  bool run(const std::u16string& line, const std::u16string& folder = {}) {
    ProcessInformation info;
    if (!processes.CreateProcess(line, folder, info)) return false;
    EXPECT_NE(info.hProcess, 0);
    EXPECT_GT(info.dwProcessId, 0);
    const WaitResult result = processes.WaitForSingleObject(info.hProcess, 10s);
    EXPECT_TRUE(processes.CloseHandle(info.hProcess));
    return result == WaitResult::Ended;
  }

  std::vector<std::string> probeArguments() {
    auto report = probeReport(out);
    if (!report.empty()) report.erase(report.begin());
    return report;
  }

  TempFolder dir;
  std::string out = dir / "probe.out";
  ScopedEnv probeOut{"SIGPATCH_PROBE_OUT", out};
  PosixProcesses processes;
  const std::u16string probe = u(SIGPATCH_ARGV_PROBE);
};

struct ArgumentsCase {
  const char16_t* arguments;
  std::vector<std::string> received;
};

class ProbeArguments : public PosixProcessesTest,
                       public ::testing::WithParamInterface<ArgumentsCase> {};

INSTANTIATE_TEST_SUITE_P(
    WindowsRules, ProbeArguments,
    ::testing::Values(ArgumentsCase{uR"(/SILENT /REBOOT)", {"/SILENT", "/REBOOT"}},
                      ArgumentsCase{uR"("a b" c)", {"a b", "c"}},
                      ArgumentsCase{uR"(a\\\"b "c:\dir\\" x""y)", {R"(a\"b)", R"(c:\dir\)", "xy"}},
                      ArgumentsCase{uR"(a\\b "she said ""hi""" "")",
                                    {R"(a\\b)", R"(she said "hi")", ""}},
                      ArgumentsCase{u"  tab\tand\t\tblanks  ", {"tab", "and", "blanks"}},
                      ArgumentsCase{u"\u00FCber \u20AC",
                                    {"\xC3\xBC"
                                     "ber",
                                     "\xE2\x82\xAC"}}));

TEST_P(ProbeArguments, ReachTheChildAsWindowsSplitsThem) {
  ASSERT_TRUE(run(u"\"" + probe + u"\" " + GetParam().arguments));
  EXPECT_EQ(probeArguments(), GetParam().received);
}

TEST_F(PosixProcessesTest, AProgramWhosePathHoldsBlanksIsFoundQuotedOrNot) {
  const std::string folder = dir / "my updates";
  mkdir(folder.c_str(), 0755);
  const std::string copy = folder + "/sdat 4321.exe";
  writeFile(copy, readFile(SIGPATCH_ARGV_PROBE), 0755);
  ASSERT_TRUE(run(u(copy) + u" /SILENT \"x y\""));
  EXPECT_EQ(probeArguments(), (std::vector<std::string>{"/SILENT", "x y"}));
  ASSERT_TRUE(run(u"\"" + u(copy) + u"\" /REBOOT"));
  EXPECT_EQ(probeArguments(), std::vector<std::string>{"/REBOOT"});
}

TEST_F(PosixProcessesTest, RunsInTheGivenFolderOrInOurs) {
  const std::string folder = dir / "work place";
  mkdir(folder.c_str(), 0755);
  ASSERT_TRUE(run(u"\"" + probe + u"\"", u(folder)));
  EXPECT_EQ(probeReport(out).at(0), realPath(folder));
  ASSERT_TRUE(run(u"\"" + probe + u"\""));
  char ours[4096];
  ASSERT_NE(getcwd(ours, sizeof ours), nullptr);
  EXPECT_EQ(probeReport(out).at(0), realPath(ours));
}

TEST_F(PosixProcessesTest, ProgramsAreFoundOnThePath) {
  EXPECT_TRUE(run(u"sh -c \"exit 7\""));
  EXPECT_TRUE(run(u"true"));
}

TEST_F(PosixProcessesTest, WhatCannotBeStartedIsAFailedStart) {
  writeFile(dir / "notExecutable", "#!/bin/sh\nexit 0\n", 0644);
  writeFile(dir / "noFormat", "plain text, no interpreter line\n", 0755);
  mkdir((dir / "folder").c_str(), 0755);
  const std::vector<std::u16string> lines = {u(dir / "missing"),
                                             u"no-such-program-anywhere --help",
                                             u(dir / "notExecutable"),
                                             u(dir / "noFormat"),
                                             u(dir / "folder"),
                                             u"",
                                             u"   "};
  for (const auto& line : lines) {
    ProcessInformation info{7, 7};
    EXPECT_FALSE(processes.CreateProcess(line, u"", info)) << text::toUtf8(line);
    EXPECT_EQ(info.hProcess, 0);
    EXPECT_EQ(info.dwProcessId, 0);
  }
  ProcessInformation info;
  EXPECT_FALSE(processes.CreateProcess(u"true", u(dir / "no such folder"), info));
}

TEST_F(PosixProcessesTest, WaitsTimeOutEndAndFailAsTheSystemsDo) {
  // A program that runs until the test lets it end.
  const std::string flag = dir / "end now";
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(
      u"sh -c \"while [ ! -e '" + u(flag) + u"' ]; do sleep 0.01; done\"", u"", info));
  const auto start = Steady::now();
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 100ms), WaitResult::TimedOut);
  EXPECT_GE(Steady::now() - start, 90ms);
  writeFile(flag, "", 0644);
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 0ms), WaitResult::Ended);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_FALSE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 10ms), WaitResult::Failed);
  EXPECT_EQ(processes.WaitForSingleObject(0, 10ms), WaitResult::Failed);
}

TEST_F(PosixProcessesTest, AProcessReleasedEarlyLeavesNoZombie) {
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(u"true", u"", info));
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  // Until it has ended, without reaping it.
  siginfo_t ended{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(info.dwProcessId), &ended, WEXITED | WNOWAIT), 0);
  ProcessInformation next;
  ASSERT_TRUE(processes.CreateProcess(u"true", u"", next));  // reaps the released one
  int status = 0;
  EXPECT_EQ(waitpid(info.dwProcessId, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  processes.WaitForSingleObject(next.hProcess, 10s);
  processes.CloseHandle(next.hProcess);
}

TEST_F(PosixProcessesTest, KnowsItsOwnNumber) {
  EXPECT_EQ(processes.GetCurrentProcessId(), static_cast<std::int32_t>(getpid()));
}

// ShellWait of a real program keeps the window events running while it
// waits: the program ends only once the events have run twenty times.
TEST_F(PosixProcessesTest, ShellWaitKeepsTheWindowEventsRunning) {
  fakes::FakePlatform fake;
  fake.windowing.app.Path = u(dir.path());
  fake.Set([&](Platform& services) { services.processes = &processes; });
  const std::string flag = dir / "enough";
  int rounds = 0;
  std::function<void()> repaint = [&] {
    if (++rounds == 20) writeFile(flag, "", 0644);
    fake.windowing.Queue(repaint);
  };
  fake.windowing.Queue(repaint);
  // (A minute at most, so that a wait that lets no event run fails, not hangs.)
  EXPECT_EQ(ProcessUtilities().ShellWait(u"sh -c \"i=0; while [ ! -e '" + u(flag) +
                                         u"' ] && [ $i -lt 6000 ]; do sleep 0.01; i=$((i+1)); done\""),
            0);
  EXPECT_GE(rounds, 20);
}

TEST_F(PosixProcessesTest, ShellWaitGivesZeroForAnEndedProgramAndFailsForAMissingOne) {
  fakes::FakePlatform fake;
  fake.windowing.app.Path = u(dir.path());
  fake.Set([&](Platform& services) { services.processes = &processes; });
  EXPECT_EQ(ProcessUtilities().ShellWait(u"sh -c \"exit 7\""), 0);
  EXPECT_EQ(ProcessUtilities().ShellWait(u(dir / "missing.exe") + u" /SILENT"), -1);
  EXPECT_EQ(ProcessUtilities().StartProcess(u(dir / "missing.exe")), 0);
  // The program's own folder is the working folder when none is given.
  EXPECT_EQ(ProcessUtilities().ShellWait(u"\"" + probe + u"\""), 0);
  EXPECT_EQ(probeReport(out).at(0), realPath(dir.path()));
}

// Stand-ins for the desktop's commands: each writes its name and arguments to
// a log, so that the tests see what was called, and nothing opens.
class ShellExecuteTest : public PosixProcessesTest {
 protected:
  ShellExecuteTest() {
    mkdir(bin.c_str(), 0755);
    script("xdg-open");
    script("gdbus");
    script(
        "xdg-mime",
        "case \"$2\" in\n"
        "  filetype) case \"$3\" in *.txt) echo text/plain;; *) echo application/x-odd;; esac;;\n"
        "  default) [ \"$3\" = text/plain ] && echo org.gnome.TextEditor.desktop;;\n"
        "esac\nexit 0\n");
    writeFile(dir / "notes.txt", "n");
    writeFile(dir / "data.odd", "d");
    writeFile(dir / "with blank.txt", "b");
  }

  void script(const std::string& name, const std::string& body = "") {
    writeFile(bin + "/" + name, "#!/bin/sh\necho \"" + name + " $*\" >> '" + log + "'\n" + body,
              0755);
  }

  // The log's lines, waiting (a minute at most) for `count` of them.
  std::vector<std::string> logLines(std::size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 6000; ++i) {
      lines.clear();
      std::istringstream in(readFile(log));
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      if (lines.size() >= count) break;
      std::this_thread::sleep_for(10ms);
    }
    return lines;
  }

  std::string bin = dir / "bin";
  std::string log = dir / "calls.log";
  ScopedEnv path{"PATH", bin};
  ScopedEnv bus{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/0/bus"};
};

TEST_F(ShellExecuteTest, OpensADocumentWithItsAssociatedProgram) {
  EXPECT_EQ(processes.ShellExecute(u"open", u(dir / "notes.txt"), u"", u""), 42);
  const auto lines = logLines(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "xdg-mime query filetype " + dir / "notes.txt");
  EXPECT_EQ(lines[1], "xdg-mime query default text/plain");
  EXPECT_EQ(lines[2], "xdg-open " + dir / "notes.txt");
}

TEST_F(ShellExecuteTest, ARelativeDocumentIsFoundInTheGivenFolder) {
  EXPECT_EQ(processes.ShellExecute(u"", u"with blank.txt", u"", u(dir.path())), 42);
  EXPECT_EQ(logLines(3).at(2), "xdg-open " + dir / "with blank.txt");
}

TEST_F(ShellExecuteTest, ADocumentWithoutAProgramIsNoAssociation) {
  EXPECT_EQ(processes.ShellExecute(u"open", u(dir / "data.odd"), u"", u""), 31);
  const auto lines = logLines(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "xdg-mime query default application/x-odd");
  EXPECT_EQ(processes.ShellExecute(u"open", u(dir / "missing.txt"), u"", u""), 2);
  EXPECT_EQ(processes.ShellExecute(u"print", u(dir / "notes.txt"), u"", u""), 31);
}

TEST_F(ShellExecuteTest, AddressesGoToXdgOpen) {
  EXPECT_EQ(processes.ShellExecute(u"open", u"https://www.ferrolite.example/sigpatch/", u"", u""),
            42);
  EXPECT_EQ(logLines(1),
            std::vector<std::string>{"xdg-open https://www.ferrolite.example/sigpatch/"});
}

TEST_F(ShellExecuteTest, OpenAsAsksTheDesktopsChooser) {
  EXPECT_EQ(processes.ShellExecute(u"openas", u(dir / "with blank.txt"), u"", u"/usr/bin"), 42);
  std::string uri = "file://";
  for (char c : dir / "with blank.txt") uri += c == ' ' ? std::string("%20") : std::string(1, c);
  EXPECT_EQ(logLines(1),
            std::vector<std::string>{"gdbus call --session --dest org.freedesktop.portal.Desktop "
                                     "--object-path /org/freedesktop/portal/desktop --method "
                                     "org.freedesktop.portal.OpenURI.OpenURI  " +
                                     uri + " {'ask': <true>}"});
}

TEST_F(ShellExecuteTest, WithoutTheDesktopsProgramsNothingIsAssociated) {
  ScopedEnv empty("PATH", dir / "nothing");
  ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  EXPECT_EQ(processes.ShellExecute(u"open", u"https://www.ferrolite.example/", u"", u""), 31);
  EXPECT_EQ(processes.ShellExecute(u"open", u(dir / "notes.txt"), u"", u""), 31);
  EXPECT_EQ(processes.ShellExecute(u"openas", u(dir / "notes.txt"), u"", u""), 31);
}

}  // namespace
}  // namespace sigpatch::platform::posix
