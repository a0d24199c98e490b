// Which display the desktop toolkit opens, and the one line the program shows
// when there is none it can use.

#include <gtest/gtest.h>

#include <Qt>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "toolkit/qt/QtDisplayChoice.h"
#include "toolkit/qt/QtKeys.h"
#include "toolkit/qt/QtSystemDisplayProbe.h"

namespace sigpatch::toolkit::qt {
namespace {

class FakeProbe : public QtDisplayProbe {
 public:
  std::string Environment(const char* name) const override {
    const auto found = environment.find(name);
    return found == environment.end() ? std::string() : found->second;
  }
  bool HasPlugin(std::string_view platform) const override {
    return plugins.count(std::string(platform)) != 0;
  }
  bool CanOpenX(const std::string& display) const override { return xDisplays.count(display) != 0; }
  bool CanOpenWayland(const std::string& display) const override {
    return waylandDisplays.count(display) != 0;
  }

  std::map<std::string, std::string> environment;
  std::set<std::string> plugins{"xcb", "wayland", "offscreen"};
  std::set<std::string> xDisplays{":0"};
  std::set<std::string> waylandDisplays{"wayland-0"};
};

struct Case {
  const char* name;
  std::map<std::string, std::string> environment;
  std::set<std::string> plugins;
  /// The platform chosen, or nothing.
  std::optional<std::string> platform;
  std::string failure;
};

class DisplayChoiceTest : public ::testing::TestWithParam<Case> {};

TEST_P(DisplayChoiceTest, ChoosesOrSaysWhyNot) {
  const auto& c = GetParam();
  FakeProbe probe;
  probe.environment = c.environment;
  probe.plugins = c.plugins;
  std::string failure;
  EXPECT_EQ(chooseDesktopPlatform(probe, failure), c.platform);
  EXPECT_EQ(failure, c.failure);
}

const std::set<std::string> kAll{"xcb", "wayland", "offscreen"};

INSTANTIATE_TEST_SUITE_P(
    Displays, DisplayChoiceTest,
    ::testing::Values(
        Case{"X", {{"DISPLAY", ":0"}}, kAll, "xcb", ""},
        Case{"XNotOpen", {{"DISPLAY", ":7"}}, kAll, std::nullopt, "cannot open display \":7\""},
        Case{"XWithoutPlugin",
             {{"DISPLAY", ":0"}},
             {"wayland"},
             std::nullopt,
             "Qt's X11 platform (xcb) is not installed"},
        Case{"Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, kAll, "wayland", ""},
        Case{"WaylandWithoutPluginFallsBackToX",
             {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
             {"xcb"},
             "xcb",
             ""},
        Case{"WaylandNotOpenFallsBackToX",
             {{"WAYLAND_DISPLAY", "wayland-9"}, {"DISPLAY", ":0"}},
             kAll,
             "xcb",
             ""},
        Case{"WaylandAloneNotOpen",
             {{"WAYLAND_DISPLAY", "wayland-9"}},
             kAll,
             std::nullopt,
             "cannot open Wayland display \"wayland-9\""},
        Case{"WaylandAloneWithoutPlugin",
             {{"WAYLAND_DISPLAY", "wayland-0"}},
             {"xcb"},
             std::nullopt,
             "Qt's Wayland platform is not installed"},
        Case{"Nothing",
             {},
             kAll,
             std::nullopt,
             "no display: neither DISPLAY nor WAYLAND_DISPLAY is set"},
        Case{"ForcedOffscreen", {{"QT_QPA_PLATFORM", "offscreen"}}, kAll, "", ""},
        Case{"ForcedWithOptions",
             {{"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}},
             kAll,
             "",
             ""},
        Case{"ForcedMissing",
             {{"QT_QPA_PLATFORM", "vnc"}},
             kAll,
             std::nullopt,
             "Qt's platform \"vnc\" is not installed"},
        Case{"ForcedXChecksTheDisplay",
             {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":3"}},
             kAll,
             std::nullopt,
             "cannot open display \":3\""},
        Case{"ForcedXWithoutDisplay",
             {{"QT_QPA_PLATFORM", "xcb"}},
             kAll,
             std::nullopt,
             "no display: DISPLAY is not set"},
        Case{"ForcedWaylandList",
             {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}},
             kAll,
             "",
             ""}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SystemDisplayProbeTest, AnXDisplayThatIsNotThereDoesNotOpen) {
  const QtSystemDisplayProbe probe;
  EXPECT_FALSE(probe.CanOpenX(":987"));
  EXPECT_FALSE(probe.CanOpenWayland("sigpatch-no-such-display"));
  EXPECT_TRUE(probe.HasPlugin("offscreen"));
  EXPECT_FALSE(probe.HasPlugin("nosuchplatform"));
}

TEST(KeyCodeTest, QtKeysBecomeTheSystemsKeyCodes) {
  EXPECT_EQ(keyCodeOf(Qt::Key_F1), 112);
  EXPECT_EQ(keyCodeOf(Qt::Key_F12), 123);
  EXPECT_EQ(keyCodeOf(Qt::Key_Return), 13);
  EXPECT_EQ(keyCodeOf(Qt::Key_Enter), 13);
  EXPECT_EQ(keyCodeOf(Qt::Key_Escape), 27);
  EXPECT_EQ(keyCodeOf(Qt::Key_A), 65);
  EXPECT_EQ(keyCodeOf(Qt::Key_Z), 90);
  EXPECT_EQ(keyCodeOf(Qt::Key_0), 48);
  EXPECT_EQ(keyCodeOf(Qt::Key_Delete), 46);
  EXPECT_EQ(keyCodeOf(Qt::Key_Shift), 16);
  EXPECT_EQ(keyCodeOf(Qt::Key_Eacute), 0);
  EXPECT_EQ(shiftOf(Qt::ShiftModifier), 1);
  EXPECT_EQ(shiftOf((Qt::ControlModifier | Qt::AltModifier).toInt()), 6);
  EXPECT_EQ(shiftOf(Qt::KeypadModifier), 0);
}

}  // namespace
}  // namespace sigpatch::toolkit::qt
