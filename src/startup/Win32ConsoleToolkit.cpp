// The toolkit of the console program (sigpatch-console.exe), for scripts and
// servers: the terminal toolkit on the console.

#include "startup/Win32Toolkit.h"
#include "toolkit/tty/TtyWindowing.h"

namespace sigpatch::startup {

std::unique_ptr<toolkit::Windowing> openWin32Toolkit(runtime::ProgramInfo app,
                                                      std::u16string command) {
  return std::make_unique<toolkit::tty::TtyWindowing>(std::move(app), std::move(command));
}

}  // namespace sigpatch::startup
