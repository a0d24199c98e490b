#pragma once

#include <memory>
#include <string>

#include "toolkit/Windowing.h"

namespace sigpatch::toolkit::qt {

/// Opens Qt on the display the environment names, checked before Qt is
/// started, since Qt ends the process when it cannot open its display; nullptr
/// and a one-line reason in `failure` when it cannot.
std::unique_ptr<Windowing> openQtDesktop(int& argc, char** argv, const runtime::ProgramInfo& app,
                                         const std::u16string& command, std::string& failure);

/// The desktop toolkit's module, sigpatch-desktop.so, exports one function by
/// this name and of this type: openQtDesktop, the toolkit handed to the caller.
/// The module finds the core's symbols in the program that loads it, so both
/// come from one build.
inline constexpr char DesktopModuleEntry[] = "sigpatch_open_desktop";
using DesktopModuleEntryFunction = Windowing*(int& argc, char** argv,
                                              const runtime::ProgramInfo& app,
                                              const std::u16string& command, std::string& failure);

}  // namespace sigpatch::toolkit::qt
