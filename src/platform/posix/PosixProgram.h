#pragma once

#include <string>

#include "runtime/ProgramInfo.h"

namespace sigpatch::platform::posix {

/// The program information of the running executable: its name and the folder
/// of the resolved /proc/self/exe (argv[0] when that cannot be read).
ProgramInfo currentProgramInfo(const char* argv0);

/// The argument string rebuilt from argv as the user would have typed it on Windows.
std::u16string argumentString(int argc, char** argv);

}  // namespace sigpatch::platform::posix
