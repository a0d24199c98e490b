// The desktop toolkit as the program opens it: Qt on the display the
// environment names, checked before Qt is started, since Qt ends the process
// when it cannot open its display.

#include "toolkit/DesktopToolkit.h"

#include "toolkit/qt/QtDisplayChoice.h"
#include "toolkit/qt/QtSystemDisplayProbe.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit {

std::unique_ptr<Windowing> openDesktopToolkit(int& argc, char** argv,
                                                        runtime::ProgramInfo app,
                                                        std::u16string command,
                                                        std::string& failure) {
  const toolkit::qt::QtSystemDisplayProbe probe;
  const auto chosen = toolkit::qt::chooseDesktopPlatform(probe, failure);
  if (!chosen) return nullptr;
  toolkit::qt::QtOptions options;
  options.platform = *chosen;
  return std::make_unique<toolkit::qt::QtWindowing>(argc, argv, std::move(app), std::move(command),
                                                     std::move(options));
}

}  // namespace sigpatch::toolkit
