// The program's windows on the terminal toolkit.

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "app/AppMain.h"
#include "app/Application.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "toolkit/tty/TtyWindowing.h"
#include "ui/frmMain.h"
#include "util/SysUtilities.h"

namespace sigpatch::toolkit::tty {
namespace {

using namespace std::chrono_literals;

std::string readAll(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string all;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) all.append(buffer, n);
  return all;
}

class TtyWindowsTest : public ::testing::Test {
 protected:
  TtyWindowsTest() {
    TtyOptions options;
    options.colors = true;
    options.interactive = false;
    tty_.emplace(resources::programInfo(u"sigpatch", u"/opt/sigpatch"), u"", options, out_, err_,
                 stdin);
    platform::Platform services;
    services.windowing = &*tty_;
    services.clock = &clock;
    services.system = &system;
    installed_.emplace(services);
  }
  ~TtyWindowsTest() override {
    installed_.reset();
    tty_.reset();
    std::fclose(out_);
    std::fclose(err_);
  }

  std::string Out() { return readAll(out_); }

  std::FILE* out_ = std::tmpfile();
  std::FILE* err_ = std::tmpfile();
  fakes::FakeClock clock;
  fakes::FakeSystem system;
  std::optional<TtyWindowing> tty_;
  std::optional<platform::ScopedPlatform> installed_;
};

TEST_F(TtyWindowsTest, TheMainWindowPrintsItsColouredLinesAndEndsAtOnce) {
  Application app;
  app.SetAM(std::make_unique<AppMain>());
  auto& frm = *app.AM()->frm();
  frm.InitMyObjects(&app, app.AM());
  frm.Form().Show();
  frm.AddText(u"Installing /srv/sdat4500.exe...", 16711680);
  frm.AddText(u"Installation failed!", 255);
  frm.AddText(u"Finished!");
  const auto start = clock.now;
  frm.Terminate();
  EXPECT_EQ(clock.now, start);  // the lines stay on the terminal: no wait
  EXPECT_FALSE(frm.Form().IsLoaded());
  EXPECT_EQ(Out(),
            "Sigpatch V1.01.02\n \n"
            "\x1b[34mInstalling /srv/sdat4500.exe...\x1b[0m\n"
            "\x1b[31mInstallation failed!\x1b[0m\n"
            "Finished!\n");
}

TEST_F(TtyWindowsTest, ASilentRunPrintsNothing) {
  Application app;
  app.SetAM(std::make_unique<AppMain>());
  auto& frm = *app.AM()->frm();
  frm.InitMyObjects(&app, app.AM());
  frm.AddText(u"Finished!");
  frm.Terminate();
  EXPECT_EQ(Out(), "");
}

TEST_F(TtyWindowsTest, AModalAboutBoxPrintsItsTextAndReturns) {
  Application app;
  app.ShowAboutBox(1);
  SysUtilities sys;
  EXPECT_EQ(Out(), "Sigpatch V1.01.02\nFerrolite\n" + text::toUtf8(sys.GetOSVersionString()) +
                       "\nSystem UpTime: " + text::toUtf8(sys.UpTime()) +
                       "\n\nChecks for definition updates in a specified location and applies "
                       "them.\n\nFerrolite\n\n"
                       "Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]\n"
                       "  /Path\t\tSpecify a source directory\n"
                       "  /SetDef\t\tSets the specified path as default\n"
                       "  /Silent\t\tNo output to the screen\n"
                       "  /Minimized\tRun minimized\n"
                       "  /?\t\tThis information\n");
  EXPECT_EQ(tty_->FindForm(u"frmAbout"), nullptr);
}

}  // namespace
}  // namespace sigpatch::toolkit::tty
