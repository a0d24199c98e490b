// The desktop toolkit of a build without one.

#include "app/DesktopToolkit.h"

namespace sigpatch::app {

std::unique_ptr<platform::Windowing> openDesktopToolkit(int& /*argc*/, char** /*argv*/,
                                                        platform::ProgramInfo /*app*/,
                                                        std::u16string /*command*/,
                                                        std::string& failure) {
  failure = "this build has no desktop toolkit";
  return nullptr;
}

}  // namespace sigpatch::app
