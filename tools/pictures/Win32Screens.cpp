// Pictures of the program's windows on the Windows toolkit, for a person to
// look at (tools/win32-screenshots.sh runs it under Wine on Xvfb):
//   win32_screens OUTPUT_FOLDER
// writes main-running.png (sigpatch.exe during a real update run, its package
// still installing), about.png (the About box that F1 opened over it),
// main-finished-pinned.png (the same window after the run, pinned by F1),
// folder.png (the folder chooser), splash.png and message.png (a message box
// with the critical-stop icon), each as the screen shows it.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Win32Picture.h"
#include "Win32TestSupport.h"
#include "Win32TrustSupport.h"
#include "Win32WindowedProgram.h"
#include "fakes/FakeRegistry.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Program.h"
#include "platform/win32/Win32System.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"
#include "toolkit/win32/Win32Windowing.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"

using namespace sigpatch;
using namespace sigpatch::testing;

namespace {

std::u16string output;
int failures = 0;

// Lets the windows paint: the program's own by its queue, another's by time.
void settle(unsigned milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < milliseconds) {
    platform::windowing().DoEvents();
    ::Sleep(20);
  }
}

// The window as the screen shows it, frame and all.
void shoot(HWND window, const char* name) {
  if (window == nullptr) {
    std::fprintf(stderr, "win32_screens: no window for %s\n", name);
    ++failures;
    return;
  }
  ::SetForegroundWindow(window);
  ::BringWindowToTop(window);
  settle(400);
  writeFile(output + u"\\" + text::fromUtf8(name), windowPicture(window));
  std::printf("%s\n", name);
}

std::map<UINT_PTR, std::function<void()>> later;

void runLater(std::function<void()> action, unsigned milliseconds) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, [](HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    auto due = std::move(later[timer]);
    later.erase(timer);
    if (due) due();
  });
  later[id] = std::move(action);
}

// sigpatch.exe during a real run: a package that installs for three seconds.
void realRun() {
  TempFolder work{u"sigpatch screens "};
  const std::u16string updates = work / u"Updates";
  ::CreateDirectoryW(wide(updates).c_str(), nullptr);
  ::CopyFileW(wide(builtProgram(SIGPATCH_RECORD_PROBE)).c_str(),
              wide(updates + u"\\sdat4400.exe").c_str(), FALSE);
  ::CopyFileW(wide(builtProgram(SIGPATCH_SLEEP3_PROBE)).c_str(),
              wide(updates + u"\\sdat4500.exe").c_str(), FALSE);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Ferrolite\\Sigpatch");
  // The run, as an administrator under Wine, trusts the prefix's account,
  // which every file belongs to.
  const std::wstring account = wide(sigpatch::testing::testAccount());
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Ferrolite\\Sigpatch", L"TrustedOwner", REG_SZ,
                    account.c_str(), static_cast<DWORD>((account.size() + 1) * sizeof(wchar_t)));
  WindowedProgram program(builtProgram(SIGPATCH_EXE), u"/Path:\"" + updates + u"\"", work.path(),
                          work / u"record.txt");
  HWND window = program.WaitForWindow(u"Sigpatch");
  if (window == nullptr) return shoot(nullptr, "main-running.png");
  waitFor(
      [&] { return WindowedProgram::BoxText(window).find(u"Installing") != std::u16string::npos; },
      20000);
  shoot(window, "main-running.png");
  WindowedProgram::PressKey(window, VK_F1);
  HWND about = program.WaitForWindow(u"About Sigpatch", 5000);
  shoot(about, "about.png");
  if (about != nullptr) ::PostMessageW(about, WM_CLOSE, 0, 0);
  waitFor(
      [&] { return WindowedProgram::BoxText(window).find(u"Finished!") != std::u16string::npos; },
      20000);
  shoot(window, "main-finished-pinned.png");
  if (HWND pin = WindowedProgram::FirstImage(window)) WindowedProgram::Click(pin);
  program.WaitForExit(10000);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Ferrolite\\Sigpatch");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: win32_screens OUTPUT_FOLDER\n");
    return 2;
  }
  output = hostPath(argv[1]);
  ::CreateDirectoryW(wide(output).c_str(), nullptr);

  toolkit::win32::Win32Windowing windowing(platform::win32::currentProgramInfo(), u"");
  platform::win32::Win32Clock clock;
  platform::win32::Win32System system;
  fakes::FakeRegistry registry;
  platform::win32::Win32DrivesAndFolders drivesAndFolders;
  platform::Platform services;
  services.windowing = &windowing;
  services.clock = &clock;
  services.system = &system;
  services.registry = &registry;
  services.drivesAndFolders = &drivesAndFolders;
  platform::ScopedPlatform installed(services);

  realRun();

  {
    SelectFolder chooser;
    chooser.SetApplication(nullptr);
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    chooser.SetPath(fromWide(temp));
    runLater(
        [&] {
          auto* form = windowing.FindForm(u"frmSelectFolder");
          shoot(form != nullptr ? form->Handle() : nullptr, "folder.png");
          if (form != nullptr) form->Unload();
        },
        200);
    chooser.ShowMain();
  }
  {
    Splash splash;
    splash.ShowMain();
    splash.AddText(u"Checking for updates...");
    auto* form = windowing.FindForm(u"frmSplash");
    shoot(form != nullptr ? form->Handle() : nullptr, "splash.png");
  }
  runLater(
      [] {
        HWND box = nullptr;
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND window, LPARAM found) -> BOOL {
              wchar_t type[16] = {};
              ::GetClassNameW(window, type, 16);
              if (std::wstring_view(type) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
              *reinterpret_cast<HWND*>(found) = window;
              return FALSE;
            },
            reinterpret_cast<LPARAM>(&box));
        shoot(box, "message.png");
        if (box != nullptr) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      300);
  windowing.MsgBox(u"Duplicate Argument: PATH", toolkit::MsgBoxStyle::Critical);
  return failures == 0 ? 0 : 1;
}
