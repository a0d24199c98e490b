// A real short update run on the desktop toolkit: the program's own
// application object against a registry store in a temporary file, real
// package scripts in a temporary folder and the system's processes, with the
// user pressing F1 or clicking the pin while the package installs.

#include <QLabel>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <chrono>
#include <filesystem>
#include <memory>

#include "QtTestSupport.h"
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
#include "toolkit/controls/Image.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

// A line of the box with the colour of its text (0x00BBGGRR).
struct ShownLine {
  QString text;
  std::int32_t color;
  friend bool operator==(const ShownLine&, const ShownLine&) = default;
  friend std::ostream& operator<<(std::ostream& out, const ShownLine& line) {
    return out << '"' << line.text.toStdString() << "\" in " << std::hex << line.color;
  }
};

class QtRunTest : public ::testing::Test {
 protected:
  QtRunTest()
      : locations_(platform::posix::StoreLocations::singleFile(work / "registry.db")),
        registry_(locations_),
        system_(work.path(), locations_.machine) {
    // A folder only root may write, as the run asks of its source when root runs it.
    std::filesystem::permissions(work.path(), std::filesystem::perms::owner_all);
    std::filesystem::create_directories(work / "updates");
    // A package that takes a moment, as an installer does, and leaves a mark.
    writeFile(work / "updates/sdat4500.exe",
              "#!/bin/sh\nsleep 0.4\necho \"$*\" > \"" + work / "installed" + "\"\n", 0755);
    writeFile(work / "updates/readme.txt", "not a package\n");
    // Written a while ago, as a downloaded package is: the run starts it at once.
    std::filesystem::last_write_time(
        work / "updates/sdat4500.exe",
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    char name[] = "sigpatch";
    char* argv[] = {name, nullptr};
    int argc = 1;
    // A toolkit of its own, for the command line of the run; it shares the
    // process's Qt application with the tests' toolkit.
    windowing_ = std::make_unique<toolkit::qt::QtWindowing>(
        argc, argv, resources::programInfo(u"sigpatch", text::fromUtf8(work.path())),
        u"/Path:" + text::fromUtf8(work / "updates"));
    platform::Platform services;
    services.windowing = windowing_.get();
    services.clock = &clock;
    services.registry = &registry_;
    services.fileSystem = &fileSystem_;
    services.processes = &processes_;
    services.system = &system_;
    services.drivesAndFolders = &drivesAndFolders_;
    installed_ = std::make_unique<platform::ScopedPlatform>(services);
    RegUtilities().SetKeyValue(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE", u"REG_SZ");
  }

  ~QtRunTest() override {
    for (auto* form : std::vector<toolkit::qt::QtWindow*>(windowing_->Forms())) form->Unload();
    windowing_->DoEvents();
    installed_.reset();
  }

  toolkit::qt::QtWindow* form(std::u16string_view name) const {
    return windowing_->FindForm(name);
  }
  QTextEdit* box() const {
    return form(u"frmMain")->Widget()->findChild<QTextEdit*>(QStringLiteral("tboOutput"));
  }
  QWidget* pin() const {
    return form(u"frmMain")->Widget()->findChild<QWidget*>(QStringLiteral("imgPin"));
  }
  bool pinned() const {
    const auto& main = *form(u"frmMain");
    return dynamic_cast<toolkit::Image&>(*main.FindControl(u"imgPin")).Picture().Handle() ==
           dynamic_cast<toolkit::Image&>(*main.FindControl(u"imgPinned")).Picture().Handle();
  }
  std::vector<ShownLine> lines() const {
    std::vector<ShownLine> shown;
    for (auto block = box()->document()->begin(); block.isValid(); block = block.next()) {
      if (block.text().isEmpty()) continue;  // under the last line
      const QColor color = block.begin().fragment().charFormat().foreground().color();
      shown.push_back({block.text(), color.red() | (color.green() << 8) | (color.blue() << 16)});
    }
    return shown;
  }
  /// Runs `action` once, from the event loop, as soon as the box shows the
  /// line that announces the install: the package is then being installed.
  void WhileInstalling(std::function<void()> action) {
    auto check = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = check;
    *check = [this, weak, action = std::move(action)] {
      auto* main = form(u"frmMain");
      if (main != nullptr && box()->toPlainText().contains(QStringLiteral("Installing "))) {
        runFinished = box()->toPlainText().contains(QStringLiteral("Finished!"));
        return action();
      }
      if (auto next = weak.lock()) QTimer::singleShot(5, qApp, [next] { (*next)(); });
    };
    QTimer::singleShot(0, qApp, [check] { (*check)(); });
  }
  /// The run as the entry procedure makes it, up to the end of Terminate; the
  /// clock jumps over the three seconds the window waits after its last line.
  void Run() {
    windowing_->DoEvents();
    Application application;
    application.Execute();
    clock.Jump(3s);
    application.Terminate();
  }

  TempFolder work;
  JumpClock clock;
  /// Whether "Finished!" was shown when the user acted.
  bool runFinished = true;

 private:
  platform::posix::StoreLocations locations_;
  platform::posix::SqliteRegistry registry_;
  platform::posix::PosixFileSystemService fileSystem_;
  platform::posix::PosixProcesses processes_;
  platform::posix::PosixSystem system_;
  platform::posix::PosixDrivesAndFolders drivesAndFolders_;
  std::unique_ptr<toolkit::qt::QtWindowing> windowing_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

TEST_F(QtRunTest, F1DuringTheRunPinsTheWindowAndShowsTheAboutBoxBesideIt) {
  WhileInstalling([this] {
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_F1);
  });
  Run();
  EXPECT_FALSE(runFinished);
  const QString folder = QString::fromStdString(work / "updates/");
  EXPECT_EQ(lines(), (std::vector<ShownLine>{
                         {"Sigpatch V1.01.02", 0},
                         {" ", 0},
                         {"Looking for SDAT*.EXE Updates in " + folder + "...", 0},
                         {"Last update on this PC: SDAT4400.EXE", 0},
                         {"sdat4500.exe", 0},
                         {"Installing " + folder + "sdat4500.exe...", 0xFF0000},
                         {"Finished!", 0},
                     }));
  EXPECT_EQ(readFile(work / "installed"), "/SILENT /REBOOT\n");
  EXPECT_EQ(RegUtilities().GetKeyValue(kSettingsKey, u"LatestUpdate", u""), u"SDAT4500.EXE");
  // The run is over; the pinned window stays, and so does the About box.
  ASSERT_NE(form(u"frmMain"), nullptr);
  EXPECT_TRUE(form(u"frmMain")->Widget()->isVisible());
  EXPECT_TRUE(pinned());
  ASSERT_NE(form(u"frmAbout"), nullptr);
  EXPECT_TRUE(form(u"frmAbout")->Widget()->isVisible());
  const auto about = form(u"frmAbout")->Widget()->findChild<QTextEdit*>()->toPlainText();
  EXPECT_TRUE(about.contains("  /?\t\tThis information")) << about.toStdString();
  // Pulling the pin out closes the window at once.
  QTest::mouseClick(pin(), Qt::LeftButton);
  EXPECT_FALSE(form(u"frmMain")->Widget()->isVisible());
}

TEST_F(QtRunTest, ThePinClickedDuringTheRunKeepsTheWindowOpenUntilItIsPulled) {
  WhileInstalling([this] { QTest::mouseClick(pin(), Qt::LeftButton); });
  Run();
  EXPECT_FALSE(runFinished);
  ASSERT_NE(form(u"frmMain"), nullptr);
  EXPECT_TRUE(form(u"frmMain")->Widget()->isVisible());
  EXPECT_TRUE(pinned());
  EXPECT_EQ(form(u"frmAbout"), nullptr);
  EXPECT_EQ(lines().back(), (ShownLine{"Finished!", 0}));
  QTest::mouseClick(pin(), Qt::LeftButton);
  EXPECT_FALSE(form(u"frmMain")->Widget()->isVisible());
}

TEST_F(QtRunTest, ThePinClickedTwiceDuringTheRunLetsTheWindowCloseAfterTheRun) {
  WhileInstalling([this] {
    QTest::mouseClick(pin(), Qt::LeftButton);
    QTest::mouseClick(pin(), Qt::LeftButton);
  });
  Run();
  EXPECT_FALSE(runFinished);
  const auto* main = form(u"frmMain");
  EXPECT_TRUE(main == nullptr || !main->Widget()->isVisible());
}

}  // namespace
}  // namespace sigpatch::testing
