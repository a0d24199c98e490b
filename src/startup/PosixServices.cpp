// The services of a Linux or other POSIX system: the SQLite registry store,
// the POSIX file system, processes and system, the journal, and the Qt or
// terminal toolkit.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "platform/posix/PosixEventLog.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixProgram.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/StoreLocations.h"
#include "runtime/Text.h"
#include "startup/SystemServices.h"
#include "toolkit/DesktopToolkit.h"
#include "toolkit/tty/TtyWindowing.h"

namespace sigpatch::startup {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// SIGPATCH_UI=qt|tty chooses; without it, the desktop when a display is named.
std::unique_ptr<toolkit::Windowing> openToolkit(int& argc, char** argv) {
  const auto app = platform::posix::currentProgramInfo(argv[0]);
  const auto command = platform::posix::argumentString(argc, argv);
  const std::string choice = environment("SIGPATCH_UI");
  if (!choice.empty() && choice != "qt" && choice != "tty") {
    std::fprintf(stderr, "Sigpatch: SIGPATCH_UI=%s is neither qt nor tty; ignored\n",
                 choice.c_str());
  }
  const bool display = !environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty();
  if (choice == "qt" || (choice != "tty" && display)) {
    std::string failure;
    if (auto desktop = toolkit::openDesktopToolkit(argc, argv, app, command, failure)) return desktop;
    // A build without a desktop toolkit goes to the terminal quietly unless
    // the desktop was asked for by name.
    if (choice == "qt" || failure != "this build has no desktop toolkit") {
      std::fprintf(stderr, "Sigpatch: %s; going on in the terminal\n", failure.c_str());
    }
  }
  return std::make_unique<toolkit::tty::TtyWindowing>(app, command);
}

class PosixServices final : public SystemServices {
 public:
  PosixServices(int& argc, char** argv)
      : locations_(platform::posix::StoreLocations::fromEnvironment()),
        registry_(locations_),
        system_("", locations_.machine),
        windowing_(openToolkit(argc, argv)) {
    platform::Platform services;
    services.windowing = windowing_.get();
    services.clock = &clock_;
    services.registry = &registry_;
    services.fileSystem = &fileSystem_;
    services.processes = &processes_;
    services.system = &system_;
    services.eventLog = &eventLog_;
    services.drivesAndFolders = &drivesAndFolders_;
    installed_ = std::make_unique<platform::ScopedPlatform>(services);
  }

  bool finish() override {
    const std::u16string problem = registry_.Diagnostic();
    if (problem.empty()) return true;
    windowing_->MsgBox(problem);
    return false;
  }

 private:
  platform::posix::StoreLocations locations_;
  platform::posix::SqliteRegistry registry_;
  platform::posix::PosixClock clock_;
  platform::posix::PosixFileSystemService fileSystem_;
  platform::posix::PosixProcesses processes_;
  platform::posix::PosixSystem system_;
  platform::posix::PosixEventLog eventLog_;
  platform::posix::PosixDrivesAndFolders drivesAndFolders_;
  std::unique_ptr<toolkit::Windowing> windowing_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

}  // namespace

std::unique_ptr<SystemServices> SystemServices::start(int& argc, char** argv) {
  return std::make_unique<PosixServices>(argc, argv);
}

}  // namespace sigpatch::startup
