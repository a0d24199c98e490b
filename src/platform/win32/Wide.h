#pragma once

// The system's wide text is UTF-16, as the program's own text: the same code
// units under another type, so these are copies, not conversions.

#include <string>
#include <string_view>

namespace sigpatch::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t holds UTF-16");

/// The text as the system's wide text, terminated as the system wants it.
inline std::wstring wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

/// The system's wide text as the program's text.
inline std::u16string fromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

/// A zero-terminated wide text of the system; "" for none.
inline std::u16string fromWide(const wchar_t* text) {
  return text == nullptr ? std::u16string() : fromWide(std::wstring_view(text));
}

}  // namespace sigpatch::platform::win32
