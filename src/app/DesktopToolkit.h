#pragma once

#include <memory>
#include <string>

#include "platform/Windowing.h"

namespace sigpatch::app {

/// Opens the desktop toolkit on the display the environment names; nullptr and a
/// one-line reason in `failure` when it cannot.
std::unique_ptr<platform::Windowing> openDesktopToolkit(int& argc, char** argv,
                                                        platform::ProgramInfo app,
                                                        std::u16string command,
                                                        std::string& failure);

}  // namespace sigpatch::app
