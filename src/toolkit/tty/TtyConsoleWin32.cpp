// The console of a Windows system.

#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"
#include "toolkit/tty/TtyConsole.h"

namespace sigpatch::toolkit::tty {
namespace {

HANDLE handleOf(std::FILE* stream) {
  const int fd = ::_fileno(stream);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// A console answers GetConsoleMode; a file, a pipe or the null device does not.
bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

bool isTerminal(std::FILE* stream) {
  const int fd = ::_fileno(stream);
  return fd >= 0 && ::_isatty(fd) != 0 && isConsole(handleOf(stream));
}

// Only systemd connects a program to the journal.
bool isJournal(std::FILE* /*stream*/) { return false; }

bool prepareTerminal(std::FILE* stream) {
  const HANDLE handle = handleOf(stream);
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || ::GetConsoleMode(handle, &mode) == 0) return false;
  // The lines are written in UTF-8.
  ::SetConsoleOutputCP(CP_UTF8);
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::optional<std::string> readLine(std::FILE* in) {
  const HANDLE handle = handleOf(in);
  if (isConsole(handle)) {
    // The console gives its text as UTF-16, whatever its code page.
    std::u16string line;
    while (true) {
      wchar_t buffer[256];
      DWORD read = 0;
      if (::ReadConsoleW(handle, buffer, 256, &read, nullptr) == 0 || read == 0) break;
      line.append(buffer, buffer + read);
      if (line.back() == u'\n') break;
    }
    // Ctrl-Z at the start of a line is the console's end of input.
    if (line.empty() || line.front() == u'\x1a') return std::nullopt;
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    return text::toUtf8(line);
  }
  std::string line;
  bool any = false;
  for (int c; (c = std::fgetc(in)) != EOF;) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!any) return std::nullopt;
  while (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace sigpatch::toolkit::tty
