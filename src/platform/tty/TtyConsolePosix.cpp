// The terminal of a POSIX system.

#include <unistd.h>

#include <cstdlib>

#include "platform/tty/TtyConsole.h"
#include "platform/tty/TtyFolders.h"

namespace sigpatch::platform::tty {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool prepareTerminal(std::FILE* /*stream*/) { return true; }

std::optional<std::string> readLine(std::FILE* in) {
  char* buffer = nullptr;
  std::size_t size = 0;
  const auto length = ::getline(&buffer, &size, in);
  std::optional<std::string> line;
  if (length >= 0) line.emplace(buffer, static_cast<std::size_t>(length));
  std::free(buffer);
  if (!line) return std::nullopt;
  while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
  return line;
}

std::unique_ptr<headless::Folders> systemFolders() { return std::make_unique<TtyFolders>(); }

}  // namespace sigpatch::platform::tty
