// The services of a Windows system: the system's registry, file system,
// processes, system, clock and Application event log, and the toolkit of the
// build (the system's windows, or the terminal toolkit on the console).

#include "platform/Platform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32EventLog.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Program.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "startup/SystemServices.h"
#include "startup/Win32Toolkit.h"

namespace sigpatch::startup {
namespace {

class Win32Services final : public SystemServices {
 public:
  Win32Services()
      : windowing_(openWin32Toolkit(platform::win32::currentProgramInfo(),
                                         platform::win32::currentArguments())) {
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

  // The system's registry has no store of ours that could be damaged.
  bool finish() override { return true; }

 private:
  platform::win32::Win32Registry registry_;
  platform::win32::Win32Clock clock_;
  platform::win32::Win32FileSystemService fileSystem_;
  platform::win32::Win32Processes processes_;
  platform::win32::Win32System system_;
  platform::win32::Win32EventLog eventLog_;
  platform::win32::Win32DrivesAndFolders drivesAndFolders_;
  std::unique_ptr<toolkit::Windowing> windowing_;
  std::unique_ptr<platform::ScopedPlatform> installed_;
};

}  // namespace

// The arguments come from the system's command line, as typed, not from argv.
std::unique_ptr<SystemServices> SystemServices::start(int& /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32Services>();
}

}  // namespace sigpatch::startup
