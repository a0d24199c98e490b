// The desktop toolkit of a build without one.

#include "toolkit/DesktopToolkit.h"

namespace sigpatch::toolkit {

std::unique_ptr<Windowing> openDesktopToolkit(int& /*argc*/, char** /*argv*/,
                                                        runtime::ProgramInfo /*app*/,
                                                        std::u16string /*command*/,
                                                        std::string& failure) {
  failure = "this build has no desktop toolkit";
  return nullptr;
}

}  // namespace sigpatch::toolkit
