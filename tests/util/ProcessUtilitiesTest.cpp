#include <gtest/gtest.h>

#include "fakes/FakeServices.h"
#include "runtime/PathStyle.h"
#include "util/ProcessUtilities.h"

namespace sigpatch {
namespace {

class ProcessUtilitiesTest : public ::testing::Test {
 protected:
  fakes::FakeServices fake;
  fakes::FakeProcesses& processes = fake.processes;
  ProcessUtilities pu;
};

TEST_F(ProcessUtilitiesTest, ProgramsStartInTheProgramsFolderUnlessToldOtherwise) {
  EXPECT_EQ(pu.StartProcess(u"notepad readme.txt", u"/tmp"), 5000);
  EXPECT_TRUE(processes.waits.empty() && processes.processes.at(100).closed);
  processes.startSucceeds = false;
  EXPECT_EQ(pu.StartProcess(u"missing"), 0);
  std::vector<std::u16string> folders;
  for (const auto& start : processes.starts) folders.push_back(start.directory);
  EXPECT_EQ(folders, (std::vector<std::u16string>{u"/tmp", u"/opt/sigpatch"}));
}

// "open", and "openas" in the system's folder (upper-cased on Windows) only
// when no program is associated, silently.
TEST_F(ProcessUtilitiesTest, ShellDocAsksForAProgramOnlyWhenNoneIsAssociated) {
  const bool windows = runtime::kNativePathStyle == runtime::PathStyle::Windows;
  fake.system.systemDir = windows ? u"C:\\Windows\\system32" : u"/usr/bin";
  const std::u16string folder = windows ? u"C:\\WINDOWS\\SYSTEM32" : u"/usr/bin";
  const std::u16string file = u"/srv/notes.xyz";
  const std::pair<std::deque<std::int32_t>, std::vector<fakes::ShellCall>> cases[] = {
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
