// A real short update run on the desktop toolkit: the program's own application object with a
// real package script, the system's files and processes, and the user pressing F1 while the
// package installs.

#include <filesystem>

#include "app/Application.h"
#include "app/Settings.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/PosixTestSupport.h"
#include "registry/RegUtilities.h"
#include "toolkit/DesktopSuite.h"

namespace sigpatch::testing {
namespace {

// The system's clock three seconds on once the run is over, past the window's wait.
struct LaterClock : platform::Clock {
  TimePoint Now() const override { return systemClock().Now() + offset; }
  platform::DateTime ToLocal(TimePoint t) const override { return systemClock().ToLocal(t); }
  std::chrono::milliseconds Ticks() const override { return systemClock().Ticks(); }
  void Sleep(std::chrono::milliseconds duration) override { systemClock().Sleep(duration); }
  std::chrono::seconds offset{0};
};

class QtRunTest : public DesktopTest {};

TEST_F(QtRunTest, F1DuringTheRunPinsTheWindowAndShowsTheAboutBoxBesideIt) {
  TempFolder work;
  const auto updates = work / "updates/";
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixSystem posixSystem(work.path(), work / "registry.db");
  LaterClock clock;
  platform::ScopedPlatform installed({&desktop(), &clock, &registry, &fileSystem, &processes,
                                      &posixSystem, nullptr, &systemFolders()});
  // A folder only root may write, as the run asks of its source when root runs it.
  std::filesystem::permissions(work.path(), std::filesystem::perms::owner_all);
  std::filesystem::create_directories(updates);
  // The package installs until the test lets it go; made just now, it may start at once.
  writeFile(updates + "sdat4500.exe",
            "#!/bin/sh\nuntil [ -e '" + work / "go" + "' ]; do sleep 0.05; done\necho \"$*\" > '" +
                work / "installed" + "'\n",
            0755);
  RegUtilities().SetKeyValue(kSettingsKey, u"PackageSettleSeconds", u"0", u"REG_SZ");
  RegUtilities().SetKeyValue(kSettingsKey, u"Path", text::fromUtf8(updates), u"REG_SZ");
  RegUtilities().SetKeyValue(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE", u"REG_SZ");
  // Once the install is announced, F1 in the box; then the package may end.
  std::function<void()> whileInstalling = [&] {
    auto* main = findForm(u"frmMain");
    if (!main || shownText(*main, u"tboOutput").find(u"Installing") == std::u16string::npos) {
      return later(whileInstalling, 10);
    }
    pressKey(*main, u"tboOutput", toolkit::kKeyF1);
    writeFile(work / "go", "");
  };
  later(whileInstalling);
  {
    Application application;
    application.Execute();
    clock.offset = std::chrono::seconds(3);
    application.Terminate();
  }
  auto& main = *findForm(u"frmMain");
  EXPECT_EQ(shownText(main, u"tboOutput"),
            text::fromUtf8("Sigpatch V1.01.02\n \nLooking for SDAT*.EXE Updates in " + updates +
                           "...\nLast update on this PC: SDAT4400.EXE\nsdat4500.exe\nInstalling " +
                           updates + "sdat4500.exe...\nFinished!\n"));
  EXPECT_EQ(readFile(work / "installed"), "/SILENT /REBOOT\n");
  EXPECT_EQ(RegUtilities().GetKeyValue(kSettingsKey, u"LatestUpdate", u""), u"SDAT4500.EXE");
  // The pinned window stays, and so does the About box, until the pin is pulled out.
  ASSERT_NE(findForm(u"frmAbout"), nullptr);
  EXPECT_TRUE(shownOnScreen(*findForm(u"frmAbout")));
  EXPECT_TRUE(shownOnScreen(main));
  click(main, u"imgPin");
  EXPECT_FALSE(shownOnScreen(main));
}

}  // namespace
}  // namespace sigpatch::testing
