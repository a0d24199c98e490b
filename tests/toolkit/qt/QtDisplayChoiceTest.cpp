// Which display the desktop toolkit opens, and the one line the program shows when there is none
// it can use.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "toolkit/qt/QtDisplayChoice.h"

namespace sigpatch::testing {
namespace {

// An environment and the installed platforms; the displays ":0" and "wayland-0" open.
struct FakeProbe : toolkit::qt::QtDisplayProbe {
  std::string Environment(const char* name) const override {
    return environment.contains(name) ? environment.at(name) : "";
  }
  bool HasPlugin(std::string_view name) const override {
    return plugins.contains(std::string(name));
  }
  bool CanOpenX(const std::string& display) const override { return display == ":0"; }
  bool CanOpenWayland(const std::string& display) const override { return display == "wayland-0"; }
  std::map<std::string, std::string> environment;
  std::set<std::string> plugins;
};

// Each row: the environment, the installed platforms (all three when empty), and the platform
// chosen or, after "!", why none. An X display that opens or not, and no display at all, on the
// system itself are checked end to end (tests/e2e).
TEST(QtDisplayChoiceTest, ChoosesAPlatformOrSaysWhyNot) {
  const char* const rows[][3] = {
      {"DISPLAY=:0", "wayland", "!Qt's X11 platform (xcb) is not installed"},
      {"WAYLAND_DISPLAY=wayland-0 DISPLAY=:0", "", "wayland"},
      {"WAYLAND_DISPLAY=wayland-0 DISPLAY=:0", "xcb", "xcb"},
      {"WAYLAND_DISPLAY=wayland-9 DISPLAY=:0", "", "xcb"},
      {"WAYLAND_DISPLAY=wayland-9", "", "!cannot open Wayland display \"wayland-9\""},
      {"WAYLAND_DISPLAY=wayland-0", "xcb", "!Qt's Wayland platform is not installed"},
      {"QT_QPA_PLATFORM=offscreen:fontengine=freetype", "", ""},
      {"QT_QPA_PLATFORM=vnc", "", "!Qt's platform \"vnc\" is not installed"},
      {"QT_QPA_PLATFORM=xcb", "", "!no display: DISPLAY is not set"},
      {"QT_QPA_PLATFORM=wayland;xcb WAYLAND_DISPLAY=wayland-0", "", ""}};
  for (const auto& [environment, plugins, expected] : rows) {
    FakeProbe probe;
    std::istringstream variables(environment),
        installed(*plugins ? plugins : "xcb wayland offscreen");
    for (std::string setting; variables >> setting;) {
      probe.environment[setting.substr(0, setting.find('='))] =
          setting.substr(setting.find('=') + 1);
    }
    for (std::string plugin; installed >> plugin;) probe.plugins.insert(plugin);
    std::string failure;
    const auto chosen = toolkit::qt::chooseDesktopPlatform(probe, failure);
    EXPECT_EQ(chosen ? *chosen : "!" + failure, expected) << environment;
    EXPECT_TRUE(!chosen || failure.empty());
  }
}

}  // namespace
}  // namespace sigpatch::testing
