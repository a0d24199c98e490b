// The windowed program (sigpatch.exe) run as a user runs it, against a folder
// with a package that records how it was started: its window shows the run,
// closes three seconds after "Finished!", or stays while the user has pinned
// it. Seen and driven from outside, through the system's messages.

#include <gtest/gtest.h>

#include "Win32TrustSupport.h"
#include "Win32WindowedProgram.h"

namespace sigpatch::testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ferrolite\\Sigpatch";
constexpr wchar_t kDownloaderKey[] = L"SOFTWARE\\Ferrolite\\Sigfetch";

std::u16string setting(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS) {
    return u"(missing)";
  }
  return fromWide(buffer);
}

class WindowedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!underWine()) GTEST_SKIP() << "the test changes the machine's settings";
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDownloaderKey);
    ASSERT_NE(::CreateDirectoryW(wide(updates).c_str(), nullptr), 0);
    ASSERT_NE(::CopyFileW(wide(recorder).c_str(), wide(updates + u"\\sdat4500.exe").c_str(), FALSE),
              0);
    // The packages are made just before each run: they may start at once.
    const wchar_t noWait[] = L"0";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"PackageSettleSeconds", REG_SZ,
                                noWait, sizeof noWait),
              ERROR_SUCCESS);
    // Under Wine the program runs as an administrator and starts only packages
    // that nobody but the trusted could have put there; every file belongs to
    // the prefix's account, which is trusted as a downloader's account would be.
    const std::wstring account = wide(testAccount());
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"TrustedOwner", REG_SZ,
                                account.c_str(),
                                static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDownloaderKey);
  }

  // The folder the downloader recorded, which the folder chooser proposes.
  void setDownloaderFolder(const std::u16string& folder) {
    const std::wstring data = wide(folder);
    ASSERT_EQ(
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kDownloaderKey, L"LocalPath", REG_SZ, data.c_str(),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
        ERROR_SUCCESS);
  }

  std::u16string exe = builtProgram(SIGPATCH_EXE);
  std::u16string exeFolder = exe.substr(0, exe.rfind(u'\\'));
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  TempFolder work{u"sigpatch windowed "};
  std::u16string updates = work / u"Update Packages";
  std::u16string recordFile = work / u"record.txt";
};

TEST_F(WindowedRunTest, TheWindowShowsTheRunAndClosesThreeSecondsAfterFinished) {
  WindowedProgram program(exe, u"/Path:\"" + updates + u"\"", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  std::u16string shown;
  ASSERT_TRUE(waitFor(
      [&] {
        shown = WindowedProgram::BoxText(window);
        return shown.find(u"Finished!") != std::u16string::npos;
      },
      20000))
      << text::toUtf8(shown);
  EXPECT_EQ(shown, u"Sigpatch V1.01.02\r\n \r\nLooking for SDAT*.EXE Updates in " + updates +
                       u"\\...\r\nLast update on this PC: \r\nsdat4500.exe\r\nInstalling " +
                       updates + u"\\sdat4500.exe...\r\nFinished!\r\n");
  // It closes by itself (the three seconds are the main window's tests', by
  // the installed clock).
  ASSERT_TRUE(waitFor([&] { return !::IsWindowVisible(window); }, 60000));
  EXPECT_TRUE(program.WaitForExit(60000));
  // What ran is the program's own copy.
  EXPECT_EQ(
      readFile(recordFile),
      text::toUtf8(programCopies() + u"\\sdat4500.exe /SILENT /REBOOT\n" + exeFolder + u"\n"));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
}

TEST_F(WindowedRunTest, APinnedWindowStaysAfterTheRunUntilThePinIsPulledOut) {
  WindowedProgram program(exe, u"/Path:\"" + updates + u"\"", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  HWND pin = WindowedProgram::FirstImage(window);
  ASSERT_NE(pin, nullptr);
  WindowedProgram::Click(pin);
  ASSERT_TRUE(waitFor(
      [&] { return WindowedProgram::BoxText(window).find(u"Finished!") != std::u16string::npos; },
      20000));
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_FALSE(program.WaitForExit(0));
  WindowedProgram::Click(pin);
  EXPECT_TRUE(waitFor([&] { return !::IsWindowVisible(window); }, 60000));
  EXPECT_TRUE(program.WaitForExit(60000));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
}

// F1 during the run: the About box with the usage comes up beside the window,
// which is pinned and so stays after the run until the pin is pulled out.
TEST_F(WindowedRunTest, F1DuringTheRunShowsTheAboutBoxAndKeepsTheWindow) {
  ASSERT_NE(::CopyFileW(wide(builtProgram(SIGPATCH_SLEEP3_PROBE)).c_str(),
                        wide(updates + u"\\sdat4600.exe").c_str(), FALSE),
            0);
  WindowedProgram program(exe, u"/Path:\"" + updates + u"\"", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  ASSERT_TRUE(waitFor(
      [&] { return WindowedProgram::BoxText(window).find(u"Installing") != std::u16string::npos; },
      20000));
  WindowedProgram::PressKey(window, VK_F1);
  HWND about = program.WaitForWindow(u"About Sigpatch", 5000);
  ASSERT_NE(about, nullptr) << "no About box came up";
  EXPECT_NE(WindowedProgram::BoxText(about).find(u"  /Minimized\tRun minimized\r\n"),
            std::u16string::npos);
  ASSERT_TRUE(waitFor(
      [&] { return WindowedProgram::BoxText(window).find(u"Finished!") != std::u16string::npos; },
      20000));
  EXPECT_TRUE(::IsWindowVisible(window));
  ::PostMessageW(about, WM_CLOSE, 0, 0);
  WindowedProgram::Click(WindowedProgram::FirstImage(window));
  EXPECT_TRUE(program.WaitForExit(5000));
}

// A first start without a folder: the folder chooser proposes the downloader's
// folder, "&OK" takes it, the run installs from it and stores it.
TEST_F(WindowedRunTest, OnAFirstStartTheFolderChooserGivesTheFolder) {
  setDownloaderFolder(updates);
  WindowedProgram program(exe, u"", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND chooser = program.WaitForWindow(u"Select Folder");
  ASSERT_NE(chooser, nullptr) << "no folder chooser came up";
  HWND main = program.Window(u"Sigpatch");
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(::IsWindowEnabled(main)) << "the main window waits for the chooser";
  HWND path = WindowedProgram::Child(chooser, L"Edit");
  ASSERT_NE(path, nullptr);
  wchar_t shown[MAX_PATH] = {};
  waitFor(
      [&] {
        return ::SendMessageW(path, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(shown)) > 0;
      },
      2000);
  EXPECT_EQ(fromWide(shown), updates + u"\\");
  ::PostMessageW(WindowedProgram::Child(chooser, L"Button", u"&OK"), BM_CLICK, 0, 0);
  ASSERT_TRUE(waitFor(
      [&] { return WindowedProgram::BoxText(main).find(u"Finished!") != std::u16string::npos; },
      20000));
  EXPECT_NE(WindowedProgram::BoxText(main).find(u"Looking for SDAT*.EXE Updates in " + updates +
                                                u"\\..."),
            std::u16string::npos);
  EXPECT_TRUE(program.WaitForExit(8000));
  EXPECT_EQ(setting(L"Path"), updates + u"\\");
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
}

// "&Cancel" in the folder chooser: no run, nothing installed or stored; the
// window closes after its three seconds.
TEST_F(WindowedRunTest, CancelInTheFolderChooserInstallsNothing) {
  WindowedProgram program(exe, u"", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND chooser = program.WaitForWindow(u"Select Folder");
  ASSERT_NE(chooser, nullptr) << "no folder chooser came up";
  ::PostMessageW(WindowedProgram::Child(chooser, L"Button", u"&Cancel"), BM_CLICK, 0, 0);
  EXPECT_TRUE(program.WaitForExit(8000));
  EXPECT_FALSE(exists(recordFile));
  EXPECT_EQ(setting(L"Path"), u"(missing)");
  EXPECT_EQ(setting(L"LatestUpdate"), u"(missing)");
}

TEST_F(WindowedRunTest, AMinimizedRunShowsItsWindowAsAnIcon) {
  WindowedProgram program(exe, u"/Path:\"" + updates + u"\" /Minimized", work.path(), recordFile);
  ASSERT_TRUE(program.Started());
  HWND window = program.WaitForWindow(u"Sigpatch");
  ASSERT_NE(window, nullptr) << "no window came up";
  // Shown first, then minimized.
  EXPECT_TRUE(waitFor([&] { return ::IsIconic(window) != FALSE; }, 5000));
  EXPECT_TRUE(program.WaitForExit(15000));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
}

}  // namespace
}  // namespace sigpatch::testing
