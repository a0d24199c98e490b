// A look at the terminal toolkit as a person sees it, for trying it by hand:
//   tty_demo lines           the main window: coloured lines, then its close
//                            three seconds after the last line; reports the
//                            wait's wall and processor time on standard error
//   tty_demo status          the same with the status bar shown
//   tty_demo message         a message box
//   tty_demo folder [PATH]   the folder chooser, proposing PATH
//   tty_demo about           the About box with the usage text, modal
//   tty_demo splash          the splash window, closed at once: it stays 2 s

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/AppMain.h"
#include "app/Application.h"
#include "platform/Platform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixProgram.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "toolkit/tty/TtyWindowing.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"
#include "ui/frmMain.h"

using namespace sigpatch;

namespace {

double processorMilliseconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

int mainWindow() {
  Application app;
  app.SetAM(std::make_unique<AppMain>());
  auto& frm = *app.AM()->frm();
  frm.InitMyObjects(&app, app.AM());
  frm.Form().Show();
  frm.AddText(u"Looking for SDAT*.EXE Updates in /srv/updates/...");
  frm.AddText(u"Last update on this PC: SDAT4400.EXE");
  frm.sbInfo().SetPanelText(u"Info", u"Listing /srv/updates/");
  frm.sbInfo().Refresh();
  frm.AddText(u"sdat4400.exe");
  frm.AddText(u"sdat4500.exe");
  frm.AddText(u"Installing /srv/updates/sdat4500.exe...", 16711680);
  frm.AddText(u"Installation failed!", 255);
  frm.AddText(u"Finished!");
  const auto wallBefore = std::chrono::steady_clock::now();
  const double processorBefore = processorMilliseconds();
  frm.Terminate();
  const double processor = processorMilliseconds() - processorBefore;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
  std::fprintf(stderr, "tty_demo: Terminate waited %.3f s and used %.3f ms of processor time\n",
               wall.count(), processor);
  return 0;
}

int folder(const char* preset) {
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  if (preset != nullptr) chooser.SetPath(text::fromUtf8(preset));
  chooser.ShowMain();
  std::printf("OK = %s, Path = %s\n", chooser.OK() ? "true" : "false",
              text::toUtf8(chooser.Path()).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "lines";
  toolkit::tty::TtyOptions options;
  options.statusBar = mode == "status";
  toolkit::tty::TtyWindowing window(platform::posix::currentProgramInfo(argv[0]),
                                     platform::posix::argumentString(argc, argv), options);
  platform::posix::PosixClock clock;
  platform::posix::PosixSystem system;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixDrivesAndFolders drivesAndFolders;
  platform::Platform services;
  services.windowing = &window;
  services.clock = &clock;
  services.system = &system;
  services.processes = &processes;
  services.drivesAndFolders = &drivesAndFolders;
  platform::ScopedPlatform installed(services);

  if (mode == "lines" || mode == "status") return mainWindow();
  if (mode == "message") {
    window.MsgBox(u"System Information Is Unavailable At This Time");
    return 0;
  }
  if (mode == "folder") return folder(argc > 2 ? argv[2] : nullptr);
  if (mode == "about") {
    Application app;
    app.ShowAboutBox(1);
    return 0;
  }
  if (mode == "splash") {
    Splash splash;
    splash.ShowMain();
    splash.AddText(u"Checking for updates");
    return 0;
  }
  std::fprintf(stderr, "usage: tty_demo [lines|status|message|folder [PATH]|about|splash]\n");
  return 2;
}
