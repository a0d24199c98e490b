// The entry procedure. For now it shows the usage text; the update run follows.

#include "cmdline/ArgumentHandler.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/PosixProgram.h"
#include "platform/posix/PosixSystem.h"
#include "platform/tty/TtyWindowing.h"

using namespace sigpatch;

int main(int argc, char** argv) {
  platform::tty::TtyWindowing window(platform::posix::currentProgramInfo(argv[0]),
                                     platform::posix::argumentString(argc, argv));
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixProcesses processes;
  platform::posix::PosixSystem system;
  platform::Platform services;
  services.windowing = &window;
  services.clock = &clock;
  services.fileSystem = &fileSystem;
  services.processes = &processes;
  services.system = &system;
  platform::ScopedPlatform installed(services);

  ArgumentHandler arguments;
  arguments.ParseCommandLine(window.Command());
  const char16_t* usage[] = {
      u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]",
      u"  /Path\t\tSpecify a source directory",
      u"  /SetDef\t\tSets the specified path as default",
      u"  /Silent\t\tNo output to the screen",
      u"  /Minimized\tRun minimized",
      u"  /?\t\tThis information",
  };
  std::printf("%s\n\n", text::toUtf8(platform::titleLine(window.App())).c_str());
  for (const auto* line : usage) std::printf("%s\n", text::toUtf8(line).c_str());
  return 0;
}
