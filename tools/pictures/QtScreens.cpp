// Pictures of the program's windows on the desktop toolkit, for a person to
// look at (tools/screenshots.sh runs it under Xvfb or offscreen):
//   qt_screens OUTPUT_FOLDER
// writes main-running.png (a real update run while its package installs: black
// and blue lines, the pin out), main-finished-pinned.png (a second run whose
// package cannot start: black, blue and red lines, pinned, after the run),
// main-resized.png, about.png and about-usage.png (the
// About box with its information text, and scrolled down to the usage text), folder.png (the folder
// chooser), splash.png and message.png.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/Application.h"
#include "platform/Platform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/StoreLocations.h"
#include "registry/RegUtilities.h"
#include "resources/VersionInfo.h"
#include "runtime/Text.h"
#include "toolkit/qt/DesktopModule.h"
#include "toolkit/qt/QtWindow.h"
#include "toolkit/qt/QtWindowing.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"

using namespace sigpatch;
namespace fs = std::filesystem;

namespace {

QString output;
toolkit::qt::QtWindowing* desktop = nullptr;

// The window as the screen shows it: from the X server when there is one, else
// as the widget paints itself.
void shoot(QWidget* window, const char* name) {
  window->raise();
  window->activateWindow();
  QTest::qWait(300);
  QPixmap picture;
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    picture = window->screen()->grabWindow(window->winId());
  } else {
    picture = window->grab();
  }
  const QString path = output + QLatin1Char('/') + QLatin1String(name);
  if (!picture.save(path)) std::fprintf(stderr, "qt_screens: cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

QWidget* form(std::u16string_view name) {
  auto* found = desktop->FindForm(name);
  return found != nullptr ? found->Widget() : nullptr;
}

// Runs `action` from the event loop once `ready` holds.
void when(std::function<bool()> ready, std::function<void()> action) {
  auto check = std::make_shared<std::function<void()>>();
  std::weak_ptr<std::function<void()>> weak = check;
  *check = [weak, ready = std::move(ready), action = std::move(action)] {
    if (ready()) return action();
    if (auto next = weak.lock()) QTimer::singleShot(5, qApp, [next] { (*next)(); });
  };
  QTimer::singleShot(0, qApp, [check] { (*check)(); });
}

QString boxText() {
  auto* main = form(u"frmMain");
  auto* box = main != nullptr ? main->findChild<QTextEdit*>(QStringLiteral("tboOutput")) : nullptr;
  return box != nullptr ? box->toPlainText() : QString();
}

// A package written a while ago, as a downloaded one is: the run starts it at once.
void writeScript(const fs::path& path, const std::string& body, fs::perms mode) {
  std::ofstream(path) << body;
  fs::permissions(path, mode);
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qt_screens OUTPUT_FOLDER\n");
    return 2;
  }
  char work[] = "/tmp/sigpatch-screens-XXXXXX";
  const fs::path folder = ::mkdtemp(work);
  const fs::path updates = folder / "updates";
  fs::create_directories(updates / "archive");
  // The first run installs sdat4500, which takes two seconds; sdat4600, put
  // there for the second run, cannot be started (not executable), which that
  // run reports in red.
  writeScript(updates / "sdat4400.exe", "#!/bin/sh\nsleep 1\n", fs::perms::owner_all);
  writeScript(updates / "sdat4500.exe", "#!/bin/sh\nsleep 2\n", fs::perms::owner_all);

  std::string failure;
  auto windowing = toolkit::qt::openQtDesktop(
      argc, argv, resources::programInfo(u"sigpatch", text::fromUtf8(folder.string())),
      u"/Path:" + text::fromUtf8(updates.string()), failure);
  if (!windowing) {
    std::fprintf(stderr, "qt_screens: %s\n", failure.c_str());
    return 1;
  }
  desktop = dynamic_cast<toolkit::qt::QtWindowing*>(windowing.get());
  output = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(output);

  const auto locations =
      platform::posix::StoreLocations::singleFile((folder / "registry.db").string());
  platform::posix::SqliteRegistry registry(locations);
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixSystem system(folder.string(), locations.machine);
  platform::posix::PosixDrivesAndFolders drivesAndFolders;
  platform::Platform services;
  services.windowing = desktop;
  services.clock = &clock;
  services.registry = &registry;
  services.fileSystem = &fileSystem;
  services.drivesAndFolders = &drivesAndFolders;
  services.processes = &processes;
  services.system = &system;
  platform::ScopedPlatform installed(services);
  RegUtilities().SetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch", u"LatestUpdate",
                             u"SDAT4300.EXE", u"REG_SZ");

  // The main window: a real run, shot while its package installs; then a
  // second run whose package fails, pinned, shot after the run, and made larger.
  when([] { return boxText().contains(QStringLiteral("Installing ")); },
       [] { shoot(form(u"frmMain"), "main-running.png"); });
  {
    Application application;
    application.Execute();
    application.Terminate();
  }
  writeScript(updates / "sdat4600.exe", "#!/bin/sh\nsleep 1\n",
              fs::perms::owner_read | fs::perms::owner_write);
  when([] { return boxText().contains(QStringLiteral("Installation failed!")); },
       [] {
         QTest::mouseClick(form(u"frmMain")->findChild<QWidget*>(QStringLiteral("imgPin")),
                           Qt::LeftButton);
       });
  {
    Application application;
    application.Execute();
    application.Terminate();
  }
  shoot(form(u"frmMain"), "main-finished-pinned.png");
  form(u"frmMain")->resize(640, 330);
  shoot(form(u"frmMain"), "main-resized.png");

  // The About box as F1 shows it, beside the main window.
  QTest::keyClick(form(u"frmMain")->findChild<QWidget*>(QStringLiteral("tboOutput")), Qt::Key_F1);
  shoot(form(u"frmAbout"), "about.png");
  // Scrolled down to the usage text, as the user scrolls it.
  auto* about = form(u"frmAbout")->findChild<QTextEdit*>(QStringLiteral("txtText"));
  about->verticalScrollBar()->setValue(about->verticalScrollBar()->maximum());
  shoot(form(u"frmAbout"), "about-usage.png");
  form(u"frmAbout")->close();
  form(u"frmMain")->close();

  // The folder chooser, proposing the update folder.
  {
    SelectFolder chooser;
    chooser.SetPath(text::fromUtf8(updates.string()));
    when(
        [] { return form(u"frmSelectFolder") != nullptr && form(u"frmSelectFolder")->isVisible(); },
        [] {
          shoot(form(u"frmSelectFolder"), "folder.png");
          form(u"frmSelectFolder")->close();
        });
    chooser.ShowMain();
  }

  // The splash window with a line of its user's.
  {
    Splash splash;
    splash.ShowMain();
    splash.AddText(u"Checking for updates");
    shoot(form(u"frmSplash"), "splash.png");
  }

  // A message box with the critical-stop icon.
  when(
      [] {
        for (auto* widget : QApplication::topLevelWidgets()) {
          if (qobject_cast<QMessageBox*>(widget) != nullptr && widget->isVisible()) return true;
        }
        return false;
      },
      [] {
        for (auto* widget : QApplication::topLevelWidgets()) {
          auto* box = qobject_cast<QMessageBox*>(widget);
          if (box == nullptr || !box->isVisible()) continue;
          shoot(box, "message.png");
          box->button(QMessageBox::Ok)->click();
        }
      });
  desktop->MsgBox(u"Duplicate Argument: Path", toolkit::MsgBoxStyle::Critical);

  desktop = nullptr;
  windowing.reset();
  fs::remove_all(folder);
  return 0;
}
