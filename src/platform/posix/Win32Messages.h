#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::platform::posix {

/// The Windows system text (English) of a Win32 error code that this program
/// meets, as FormatMessage gives it, with its trailing "\r\n". False for a code
/// without a text here, and for a text that needs inserts ("%1").
bool win32MessageText(std::uint32_t code, std::u16string& text);

}  // namespace sigpatch::platform::posix
