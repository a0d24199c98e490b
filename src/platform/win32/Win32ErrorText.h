#pragma once

#include <string>

#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {

/// The system's text of an error code or status, without its closing line
/// break, blanks and full stop, for use inside a sentence; "" when the system
/// has no text for it.
std::u16string systemErrorText(DWORD code);

}  // namespace sigpatch::platform::win32
