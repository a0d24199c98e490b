// A real short update run on the desktop toolkit: the program's own application object against a
// registry store in a temporary file, a real package script and the system's processes, with the
// user pressing F1 while the package installs.

#include <QTest>
#include <QTextEdit>
#include <filesystem>

#include "app/Application.h"
#include "app/Settings.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/PosixTestSupport.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegUtilities.h"
#include "resources/VersionInfo.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/qt/QtWindow.h"
#include "toolkit/qt/QtWindowing.h"

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

TEST(QtRunTest, F1DuringTheRunPinsTheWindowAndShowsTheAboutBoxBesideIt) {
  TempFolder work;
  const auto updates = work / "updates/";
  auto locations = platform::posix::StoreLocations::singleFile(work / "registry.db");
  platform::posix::SqliteRegistry registry(locations);
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixSystem system(work.path(), locations.machine);
  LaterClock clock;
  // A folder only root may write, as the run asks of its source when root runs it.
  std::filesystem::permissions(work.path(), std::filesystem::perms::owner_all);
  std::filesystem::create_directories(updates);
  // The package installs until the test lets it go; written a while ago, as a downloaded package
  // is, it may start at once.
  writeFile(updates + "sdat4500.exe",
            "#!/bin/sh\nuntil [ -e '" + work / "go" + "' ]; do sleep 0.05; done\necho \"$*\" > '" +
                work / "installed" + "'\n",
            0755);
  std::filesystem::last_write_time(
      updates + "sdat4500.exe",
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  char name[] = "sigpatch";
  char* argv[] = {name, nullptr};
  int argc = 1;
  // A toolkit of its own for the run's command line; it shares the process's Qt application.
  toolkit::qt::QtWindowing windowing(
      argc, argv, resources::programInfo(u"sigpatch", text::fromUtf8(work.path())),
      u"/Path:" + text::fromUtf8(updates));
  platform::ScopedPlatform installed(
      {&windowing, &clock, &registry, &fileSystem, &processes, &system, nullptr, &systemFolders()});
  RegUtilities().SetKeyValue(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE", u"REG_SZ");
  const auto widget = [&](std::u16string_view form, const char* control) {
    return windowing.FindForm(form)->Widget()->findChild<QWidget*>(control);
  };
  const auto shown = [&] {
    return static_cast<QTextEdit*>(widget(u"frmMain", "tboOutput"))->toPlainText().toStdString();
  };
  // Once the install is announced, F1 in the box; then the package may end.
  std::function<void()> whileInstalling = [&] {
    if (!windowing.FindForm(u"frmMain") || shown().find("Installing") == std::string::npos) {
      return later(whileInstalling);
    }
    widget(u"frmMain", "tboOutput")->setFocus();
    QTest::keyClick(widget(u"frmMain", "tboOutput"), Qt::Key_F1);
    writeFile(work / "go", "");
  };
  later(whileInstalling);
  {
    Application application;
    application.Execute();
    clock.offset = std::chrono::seconds(3);
    application.Terminate();
  }
  EXPECT_EQ(shown(), "Sigpatch V1.01.02\n \nLooking for SDAT*.EXE Updates in " + updates +
                         "...\nLast update on this PC: SDAT4400.EXE\nsdat4500.exe\nInstalling " +
                         updates + "sdat4500.exe...\nFinished!\n");
  EXPECT_EQ(readFile(work / "installed"), "/SILENT /REBOOT\n");
  EXPECT_EQ(RegUtilities().GetKeyValue(kSettingsKey, u"LatestUpdate", u""), u"SDAT4500.EXE");
  // The pinned window stays, and so does the About box, until the pin is pulled out.
  ASSERT_NE(windowing.FindForm(u"frmAbout"), nullptr);
  EXPECT_TRUE(widget(u"frmAbout", "txtText")->window()->isVisible());
  EXPECT_TRUE(widget(u"frmMain", "imgPin")->window()->isVisible());
  QTest::mouseClick(widget(u"frmMain", "imgPin"), Qt::LeftButton);
  EXPECT_FALSE(widget(u"frmMain", "imgPin")->window()->isVisible());
  windowing.FindForm(u"frmAbout")->Unload();
}

}  // namespace
}  // namespace sigpatch::testing
