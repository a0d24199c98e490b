// The windowed program (sigpatch.exe) run as a user runs it, seen from outside through the
// system's messages: its window shows the run and closes after it. The pin and F1 are the main
// window's tests (tests/ui), what the package records the console run's (Win32EndToEndTest.cpp).

#include <gtest/gtest.h>

#include "Win32TrustSupport.h"
#include "Win32WindowedProgram.h"

namespace sigpatch::testing {
namespace {

TEST(WindowedRunTest, SigpatchExeShowsTheRunInItsWindowAndClosesAfterIt) {
  if (!underWine()) GTEST_SKIP() << "the test changes the machine's settings";
  TempFolder work{u"sigpatch windowed "};
  const std::u16string updates = work / u"Update Packages";
  clearSettings();
  ASSERT_NE(::CreateDirectoryW(wide(updates).c_str(), nullptr), 0);
  // The package installs until the test lets it go; made just now, it may start at once.
  ASSERT_NE(::CopyFileW(wide(builtProgram(SIGPATCH_RELEASE_PROBE)).c_str(),
                        wide(updates + u"\\sdat4500.exe").c_str(), FALSE),
            0);
  ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RELEASE", wide(work / u"go").c_str());
  setSetting(L"PackageSettleSeconds", u"0");
  setSetting(L"TrustedOwner", testAccount());
  WindowedProgram program(builtProgram(SIGPATCH_EXE), u"/Path:\"" + updates + u"\"", work.path(),
                          work / u"record.txt");
  const HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  const std::u16string installing =
      u"Sigpatch V1.01.02\r\n \r\nLooking for SDAT*.EXE Updates in " + updates +
      u"\\...\r\nLast update on this PC: \r\nsdat4500.exe\r\nInstalling " + updates +
      u"\\sdat4500.exe...\r\n";
  EXPECT_TRUE(waitFor([&] { return WindowedProgram::BoxText(window) == installing; }))
      << text::toUtf8(WindowedProgram::BoxText(window));
  ASSERT_NE(::CreateDirectoryW(wide(work / u"go").c_str(), nullptr), 0);
  EXPECT_TRUE(program.WaitForExit());
  clearSettings();
}

}  // namespace
}  // namespace sigpatch::testing
