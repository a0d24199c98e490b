#pragma once

#include <memory>
#include <string>

#include "toolkit/Windowing.h"

namespace sigpatch::startup {

/// The windowing toolkit of a Windows build: the system's own windows in the
/// windowed program, the terminal toolkit on the console in the console one.
std::unique_ptr<toolkit::Windowing> openWin32Toolkit(runtime::ProgramInfo app,
                                                      std::u16string command);

}  // namespace sigpatch::startup
