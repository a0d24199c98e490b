// A real short update run on the desktop toolkit: the program's own application object against a
// registry store in a temporary file, a real package script and the system's processes, with the
// user pressing F1 while the package installs.

#include <QTest>
#include <QTextEdit>
#include <filesystem>

#include "app/Application.h"
#include "app/Settings.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/PosixTestSupport.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/StoreLocations.h"
#include "registry/RegUtilities.h"
#include "resources/VersionInfo.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/qt/QtWindow.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

TEST(QtRunTest, F1DuringTheRunPinsTheWindowAndShowsTheAboutBoxBesideIt) {
  TempFolder work;
  auto locations = platform::posix::StoreLocations::singleFile(work / "registry.db");
  platform::posix::SqliteRegistry registry(locations);
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixSystem system(work.path(), locations.machine);
  JumpClock clock(systemClock());
  // A folder only root may write, as the run asks of its source when root runs it.
  std::filesystem::permissions(work.path(), std::filesystem::perms::owner_all);
  std::filesystem::create_directories(work / "updates");
  // The package installs until the test lets it go, and leaves a mark.
  writeFile(work / "updates/sdat4500.exe",
            "#!/bin/sh\nwhile [ ! -e \"" + work / "go" +
                "\" ]; do sleep 0.05; done\necho \"$*\" > \"" + work / "installed" + "\"\n",
            0755);
  // Written a while ago, as a downloaded package is: the run starts it at once.
  std::filesystem::last_write_time(work / "updates/sdat4500.exe",
                                   std::filesystem::file_time_type::clock::now() - 1h);
  char name[] = "sigpatch";
  char* argv[] = {name, nullptr};
  int argc = 1;
  // A toolkit of its own for the run's command line; it shares the process's Qt application.
  toolkit::qt::QtWindowing windowing(
      argc, argv, resources::programInfo(u"sigpatch", text::fromUtf8(work.path())),
      u"/Path:" + text::fromUtf8(work / "updates"));
  platform::Platform services;
  services.windowing = &windowing;
  services.clock = &clock;
  services.registry = &registry;
  services.fileSystem = &fileSystem;
  services.processes = &processes;
  services.system = &system;
  services.drivesAndFolders = &systemFolders();
  platform::ScopedPlatform installed(services);
  RegUtilities().SetKeyValue(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE", u"REG_SZ");
  const auto widget = [&](std::u16string_view form, const char* control) {
    return dynamic_cast<toolkit::qt::QtWindow*>(windowing.FindForm(form))
        ->Widget()
        ->findChild<QWidget*>(control);
  };
  const auto shown = [&] {
    return dynamic_cast<QTextEdit*>(widget(u"frmMain", "tboOutput"))->toPlainText().toStdString();
  };
  // Once the install is announced, F1 in the box; then the package may end.
  std::function<void()> whileInstalling = [&] {
    if (windowing.FindForm(u"frmMain") == nullptr ||
        shown().find("Installing ") == std::string::npos) {
      return later(whileInstalling);
    }
    widget(u"frmMain", "tboOutput")->setFocus();
    QTest::keyClick(widget(u"frmMain", "tboOutput"), Qt::Key_F1);
    writeFile(work / "go", "");
  };
  later(whileInstalling);
  windowing.DoEvents();
  {
    Application application;
    application.Execute();
    clock.Jump(3s);  // past the three seconds the window waits after its last line
    application.Terminate();
  }
  const std::string folder = work / "updates/";
  EXPECT_EQ(shown(), "Sigpatch V1.01.02\n \nLooking for SDAT*.EXE Updates in " + folder +
                         "...\nLast update on this PC: SDAT4400.EXE\nsdat4500.exe\nInstalling " +
                         folder + "sdat4500.exe...\nFinished!\n");
  EXPECT_EQ(readFile(work / "installed"), "/SILENT /REBOOT\n");
  EXPECT_EQ(RegUtilities().GetKeyValue(kSettingsKey, u"LatestUpdate", u""), u"SDAT4500.EXE");
  // The run is over; the pinned window stays, and so does the About box, until the pin is pulled.
  EXPECT_TRUE(widget(u"frmMain", "tboOutput")->window()->isVisible());
  ASSERT_NE(windowing.FindForm(u"frmAbout"), nullptr);
  EXPECT_TRUE(shownOnScreen(*windowing.FindForm(u"frmAbout")));
  QTest::mouseClick(widget(u"frmMain", "imgPin"), Qt::LeftButton);
  EXPECT_FALSE(widget(u"frmMain", "tboOutput")->window()->isVisible());
  for (auto* form : std::vector<toolkit::qt::QtWindow*>(windowing.Forms())) form->Unload();
  windowing.DoEvents();
}

}  // namespace
}  // namespace sigpatch::testing
