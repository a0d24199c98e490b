#include "platform/ArgumentString.h"

#include <string_view>

namespace sigpatch::platform {
namespace {

bool holdsBlank(std::u16string_view text) {
  return text.find_first_of(u" \t") != std::u16string_view::npos;
}

std::u16string quoted(std::u16string_view text) {
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

}  // namespace sigpatch::platform
