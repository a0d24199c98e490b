#include <gtest/gtest.h>

#include <chrono>

#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeSystem.h"
#include "runtime/PathStyle.h"
#include "util/ProcessUtilities.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;

class ProcessUtilitiesTest : public ::testing::Test {
 protected:
  ProcessUtilitiesTest() {
    fake.Set([&](platform::Platform& services) {
      services.processes = &processes;
      services.system = &system;
    });
  }

  fakes::FakePlatform fake;
  fakes::FakeProcesses processes;
  fakes::FakeSystem system;
  ProcessUtilities pu;
};

TEST_F(ProcessUtilitiesTest, ShellWaitWaitsInSlicesOf100MsAndLetsEventsRunBeforeEach) {
  processes.runTime = 3000ms;
  std::vector<std::chrono::milliseconds> seenByEvents;
  // An event that runs at every DoEvents and notes how far the process has got.
  std::function<void()> repaint = [&] {
    seenByEvents.push_back(processes.processes.begin()->second.waited);
    fake.windowing.Queue(repaint);
  };
  fake.windowing.Queue(repaint);

  EXPECT_EQ(pu.ShellWait(u"/srv/updates/sdat4321.exe /SILENT /REBOOT"), 0);

  ASSERT_EQ(processes.waits.size(), 30u);
  for (auto wait : processes.waits) EXPECT_EQ(wait, 100ms);
  ASSERT_EQ(seenByEvents.size(), 30u);
  EXPECT_EQ(seenByEvents.front(), 0ms);
  EXPECT_EQ(seenByEvents.back(), 2900ms);
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine, u"/srv/updates/sdat4321.exe /SILENT /REBOOT");
  EXPECT_TRUE(processes.processes.begin()->second.closed);
}

TEST_F(ProcessUtilitiesTest, ShellWaitStartsInTheProgramsFolderUnlessToldOtherwise) {
  EXPECT_EQ(pu.ShellWait(u"setup"), 0);
  EXPECT_EQ(pu.ShellWait(u"setup", u"/srv/updates"), 0);
  ASSERT_EQ(processes.starts.size(), 2u);
  EXPECT_EQ(processes.starts[0].directory, u"/opt/sigpatch");
  EXPECT_EQ(processes.starts[1].directory, u"/srv/updates");
}

TEST_F(ProcessUtilitiesTest, AFailedStartGivesMinusOneAfterOneFailingWait) {
  processes.startSucceeds = false;
  EXPECT_EQ(pu.ShellWait(u"missing.exe"), -1);
  EXPECT_EQ(processes.waits.size(), 1u);
  EXPECT_EQ(fake.windowing.doEventsCalls, 1);
  EXPECT_EQ(processes.closes, std::vector<platform::ProcessHandle>{0});
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(ProcessUtilitiesTest, AFailingWaitGivesMinusOne) {
  processes.runTime = 3000ms;
  processes.waitFails = true;
  EXPECT_EQ(pu.ShellWait(u"setup"), -1);
  EXPECT_EQ(processes.waits.size(), 1u);
  EXPECT_TRUE(processes.processes.begin()->second.closed);
}

TEST_F(ProcessUtilitiesTest, StartProcessGivesTheNumberAndDoesNotWait) {
  processes.runTime = 3000ms;
  EXPECT_EQ(pu.StartProcess(u"notepad readme.txt", u"/tmp"), 5000);
  EXPECT_TRUE(processes.waits.empty());
  EXPECT_TRUE(processes.processes.begin()->second.closed);
  EXPECT_EQ(processes.starts[0].directory, u"/tmp");
  processes.startSucceeds = false;
  EXPECT_EQ(pu.StartProcess(u"missing"), 0);
  EXPECT_EQ(processes.starts[1].directory, u"/opt/sigpatch");
}

TEST_F(ProcessUtilitiesTest, GetPocIDIsTheOwnProcessNumber) { EXPECT_EQ(pu.GetPocID(), 4242); }

TEST_F(ProcessUtilitiesTest, ShellDocOpensWithTheAssociatedProgram) {
  pu.ShellDoc(u"https://www.ferrolite.example/sigpatch/");
  EXPECT_EQ(processes.shellCalls,
            (std::vector<fakes::ShellCall>{
                {u"open", u"https://www.ferrolite.example/sigpatch/", u"", u""}}));
}

TEST_F(ProcessUtilitiesTest, ShellDocAsksForAProgramWhenNoneIsAssociated) {
  // The system's folder as the file utilities give it: upper-cased on Windows.
  const bool windows = runtime::kNativePathStyle == runtime::PathStyle::Windows;
  system.systemDir = windows ? u"C:\\Windows\\system32" : u"/usr/bin";
  const std::u16string folder = windows ? u"C:\\WINDOWS\\SYSTEM32" : u"/usr/bin";
  processes.shellResults = {31, 31};
  pu.ShellDoc(u"/srv/notes.xyz");
  EXPECT_EQ(processes.shellCalls,
            (std::vector<fakes::ShellCall>{{u"open", u"/srv/notes.xyz", u"", u""},
                                           {u"openas", u"/srv/notes.xyz", u"", folder}}));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(ProcessUtilitiesTest, ShellDocLeavesOtherFailuresAlone) {
  processes.shellResults = {2};
  pu.ShellDoc(u"/srv/missing.txt");
  EXPECT_EQ(processes.shellCalls.size(), 1u);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

}  // namespace
}  // namespace sigpatch
