// The toolkit of the windowed program (sigpatch.exe): the system's own windows.

#include "startup/Win32Toolkit.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::startup {

std::unique_ptr<toolkit::Windowing> openWin32Toolkit(runtime::ProgramInfo app,
                                                      std::u16string command) {
  return std::make_unique<toolkit::win32::Win32Windowing>(std::move(app), std::move(command));
}

}  // namespace sigpatch::startup
