#include "toolkit/tty/TtyColors.h"

#include <cstring>

namespace sigpatch::toolkit::tty {

std::string colorEscape(std::int32_t color) {
  const bool red = (color & 0xFF) >= 0x80;
  const bool green = ((color >> 8) & 0xFF) >= 0x80;
  const bool blue = ((color >> 16) & 0xFF) >= 0x80;
  const int basic = (red ? 1 : 0) | (green ? 2 : 0) | (blue ? 4 : 0);
  if (basic == 0 || basic == 7) return {};
  return "\x1b[" + std::to_string(30 + basic) + "m";
}

bool wantColors(bool isTerminal, const char* noColor, const char* term) {
  if (!isTerminal) return false;
  if (noColor != nullptr && noColor[0] != '\0') return false;
  if (term != nullptr && std::strcmp(term, "dumb") == 0) return false;
  return true;
}

}  // namespace sigpatch::toolkit::tty
