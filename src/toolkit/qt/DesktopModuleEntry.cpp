// The one function of the desktop toolkit's module that the program calls
// (DesktopModule.h); built into the module alone.

#include <type_traits>

#include "toolkit/qt/DesktopModule.h"

extern "C" __attribute__((visibility("default"))) sigpatch::toolkit::Windowing*
sigpatch_open_desktop(int& argc, char** argv, const sigpatch::runtime::ProgramInfo& app,
                      const std::u16string& command, std::string& failure) {
  return sigpatch::toolkit::qt::openQtDesktop(argc, argv, app, command, failure).release();
}

static_assert(std::is_same_v<decltype(sigpatch_open_desktop),
                             sigpatch::toolkit::qt::DesktopModuleEntryFunction>);
