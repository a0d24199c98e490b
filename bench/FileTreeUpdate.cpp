// Runs FileTree.UpdateTree once, as the program would, for timing by
// bench/filetree_update.sh:
//   bench_filetree SOURCE DESTINATION [--only-log-errors]
// The real POSIX services and the terminal toolkit; the main window is shown
// and its lines go to /dev/null (pass --lines to see them). Exit status 0 when
// UpdateTree reports every item up to date, 1 otherwise.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/ObjectFactory.h"
#include "platform/Platform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProgram.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "toolkit/tty/TtyWindowing.h"
#include "ui/frmMain.h"
#include "util/FileTree.h"

using namespace sigpatch;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SOURCE DESTINATION [--only-log-errors] [--lines]\n", argv[0]);
    return 2;
  }
  bool onlyLogErrors = false;
  bool showLines = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--only-log-errors") == 0) onlyLogErrors = true;
    if (std::strcmp(argv[i], "--lines") == 0) showLines = true;
  }

  std::FILE* out = showLines ? stdout : std::fopen("/dev/null", "w");
  if (out == nullptr) return 2;
  toolkit::tty::TtyWindowing window(platform::posix::currentProgramInfo(argv[0]), u"",
                                     toolkit::tty::TtyOptions{}, out);
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService fileSystem;
  platform::posix::PosixSystem system;
  platform::Platform services;
  services.windowing = &window;
  services.clock = &clock;
  services.fileSystem = &fileSystem;
  services.system = &system;
  platform::ScopedPlatform installed(services);

  Application app;
  frmMain& frm = *app.AM()->frm();
  frm.Form().Show();
  auto tree =
      app.OF()->CreateObject_FileTree(&app, text::fromUtf8(argv[1]), text::fromUtf8(argv[2]));
  if (!tree) return 2;
  tree->OnlyLogErrors = onlyLogErrors;
  tree->FileTreeChange.connect([&frm](std::u16string_view strText, std::int32_t& Color) {
    frm.FTC_FileTreeChange(strText, Color);
  });
  const bool ok = tree->UpdateTree();
  std::fflush(nullptr);
  // The main window stays three seconds after its last line before it closes:
  // that belongs to the program's end, not to the copy, so the driver leaves
  // at once.
  std::_Exit(ok ? 0 : 1);
}
