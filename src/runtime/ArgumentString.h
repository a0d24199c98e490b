#pragma once

#include <string>
#include <vector>

namespace sigpatch::inline runtime {

/// The argument string as the user would have typed it on Windows, rebuilt from
/// the separate arguments of a POSIX start: joined by a blank; an argument that
/// holds a blank or a tab is quoted (for a switch "/Name:value" the value part,
/// else the whole argument); an empty argument becomes "".
std::u16string buildArgumentString(const std::vector<std::u16string>& arguments);

}  // namespace sigpatch::runtime
