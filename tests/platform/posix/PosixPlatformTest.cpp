// The processes and system rules (PlatformBehaviour.h) on POSIX, and what only POSIX shows:
// arguments, process groups and signals, whole files through links.

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/prctl.h>

#include <cmath>
#include <csignal>

#include "PosixTestSupport.h"
#include "platform/PlatformBehaviour.h"
#include "platform/posix/PosixProcesses.h"

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;
using namespace sigpatch::testing;
using Lines = std::vector<std::string>;
constexpr char16_t kNoSuch[] = u"No such file or directory";

struct PosixProcessesSubject : ProcessesSubject {
  PosixProcessesSubject() {
    exit7 = u"sh -c \"exit 7\"";
    held = u"sh -c \"while [ ! -e '" + u(flag) + u"' ]; do sleep 0.01; done; exit 5\"";
    missing = u(dir / "missing"), missingText = kNoSuch;
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
  TempFolder dir;
  std::string out = dir / "probe.out";
  ScopedEnv probeOut{"SIGPATCH_PROBE_OUT", out};
  PosixProcesses processes;
};

// The probe writes its working folder, then its arguments (split as Windows
// splits them: tests/runtime/CommandLineTest.cpp).
TEST_F(PosixProcessesTest, TheProgramGetsItsArgumentsAndRunsWhereTold) {
  const std::string folder = dir / "my updates", copy = folder + "/sdat 4321.exe";
  std::filesystem::create_directory(folder);
  writeFile(copy, "#!/bin/sh\nprintf '%s\\0' \"$(pwd -P)\" \"$@\" >\"$SIGPATCH_PROBE_OUT\"", 0755);
  ASSERT_TRUE(run(u"\"" + u(copy) + uR"(" a\\\"b "c:\my dir\\" "" über)", folder));
  EXPECT_EQ(split(readFile(out), '\0'),
            (Lines{std::filesystem::canonical(folder), R"(a\"b)", R"(c:\my dir\)", "", "über"}));
}

TEST_F(PosixProcessesTest, WhatCannotBeStartedIsAFailedStartThatSaysWhy) {
  writeFile(dir / "notExecutable", "#!/bin/sh\nexit 0\n", 0644);
  writeFile(dir / "noFormat", "plain text, no interpreter line\n", 0755);
  std::filesystem::create_directory(dir / "folder");
  ProcessInformation info;
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"no-such-program-anywhere --help", kNoSuch},
      {u(dir / "notExecutable"), u"Permission denied"},
      {u(dir / "noFormat"), u"Exec format error"}};
  for (const auto& [line, why] : cases) {
    EXPECT_FALSE(processes.CreateProcess(line, u"", info));
    EXPECT_EQ(text::toUtf8(processes.StartFailure()), text::toUtf8(why)) << text::toUtf8(line);
  }
  EXPECT_FALSE(processes.CreateProcess(u"true", u(dir / "no such folder"), info));
}

// The group's leader starts a child of its own, which it names through a fifo;
// a stop reaches both. As the subreaper the test inherits the orphaned child.
TEST_F(PosixProcessesTest, AStopReachesTheWholeGroup) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const std::string pidFile = dir / "child";
  ASSERT_EQ(mkfifo(pidFile.c_str(), 0600), 0);
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(u"sh -c \"sleep 60 & echo $! > '" + u(pidFile) + u"'; wait\"",
                                      u"", info, kCreateNewProcessGroup));
  const auto child = static_cast<id_t>(std::stol(readFile(pidFile)));
  EXPECT_TRUE(processes.StopProcess(info.hProcess, false));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  ProcessExit exit;
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_EQ(exit.code, static_cast<std::uint32_t>(SIGTERM));
  EXPECT_EQ(text::toUtf8(exit.reason), "ended by signal 15 (Terminated)");
  siginfo_t ended{};
  ASSERT_EQ(waitid(P_PID, child, &ended, WEXITED), 0);
  EXPECT_EQ(ended.si_code * 100 + ended.si_status, CLD_KILLED * 100 + SIGTERM) << "the child";
  prctl(PR_SET_CHILD_SUBREAPER, 0);
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

// Links followed from their own folders, what cannot be followed or written,
// the mode of a new file and of a replaced one.
TEST(PosixSystemTest, AWholeFileIsWrittenWhereItsLinksLeadOrNotAtAll) {
  PosixSystem system;
  TempFolder dir;
  for (const char* folder : {"a", "b"}) std::filesystem::create_directories(dir / folder);
  writeFile(dir / "b/file.reg", "old");
  writeFile(dir / "readonly.reg", "kept", 0444);
  writeFile(dir / "kept.reg", "old", 0604);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  for (const auto& [target, link] : {std::pair{"../b/file.reg", "a/first"},
                                     {"a/first", "chain"},
                                     {"loop", "loop"},
                                     {"made", "dangling"}}) {
    symlink(target, (dir / link).c_str());
  }
  EXPECT_TRUE(system.FindFirstFile(u(dir / "dangling"))) << "a link that leads nowhere is found";
  const mode_t mask = ::umask(027);
  for (const char* name : {"new.reg", "chain", "dangling", "kept.reg"}) {
    EXPECT_EQ(system.WriteWholeFile(u(dir / name), name), u"") << name;
  }
  ::umask(mask);
  EXPECT_EQ(readFile(dir / "b/file.reg") + readFile(dir / "made"), "chaindangling");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain")) << "the link stays";
  EXPECT_EQ(std::filesystem::status(dir / "new.reg").permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::filesystem::status(dir / "kept.reg").permissions(), std::filesystem::perms(0604));
  const std::pair<std::string, std::u16string> refused[] = {
      {dir / "loop", u"Too many levels of symbolic links"},
      {"/dev/full", u"it is a device, not a file"},
      {dir / "fifo", u"it is a pipe (FIFO), not a file"},
      {dir / "missing/x", u"no new file can be made in " + u(dir / "missing") + u": " + kNoSuch}};
  for (const auto& [path, reason] : refused) EXPECT_EQ(system.WriteWholeFile(u(path), "x"), reason);
  // A file its user may not write stays, though its folder would let a rename replace it.
  EXPECT_EQ(asNobody([&] {
              return system.WriteWholeFile(u(dir / "readonly.reg"), "x") == u"Permission denied";
            }),
            1);
  EXPECT_EQ(readFile(dir / "readonly.reg"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 10);
}

}  // namespace
}  // namespace sigpatch::platform::posix
