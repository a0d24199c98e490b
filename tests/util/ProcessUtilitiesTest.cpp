#include <gtest/gtest.h>

#include <chrono>

#include "fakes/FakeServices.h"
#include "runtime/PathStyle.h"
#include "util/ProcessUtilities.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using Waits = std::vector<std::chrono::milliseconds>;

class ProcessUtilitiesTest : public ::testing::Test {
 protected:
  fakes::FakeServices fake;
  fakes::FakeProcesses& processes = fake.processes;
  ProcessUtilities pu;
};

// A run waits in slices of 100 ms and lets the window events run before each.
TEST_F(ProcessUtilitiesTest, ShellWaitWaitsInSlicesWithTheEventsBetweenThem) {
  struct Case {
    bool starts, waitFails;
    std::chrono::milliseconds runTime;
    std::int16_t result;
    std::size_t slices;
  };
  const Case cases[] = {{true, false, 3000ms, 0, 30},
                        {true, false, 0ms, 0, 1},
                        {false, false, 0ms, -1, 1},  // one wait, on no handle
                        {true, true, 3000ms, -1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slices);
    processes.startSucceeds = c.starts, processes.waitFails = c.waitFails;
    processes.runTime = c.runTime;
    processes.waits.clear();
    processes.closes.clear();
    fake.windowing.doEventsCalls = 0;
    EXPECT_EQ(pu.ShellWait(u"/srv/updates/sdat4321.exe /SILENT"), c.result);
    EXPECT_EQ(processes.waits, Waits(c.slices, 100ms));
    EXPECT_EQ(fake.windowing.doEventsCalls, static_cast<int>(c.slices));
    ASSERT_EQ(processes.closes.size(), 1u);
    EXPECT_TRUE(c.starts ? processes.processes.at(processes.closes[0]).closed
                         : processes.closes[0] == 0);
  }
  EXPECT_EQ(processes.starts[0].commandLine, u"/srv/updates/sdat4321.exe /SILENT");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(ProcessUtilitiesTest, TheEventsSeeTheProgramRunning) {
  processes.runTime = 300ms;
  Waits seen;
  std::function<void()> repaint = [&] {
    seen.push_back(processes.processes.begin()->second.waited);
    fake.windowing.Queue(repaint);
  };
  fake.windowing.Queue(repaint);
  EXPECT_EQ(pu.ShellWait(u"setup"), 0);
  EXPECT_EQ(seen, (Waits{0ms, 100ms, 200ms}));
}

TEST_F(ProcessUtilitiesTest, ProgramsStartInTheProgramsFolderUnlessToldOtherwise) {
  processes.runTime = 3000ms;
  EXPECT_EQ(pu.StartProcess(u"notepad readme.txt", u"/tmp"), 5000);
  EXPECT_TRUE(processes.waits.empty()) << "StartProcess does not wait";
  EXPECT_TRUE(processes.processes.at(100).closed);
  processes.runTime = 0ms;
  EXPECT_EQ(pu.ShellWait(u"setup"), 0);
  processes.startSucceeds = false;
  EXPECT_EQ(pu.StartProcess(u"missing"), 0);
  std::vector<std::u16string> folders;
  for (const auto& start : processes.starts) folders.push_back(start.directory);
  EXPECT_EQ(folders, (std::vector<std::u16string>{u"/tmp", u"/opt/sigpatch", u"/opt/sigpatch"}));
  EXPECT_EQ(pu.GetPocID(), 4242);
}

// "open", and "openas" in the system's folder (upper-cased on Windows) only
// when no program is associated; nothing is said either way.
TEST_F(ProcessUtilitiesTest, ShellDocAsksForAProgramOnlyWhenNoneIsAssociated) {
  const bool windows = runtime::kNativePathStyle == runtime::PathStyle::Windows;
  fake.system.systemDir = windows ? u"C:\\Windows\\system32" : u"/usr/bin";
  const std::u16string folder = windows ? u"C:\\WINDOWS\\SYSTEM32" : u"/usr/bin";
  const std::u16string file = u"/srv/notes.xyz";
  const std::pair<std::deque<std::int32_t>, std::vector<fakes::ShellCall>> cases[] = {
      {{42}, {{u"open", file, u"", u""}}},
      {{2}, {{u"open", file, u"", u""}}},
      {{31, 31}, {{u"open", file, u"", u""}, {u"openas", file, u"", folder}}}};
  for (const auto& [results, calls] : cases) {
    processes.shellResults = results;
    processes.shellCalls.clear();
    pu.ShellDoc(file);
    EXPECT_EQ(processes.shellCalls, calls);
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
}

}  // namespace
}  // namespace sigpatch
