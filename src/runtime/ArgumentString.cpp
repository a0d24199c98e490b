#include "runtime/ArgumentString.h"

#include <string_view>

namespace sigpatch::inline runtime {
namespace {

bool holdsBlank(std::u16string_view text) {
  return text.find_first_of(u" \t") != std::u16string_view::npos;
}

// A text in quotes; one the user already put in quotes (the usage's own form,
// typed inside the shell's quotes) stays as it is.
std::u16string quoted(std::u16string_view text) {
  if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"' &&
      text.substr(1, text.size() - 2).find(u'"') == std::u16string_view::npos) {
    return std::u16string(text);
  }
  return u"\"" + std::u16string(text) + u"\"";
}

std::u16string asTyped(const std::u16string& argument) {
  if (argument.empty()) return u"\"\"";
  if (!holdsBlank(argument)) return argument;
  const auto colon = argument.find(u':');
  if (argument.front() == u'/' && colon != std::u16string::npos &&
      !holdsBlank(std::u16string_view(argument).substr(0, colon))) {
    return argument.substr(0, colon + 1) + quoted(std::u16string_view(argument).substr(colon + 1));
  }
  return quoted(argument);
}

}  // namespace

std::u16string buildArgumentString(const std::vector<std::u16string>& arguments) {
  std::u16string command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) command += u' ';
    command += asTyped(arguments[i]);
  }
  return command;
}

}  // namespace sigpatch::runtime
