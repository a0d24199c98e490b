// The desktop toolkit as the program opens it: Qt on the display the
// environment names, checked before Qt is started, since Qt ends the process
// when it cannot open its display.

#include "app/DesktopToolkit.h"

#include "platform/qt/QtDisplayChoice.h"
#include "platform/qt/QtSystemDisplayProbe.h"
#include "platform/qt/QtWindowing.h"

namespace sigpatch::app {

std::unique_ptr<platform::Windowing> openDesktopToolkit(int& argc, char** argv,
                                                        platform::ProgramInfo app,
                                                        std::u16string command,
                                                        std::string& failure) {
  const platform::qt::QtSystemDisplayProbe probe;
  const auto chosen = platform::qt::chooseDesktopPlatform(probe, failure);
  if (!chosen) return nullptr;
  platform::qt::QtOptions options;
  options.platform = *chosen;
  return std::make_unique<platform::qt::QtWindowing>(argc, argv, std::move(app), std::move(command),
                                                     std::move(options));
}

}  // namespace sigpatch::app
