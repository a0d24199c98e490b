#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/System.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {

/// A ShellAbout call the program made.
struct AboutCall {
  std::intptr_t hWnd;
  std::u16string szApp, szOtherStuff;
  std::intptr_t hIcon;
};

/// A system whose answers a test sets and whose commands it records. An empty text stands for a
/// query that fails; paths have no long or short forms, special folders and entries are not found.
class FakeSystem : public platform::System {
 public:

  bool GetVersionEx(platform::OsVersionInfo& info) override { return info = version, versionKnown; }
  bool GetWorkArea(platform::Rect& area) override { return area = workArea, workAreaKnown; }
  bool GetComputerName(std::u16string& name) override { return answer(computerName, name); }
  bool GetUserName(std::u16string& name) override { return answer(userName, name); }
  bool GetUserDomain(std::u16string& domain) override {
    if (domainFault != 0) throw RuntimeError(domainFault);
    return answer(userDomain, domain);
  }
  std::uint32_t GetTickCount() override { return tickCount; }
  bool FormatMessage(std::uint32_t code, std::u16string& message) override {
    return answer(messages.contains(code) ? messages[code] : u"", message);
  }
  void StartScreenSaver() override { command(u"StartScreenSaver"); }
  void SetMonitorPower(std::int32_t state) override {
    command(u"SetMonitorPower " + text::dec(state));
  }
  void SetScreenSaverRunning(bool on) override { command(u"SetScreenSaverRunning", on); }
  void ShowTaskbar(bool show) override { command(u"ShowTaskbar", show); }
  void SetWindowPos(std::intptr_t, std::intptr_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t, std::uint32_t) override {}
  void ExitWindows(std::uint32_t flags) override { command(u"ExitWindows " + text::dec(flags)); }
  std::optional<platform::AboutNotice> ShellAbout(std::intptr_t hWnd, std::u16string_view app,
                                                  std::u16string_view other,
                                                  std::intptr_t hIcon) override {
    abouts.push_back({hWnd, std::u16string(app), std::u16string(other), hIcon});
    return std::nullopt;
  }
  bool GetLongPathName(std::u16string_view, std::u16string&) override { return false; }
  bool GetShortPathName(std::u16string_view, std::u16string&) override { return false; }
  bool GetWindowsDirectory(std::u16string& folder) override { return answer(windowsDir, folder); }
  bool GetSystemDirectory(std::u16string& folder) override { return answer(systemDir, folder); }
  bool GetTempPath(std::u16string& folder) override { return answer(tempPath, folder); }
  bool GetSpecialFolder(std::int32_t, std::u16string&) override { return false; }
  bool FindFirstFile(std::u16string_view) override { return false; }
  std::unique_ptr<platform::MachineLock> CreateMachineLock(std::u16string_view) override {
    return locksAvailable ? std::make_unique<Lock>(*this) : nullptr;
  }
  std::u16string BootId() override { return bootId; }
  bool ShuttingDown() override { return shuttingDown; }
  void CatchStopRequests(bool catching) override { catchCalls.push_back(catching); }
  std::u16string StopRequested() override {
    return !catchCalls.empty() && catchCalls.back() ? stopRequest : u"";
  }
  // Never privileged, so the source is not checked (tests/e2e/trust.sh checks it).
  bool RunsPrivileged() override { return false; }
  std::u16string WhoElseCanChange(std::u16string_view, std::u16string_view) override { return u""; }
  std::u16string SignatureSetting() override { return u"PackageKeyring"; }
  std::u16string CheckSignature(std::u16string_view, std::u16string_view,
                                std::u16string_view) override {
    return u"";
  }
  std::u16string PrivateFolder() override { return privateFolder; }
  std::u16string WriteWholeFile(std::u16string_view path, std::string_view bytes) override {
    return files[std::u16string(path)] = std::string(bytes), u"";
  }
  std::u16string WriteStandardOutput(std::string_view) override { return u""; }

  platform::OsVersionInfo version{6, 1, 0, 100, u"Debian GNU/Linux 12 (bookworm)"};
  platform::Rect workArea{0, 0, 1024, 738};
  bool versionKnown = true, workAreaKnown = true;
  std::u16string computerName = u"buildhost", userName = u"alice", userDomain = u"example.org";
  std::int32_t domainFault = 0;
  std::uint32_t tickCount = 0;
  std::map<std::uint32_t, std::u16string> messages;
  /// The commands in the order given ("SetMonitorPower 2").
  std::vector<std::u16string> commands;
  std::vector<AboutCall> abouts;
  std::u16string windowsDir = u"C:\\Windows", systemDir = u"C:\\Windows\\system32";
  std::u16string tempPath = u"C:\\Temp\\";
  /// Whether a machine lock can be made, for how many tries another process holds it, whether
  /// one is held.
  bool locksAvailable = true, lockHeld = false;
  int lockBusyTries = 0;
  std::u16string bootId = u"boot-1";
  /// A request to end from outside ("" none), seen while caught, and the calls to catch them.
  std::u16string stopRequest;
  bool shuttingDown = false;
  std::vector<bool> catchCalls;
  std::u16string privateFolder;
  /// The files written whole, by path.
  std::map<std::u16string, std::string> files;

 private:
  struct Lock : platform::MachineLock {
    explicit Lock(FakeSystem& owner) : system(owner) {}
    ~Lock() override { system.lockHeld = held ? false : system.lockHeld; }
    bool TryLock() override {
      if (held) return true;
      if (system.lockBusyTries > 0) return --system.lockBusyTries, false;
      return held = system.lockHeld = true;
    }
    FakeSystem& system;
    bool held = false;
  };
  static bool answer(const std::u16string& value, std::u16string& out) {
    if (!value.empty()) out = value;
    return !value.empty();
  }
  void command(std::u16string call) { commands.push_back(std::move(call)); }
  void command(std::u16string call, bool on) { command(call + (on ? u" true" : u" false")); }
};

}  // namespace sigpatch::fakes
