// How long the windowed program's main window takes to show the lines of a
// long run (one for each file of a big folder), for bench/win32_lines.sh:
//   win32_lines_driver LINES
// prints "LINES lines: TOTAL ms, PER us a line, peak working set MB".

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Program.h"
#include "platform/win32/Win32System.h"
#include "runtime/Text.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"
#include "ui/frmMain.h"

// After <windows.h>:
#include <psapi.h>

using namespace sigpatch;

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
  toolkit::win32::Win32Windowing windowing(platform::win32::currentProgramInfo(), u"");
  platform::win32::Win32Clock clock;
  platform::win32::Win32System system;
  platform::Platform services;
  services.windowing = &windowing;
  services.clock = &clock;
  services.system = &system;
  platform::ScopedPlatform installed(services);

  frmMain window;
  window.InitMyObjects(nullptr, nullptr);
  window.Form().Show();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i) {
    window.AddText(u"sdat" + text::zeroPad(i, 6) + u".exe", i % 10 == 0 ? 0xFF0000 : 0);
  }
  const auto took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%d lines: %.0f ms, %.1f us a line, peak working set %.1f MB\n", lines, took.count(),
              took.count() * 1000 / lines, memory.PeakWorkingSetSize / 1048576.0);
  window.Form().Unload();
  return 0;
}
