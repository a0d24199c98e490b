#include "platform/win32/Win32ErrorText.h"

#include <string_view>

#include "platform/win32/Wide.h"

namespace sigpatch::platform::win32 {

std::u16string systemErrorText(DWORD code) {
  wchar_t buffer[512] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, 512, nullptr);
  while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                        buffer[length - 1] == L'.' || buffer[length - 1] == L' ')) {
    --length;
  }
  return fromWide(std::wstring_view(buffer, length));
}

}  // namespace sigpatch::platform::win32
