#include "platform/qt/QtDisplayChoice.h"

namespace sigpatch::platform::qt {
namespace {

std::optional<std::string> fail(std::string& failure, std::string reason) {
  failure = std::move(reason);
  return std::nullopt;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

bool checkX(const QtDisplayProbe& probe, std::string& failure) {
  const auto display = probe.Environment("DISPLAY");
  if (display.empty()) return !fail(failure, "no display: DISPLAY is not set");
  if (!probe.HasPlugin("xcb")) return !fail(failure, "Qt's X11 platform (xcb) is not installed");
  if (!probe.CanOpenX(display)) return !fail(failure, "cannot open display " + quoted(display));
  return true;
}

bool checkWayland(const QtDisplayProbe& probe, std::string& failure) {
  const auto display = probe.Environment("WAYLAND_DISPLAY");
  if (display.empty()) return !fail(failure, "no display: WAYLAND_DISPLAY is not set");
  if (!probe.HasPlugin("wayland")) {
    return !fail(failure, "Qt's Wayland platform is not installed");
  }
  if (!probe.CanOpenWayland(display)) {
    return !fail(failure, "cannot open Wayland display " + quoted(display));
  }
  return true;
}

}  // namespace

std::optional<std::string> chooseDesktopPlatform(const QtDisplayProbe& probe,
                                                 std::string& failure) {
  const auto forced = probe.Environment("QT_QPA_PLATFORM");
  if (!forced.empty()) {
    // "xcb", "offscreen:fontengine=freetype", "wayland;xcb": the first
    // platform named, without its options.
    const auto name = forced.substr(0, forced.find_first_of(";:"));
    if (name == "xcb")
      return checkX(probe, failure) ? std::optional<std::string>("") : std::nullopt;
    if (name.rfind("wayland", 0) == 0) {
      return checkWayland(probe, failure) ? std::optional<std::string>("") : std::nullopt;
    }
    if (!probe.HasPlugin(name))
      return fail(failure, "Qt's platform " + quoted(name) + " is not installed");
    return std::string();
  }
  const auto wayland = probe.Environment("WAYLAND_DISPLAY");
  const auto x = probe.Environment("DISPLAY");
  if (!wayland.empty() && probe.HasPlugin("wayland") && probe.CanOpenWayland(wayland)) {
    return std::string("wayland");
  }
  if (!x.empty()) return checkX(probe, failure) ? std::optional<std::string>("xcb") : std::nullopt;
  if (!wayland.empty()) {
    checkWayland(probe, failure);
    return std::nullopt;
  }
  return fail(failure, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
}

}  // namespace sigpatch::platform::qt
