// The windowed program (sigpatch.exe) run as a user runs it, seen and driven from outside through
// the system's messages: F1 while its package installs brings the About box and pins the window,
// which stays after the run until the pin is pulled out.

#include <gtest/gtest.h>

#include "Win32TrustSupport.h"
#include "Win32WindowedProgram.h"

namespace sigpatch::testing {
namespace {

TEST(WindowedRunTest, F1DuringTheRunShowsTheAboutBoxAndKeepsTheWindowUntilThePinIsPulled) {
  if (!underWine()) GTEST_SKIP() << "the test changes the machine's settings";
  TempFolder work{u"sigpatch windowed "};
  const std::u16string updates = work / u"Update Packages", exe = builtProgram(SIGPATCH_EXE);
  clearSettings();
  ASSERT_NE(::CreateDirectoryW(wide(updates).c_str(), nullptr), 0);
  // The package installs until the test lets it go.
  ASSERT_NE(::CopyFileW(wide(builtProgram(SIGPATCH_RELEASE_PROBE)).c_str(),
                        wide(updates + u"\\sdat4500.exe").c_str(), FALSE),
            0);
  ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RELEASE", wide(work / u"go").c_str());
  // Made just now, the package may start at once; under Wine the program starts only packages
  // that nobody but the trusted could have put there, and the prefix's account is trusted.
  setSetting(L"PackageSettleSeconds", u"0");
  setSetting(L"TrustedOwner", testAccount());
  WindowedProgram program(exe, u"/Path:\"" + updates + u"\"", work.path(), work / u"record.txt");
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  const auto shows = [&](const char16_t* text) {
    return waitFor(
        [&] { return WindowedProgram::BoxText(window).find(text) != std::u16string::npos; });
  };
  ASSERT_TRUE(shows(u"Installing"));
  WindowedProgram::PressKey(window, VK_F1);
  HWND about = program.WaitForWindow(u"About Sigpatch");
  ASSERT_NE(about, nullptr) << "no About box came up";
  EXPECT_NE(WindowedProgram::BoxText(about).find(u"  /Minimized\tRun minimized\r\n"),
            std::u16string::npos);
  ASSERT_NE(::CreateDirectoryW(wide(work / u"go").c_str(), nullptr), 0);
  ASSERT_TRUE(shows(u"Finished!"));
  EXPECT_EQ(WindowedProgram::BoxText(window),
            u"Sigpatch V1.01.02\r\n \r\nLooking for SDAT*.EXE Updates in " + updates +
                u"\\...\r\nLast update on this PC: \r\nsdat4500.exe\r\nInstalling " + updates +
                u"\\sdat4500.exe...\r\nFinished!\r\n");
  EXPECT_EQ(readFile(work / u"record.txt"),
            text::toUtf8(programCopies() + u"\\sdat4500.exe /SILENT /REBOOT\n" +
                         exe.substr(0, exe.rfind(u'\\')) + u"\n"));
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_FALSE(program.WaitForExit(0));
  ::PostMessageW(about, WM_CLOSE, 0, 0);
  WindowedProgram::Click(WindowedProgram::FirstImage(window));
  EXPECT_TRUE(program.WaitForExit());
  clearSettings();
}

}  // namespace
}  // namespace sigpatch::testing
