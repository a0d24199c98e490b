#pragma once

#include <memory>
#include <string>

#include "platform/Windowing.h"

namespace sigpatch::app {

/// The windowing toolkit of a Windows build: the system's own windows in the
/// windowed program, the terminal toolkit on the console in the console one.
std::unique_ptr<platform::Windowing> openWin32Toolkit(platform::ProgramInfo app,
                                                      std::u16string command);

}  // namespace sigpatch::app
