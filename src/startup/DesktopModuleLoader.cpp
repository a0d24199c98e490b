// The desktop toolkit of a build with Qt: the module sigpatch-desktop.so,
// loaded only when the program opens a window, so that a start on the terminal
// loads no Qt and a system without a display needs none. The module uses the
// program's own copy of the layers below it (the program exports their
// symbols), so it is the one of the same build: SIGPATCH_DESKTOP_MODULE,
// relative to the program's folder, where the build and the install put it.

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "runtime/Text.h"
#include "toolkit/DesktopToolkit.h"
#include "toolkit/qt/DesktopModule.h"

namespace sigpatch::toolkit {

std::unique_ptr<Windowing> openDesktopToolkit(int& argc, char** argv, runtime::ProgramInfo app,
                                              std::u16string command, std::string& failure) {
  const std::string path =
      std::filesystem::path(text::toUtf8(app.Path) + "/" SIGPATCH_DESKTOP_MODULE)
          .lexically_normal();
  if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
    failure = "the desktop toolkit is not installed (" + path + ")";
    return nullptr;
  }
  // Every symbol bound at once, so that a module of another build fails here
  // and not in a window. It stays loaded for the life of the process, as Qt
  // must.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    failure = std::string("the desktop toolkit cannot be loaded: ") + ::dlerror();
    return nullptr;
  }
  auto* open =
      reinterpret_cast<qt::DesktopModuleEntryFunction*>(::dlsym(module, qt::DesktopModuleEntry));
  if (open == nullptr) {
    failure = path + " is not the desktop toolkit of this program";
    return nullptr;
  }
  return std::unique_ptr<Windowing>(open(argc, argv, app, command, failure));
}

}  // namespace sigpatch::toolkit
