// The desktop toolkit as the program opens it: Qt on the display the
// environment names, checked before Qt is started.

#include "toolkit/qt/DesktopModule.h"

#include "toolkit/qt/QtDisplayChoice.h"
#include "toolkit/qt/QtSystemDisplayProbe.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit::qt {

std::unique_ptr<Windowing> openQtDesktop(int& argc, char** argv, const runtime::ProgramInfo& app,
                                         const std::u16string& command, std::string& failure) {
  // The probe keeps its trial connection until Qt has made its own.
  const QtSystemDisplayProbe probe;
  const auto chosen = chooseDesktopPlatform(probe, failure);
  if (!chosen) return nullptr;
  QtOptions options;
  options.platform = *chosen;
  return std::make_unique<QtWindowing>(argc, argv, app, command, std::move(options));
}

}  // namespace sigpatch::toolkit::qt
