// Which display the desktop toolkit opens, and the one line the program shows when there is none
// it can use.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "toolkit/qt/QtDisplayChoice.h"
#include "toolkit/qt/QtSystemDisplayProbe.h"

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

// Each row: the environment, the installed platforms, the platform chosen (or none) and why not.
TEST(QtDisplayChoiceTest, ChoosesAPlatformOrSaysWhyNot) {
  const std::set<std::string> all{"xcb", "wayland", "offscreen"};
  using Case = std::tuple<std::map<std::string, std::string>, std::set<std::string>,
                          std::optional<std::string>, std::string>;

  // clang-format off
  const std::vector<Case> cases{
      {{{"DISPLAY", ":0"}}, all, "xcb", ""},
      {{{"DISPLAY", ":7"}}, all, std::nullopt, "cannot open display \":7\""},
      {{{"DISPLAY", ":0"}}, {"wayland"}, std::nullopt, "Qt's X11 platform (xcb) is not installed"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, all, "wayland", ""},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, {"xcb"}, "xcb", ""},
      {{{"WAYLAND_DISPLAY", "wayland-9"}, {"DISPLAY", ":0"}}, all, "xcb", ""},
      {{{"WAYLAND_DISPLAY", "wayland-9"}}, all, std::nullopt, "cannot open Wayland display \"wayland-9\""},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, {"xcb"}, std::nullopt, "Qt's Wayland platform is not installed"},
      {{}, all, std::nullopt, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, all, "", ""},
      {{{"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}}, all, "", ""},
      {{{"QT_QPA_PLATFORM", "vnc"}}, all, std::nullopt, "Qt's platform \"vnc\" is not installed"},
      {{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":3"}}, all, std::nullopt, "cannot open display \":3\""},
      {{{"QT_QPA_PLATFORM", "xcb"}}, all, std::nullopt, "no display: DISPLAY is not set"},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, all, "", ""}};
  // clang-format on
  for (const auto& [environment, plugins, platform, why] : cases) {
    FakeProbe probe;
    probe.environment = environment;
    probe.plugins = plugins;
    std::string failure;
    EXPECT_EQ(toolkit::qt::chooseDesktopPlatform(probe, failure), platform) << why;
    EXPECT_EQ(failure, why);
  }
  const toolkit::qt::QtSystemDisplayProbe system;
  EXPECT_FALSE(system.CanOpenX(":987"));
  EXPECT_FALSE(system.CanOpenWayland("sigpatch-no-such-display"));
  EXPECT_TRUE(system.HasPlugin("offscreen"));
  EXPECT_FALSE(system.HasPlugin("nosuchplatform"));
}

}  // namespace
}  // namespace sigpatch::testing
