#pragma once

#include <memory>
#include <string>

#include "toolkit/Windowing.h"

namespace sigpatch::toolkit {

/// Opens the desktop toolkit on the display the environment names; nullptr and a
/// one-line reason in `failure` when it cannot. The program's start brings it:
/// from the module of the Qt toolkit, or none in a build without Qt.
std::unique_ptr<Windowing> openDesktopToolkit(int& argc, char** argv,
                                               runtime::ProgramInfo app,
                                               std::u16string command,
                                               std::string& failure);

}  // namespace sigpatch::toolkit
