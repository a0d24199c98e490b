#pragma once

// Pictures of windows for a person to look at: a window as the screen shows
// it, as the bytes of a PNG file.

#include <string>

#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::testing {

/// The window's rectangle of the screen, frame and all, as a PNG file.
std::string windowPicture(HWND window);

}  // namespace sigpatch::testing
