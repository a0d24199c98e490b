#pragma once

#include <string>
#include <string_view>

#include "runtime/ProgramInfo.h"

namespace sigpatch::platform::win32 {

/// The program information of the running executable: its name and folder from
/// the path of its module.
ProgramInfo currentProgramInfo();

/// The argument string of a command line: the line less the program's name (a
/// quoted name up to its closing quote, else up to the first blank or tab) and
/// the blanks and tabs after it, the rest as typed.
std::u16string argumentsOf(std::u16string_view commandLine);

/// The argument string of the running program (GetCommandLine).
std::u16string currentArguments();

}  // namespace sigpatch::platform::win32
