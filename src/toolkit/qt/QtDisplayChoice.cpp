#include "toolkit/qt/QtDisplayChoice.h"

namespace sigpatch::toolkit::qt {
namespace {

std::optional<std::string> fail(std::string& failure, std::string reason) {
  failure = std::move(reason);
  return std::nullopt;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The reason why the X display cannot be used; empty when it can.
std::string xProblem(const QtDisplayProbe& probe) {
  const auto display = probe.Environment("DISPLAY");
  if (display.empty()) return "no display: DISPLAY is not set";
  if (!probe.HasPlugin("xcb")) return "Qt's X11 platform (xcb) is not installed";
  if (!probe.CanOpenX(display)) return "cannot open display " + quoted(display);
  return {};
}

// The reason why the Wayland display cannot be used; empty when it can.
std::string waylandProblem(const QtDisplayProbe& probe) {
  const auto display = probe.Environment("WAYLAND_DISPLAY");
  if (display.empty()) return "no display: WAYLAND_DISPLAY is not set";
  if (!probe.HasPlugin("wayland")) return "Qt's Wayland platform is not installed";
  if (!probe.CanOpenWayland(display)) return "cannot open Wayland display " + quoted(display);
  return {};
}

std::optional<std::string> choose(std::string platform, std::string problem, std::string& failure) {
  if (!problem.empty()) return fail(failure, std::move(problem));
  return platform;
}

}  // namespace

std::optional<std::string> chooseDesktopPlatform(const QtDisplayProbe& probe,
                                                 std::string& failure) {
  const auto forced = probe.Environment("QT_QPA_PLATFORM");
  if (!forced.empty()) {
    // "xcb", "offscreen:fontengine=freetype", "wayland;xcb": the first
    // platform named, without its options.
    const auto name = forced.substr(0, forced.find_first_of(";:"));
    if (name == "xcb") return choose("", xProblem(probe), failure);
    if (name.rfind("wayland", 0) == 0) return choose("", waylandProblem(probe), failure);
    if (!probe.HasPlugin(name)) {
      return fail(failure, "Qt's platform " + quoted(name) + " is not installed");
    }
    return std::string();
  }
  const auto wayland = probe.Environment("WAYLAND_DISPLAY");
  const auto x = probe.Environment("DISPLAY");
  if (!wayland.empty() && probe.HasPlugin("wayland") && probe.CanOpenWayland(wayland)) {
    return std::string("wayland");
  }
  if (!x.empty()) return choose("xcb", xProblem(probe), failure);
  if (!wayland.empty()) return fail(failure, waylandProblem(probe));
  return fail(failure, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
}

}  // namespace sigpatch::toolkit::qt
