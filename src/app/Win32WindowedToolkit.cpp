// The toolkit of the windowed program (sigpatch.exe): the system's own windows.

#include "app/Win32Toolkit.h"
#include "platform/win32/Win32Windowing.h"

namespace sigpatch::app {

std::unique_ptr<platform::Windowing> openWin32Toolkit(platform::ProgramInfo app,
                                                      std::u16string command) {
  return std::make_unique<platform::win32::Win32Windowing>(std::move(app), std::move(command));
}

}  // namespace sigpatch::app
