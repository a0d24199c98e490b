// The toolkit of the console program (sigpatch-console.exe), for scripts and
// servers: the terminal toolkit on the console.

#include "app/Win32Toolkit.h"
#include "platform/tty/TtyWindowing.h"

namespace sigpatch::app {

std::unique_ptr<platform::Windowing> openWin32Toolkit(platform::ProgramInfo app,
                                                      std::u16string command) {
  return std::make_unique<platform::tty::TtyWindowing>(std::move(app), std::move(command));
}

}  // namespace sigpatch::app
