#pragma once

#include <optional>
#include <string>

#include "toolkit/qt/QtDisplayProbe.h"

namespace sigpatch::toolkit::qt {

/// The Qt platform to open the desktop on: "wayland" when WAYLAND_DISPLAY names
/// a display that opens (and Qt can draw on Wayland), else "xcb" when DISPLAY
/// names one that opens; QT_QPA_PLATFORM, when set, decides instead (the
/// result is then empty: Qt reads it), after the same checks for "xcb" and
/// "wayland". Nothing, and a one-line reason in `failure`, when no display can
/// be used, so that Qt is never started on a display it cannot open.
std::optional<std::string> chooseDesktopPlatform(const QtDisplayProbe& probe, std::string& failure);

}  // namespace sigpatch::toolkit::qt
