// The terminal of a POSIX system.

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "toolkit/tty/TtyConsole.h"

namespace sigpatch::toolkit::tty {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool isJournal(std::FILE* stream) {
  const char* named = std::getenv("JOURNAL_STREAM");
  if (named == nullptr) return false;
  const char* end = named + std::strlen(named);
  unsigned long long device = 0;
  unsigned long long inode = 0;
  auto [colon, deviceFault] = std::from_chars(named, end, device);
  if (deviceFault != std::errc() || colon == end || *colon != ':') return false;
  auto [last, inodeFault] = std::from_chars(colon + 1, end, inode);
  if (inodeFault != std::errc() || last != end) return false;
  struct stat info {};
  return ::fstat(::fileno(stream), &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

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

}  // namespace sigpatch::toolkit::tty
