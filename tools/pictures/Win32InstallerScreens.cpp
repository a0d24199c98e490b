// Pictures of the installer's pages for a person to look at
// (tools/win32-installer-screenshots.sh runs it under Wine on Xvfb):
//   win32_installer_screens SETUP_EXE OUTPUT_FOLDER
// goes through the interactive setup page by page - welcome, folder, tasks,
// the list of what it did, finish - pressing the default button of each, then
// through the uninstaller - its options, its list - and writes
// setup-welcome.png, setup-folder.png, setup-tasks.png, setup-installed.png,
// setup-finish.png, uninstall-options.png and uninstall-done.png.

#include <cstdio>
#include <functional>
#include <string>

#include "Win32Picture.h"
#include "Win32TestSupport.h"

using namespace sigpatch;
using namespace sigpatch::testing;

namespace {

std::u16string output;
int failures = 0;

std::wstring textOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// Whether `check` comes true within `milliseconds`, looked at every 50 ms.
bool within(DWORD milliseconds, const std::function<bool()>& check) {
  const ULONGLONG until = ::GetTickCount64() + milliseconds;
  while (!check()) {
    if (::GetTickCount64() > until) return false;
    ::Sleep(50);
  }
  return true;
}

// The visible wizard window (a dialog of another process) whose title starts
// with `start` and ends with `end`.
HWND findWizard(const std::wstring& start, const std::wstring& end) {
  struct Search {
    std::wstring start, end;
    HWND found = nullptr;
  } search{start, end};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t type[16] = {};
        ::GetClassNameW(window, type, 16);
        const std::wstring title = textOf(window);
        if (std::wstring_view(type) == L"#32770" && ::IsWindowVisible(window) &&
            title.size() >= s.start.size() + s.end.size() && title.starts_with(s.start) &&
            title.ends_with(s.end)) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Whether a visible control of the window shows `text`.
bool shows(HWND window, const std::wstring& text) {
  struct Search {
    std::wstring text;
    bool found = false;
  } search{text};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (::IsWindowVisible(child) && textOf(child).find(s.text) != std::wstring::npos) {
          s.found = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits for the page that shows `marker`, takes its picture and presses the
// button `button` (1: Next, Install, Finish, Uninstall or Close).
void page(HWND wizard, const std::wstring& marker, const char* name, int button = 1) {
  HWND next = ::GetDlgItem(wizard, button);
  if (!within(60000, [&] {
        return shows(wizard, marker) && next != nullptr && ::IsWindowEnabled(next);
      })) {
    std::fprintf(stderr, "win32_installer_screens: no page with \"%ls\" for %s\n", marker.c_str(),
                 name);
    ++failures;
    return;
  }
  ::SetForegroundWindow(wizard);
  // The page is another process's: it is given a moment to paint.
  ::Sleep(500);
  writeFile(output + u"\\" + text::fromUtf8(name), windowPicture(wizard));
  std::printf("%s\n", name);
  ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(next));
}

HANDLE start(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started) == 0) {
    return nullptr;
  }
  ::CloseHandle(started.hThread);
  return started.hProcess;
}

HWND waitForWizard(const std::wstring& titleStart, const std::wstring& titleEnd) {
  HWND wizard = nullptr;
  within(60000, [&] { return (wizard = findWizard(titleStart, titleEnd)) != nullptr; });
  return wizard;
}

// The folder the uninstall key names.
std::wstring installedFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD size = sizeof folder;
  ::RegGetValueW(HKEY_LOCAL_MACHINE,
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sigpatch",
                 L"InstallLocation", RRF_RT_REG_SZ, nullptr, folder, &size);
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: win32_installer_screens SETUP_EXE OUTPUT_FOLDER\n");
    return 2;
  }
  const std::wstring setup = wide(hostPath(argv[1]));
  output = hostPath(argv[2]);
  ::CreateDirectoryW(wide(output).c_str(), nullptr);

  const HANDLE installer = start(setup);
  HWND wizard = installer == nullptr ? nullptr : waitForWizard(L"Sigpatch", L"Setup");
  if (wizard == nullptr) {
    std::fprintf(stderr, "win32_installer_screens: setup shows no window\n");
    return 1;
  }
  page(wizard, L"Welcome to", "setup-welcome.png");
  page(wizard, L"Choose Install Location", "setup-folder.png");
  page(wizard, L"Scheduled tasks", "setup-tasks.png");
  page(wizard, L"Installation Complete", "setup-installed.png");
  page(wizard, L"Completing", "setup-finish.png");
  ::WaitForSingleObject(installer, 60000);
  ::CloseHandle(installer);

  // The uninstaller goes on in a copy of itself, whose window is looked for.
  const std::wstring folder = installedFolder();
  const HANDLE uninstaller = folder.empty() ? nullptr : start(folder + L"\\Uninstall.exe");
  wizard = uninstaller == nullptr ? nullptr : waitForWizard(L"Uninstall Sigpatch", L"");
  if (wizard == nullptr) {
    std::fprintf(stderr, "win32_installer_screens: the uninstaller shows no window\n");
    return 1;
  }
  ::CloseHandle(uninstaller);
  page(wizard, L"Remove the settings", "uninstall-options.png");
  page(wizard, L"Uninstallation Complete", "uninstall-done.png");
  within(60000, [&] { return !::IsWindow(wizard); });
  return failures == 0 ? 0 : 1;
}
