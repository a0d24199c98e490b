#include "app/AppMain.h"

#include <chrono>
#include <exception>

#include "app/Application.h"
#include "app/PendingInstall.h"
#include "app/Settings.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/Platform.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "registry/RegUtilities.h"
#include "runtime/Colors.h"
#include "runtime/PathStyle.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "ui/frmMain.h"
#include "util/FileUtilities.h"
#include "util/ProcessUtilities.h"
#include "util/StringUtilities.h"

namespace sigpatch {

/// A package of the source folder: its name, upper-cased name and full path.
struct AppMain::Package {
  std::u16string name;
  std::u16string upperName;
  std::u16string path;
};

/// How a package's run ended: a reason when it failed, or left to a shut-down.
struct AppMain::Ending {
  std::u16string reason;
  bool leftToShutdown = false;
};

namespace {

using color::kBlack;
using color::kBlue;
using color::kRed;

// How long one wait for a package lasts before the window events run again.
constexpr std::chrono::milliseconds kWaitSlice{100};
// A package whose runs were cut short this often in one boot is not started again.
constexpr std::int32_t kMostInterruptedAttempts = 2;

// Whether the process of an identity ("<pid> <start time>") still runs.
bool processIdentityRuns(platform::Processes& processes, const std::u16string& identity) {
  const auto blank = identity.find(u' ');
  std::int32_t pid = 0;
  for (std::size_t i = 0; i < (blank == std::u16string::npos ? identity.size() : blank); ++i) {
    if (identity[i] < u'0' || identity[i] > u'9') return false;
    pid = pid * 10 + (identity[i] - u'0');
  }
  return processes.ProcessIdentity(pid) == identity;
}

// The number and the system's text of an error code: "112, There is not enough
// space on the disk."
std::u16string systemErrorText(std::int32_t code) {
  std::u16string message;
  if (!platform::system().FormatMessage(static_cast<std::uint32_t>(code), message)) {
    return text::dec(code);
  }
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) {
    message.pop_back();
  }
  return text::dec(code) + u", " + message;
}

// Catches the requests to end the program for its lifetime.
class StopRequestsCaught {
 public:
  explicit StopRequestsCaught(platform::System& system) : system_(system) {
    system_.CatchStopRequests(true);
  }
  ~StopRequestsCaught() { system_.CatchStopRequests(false); }
  StopRequestsCaught(const StopRequestsCaught&) = delete;
  StopRequestsCaught& operator=(const StopRequestsCaught&) = delete;

 private:
  platform::System& system_;
};

// The installer's command line: the package's path, quoted when it holds a
// blank so that the system cannot take a shorter path for the program, a blank
// and the switches.
std::u16string installerCommand(const std::u16string& path, const std::u16string& switches) {
  const bool blank = path.find_first_of(u" \t") != std::u16string::npos;
  return (blank ? u"\"" + path + u"\"" : path) + u" " + switches;
}

}  // namespace

AppMain::AppMain() {
  try {
    frm_ = std::make_shared<frmMain>();
    su_ = std::make_unique<StringUtilities>();
    reg_ = std::make_unique<RegUtilities>();
    pu_ = std::make_unique<ProcessUtilities>();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"Class_Initialize", e);
  }
}

AppMain::~AppMain() {
  if (!frm_) return;
  frm_->Terminate();
  // A window that is still open (pinned by the user) stays open on its own
  // and goes when the user closes it.
  if (frm_->Form().IsLoaded()) platform::windowing().KeepWhileLoaded(frm_->Form(), frm_);
}

void AppMain::InitMyObjects(Application* objA) {
  try {
    objA_ = objA;
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->InitMyObjects(objA, this);
    frm_->AboutRequested.connect([objA] {
      if (objA == nullptr) throw RuntimeError(err::kObjectNotSet);
      objA->ShowAboutBox(0);
    });
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"InitMyObjects", e);
  }
}

void AppMain::Terminate() {
  if (frm_) frm_->Terminate();
  objA_ = nullptr;
}

void AppMain::UpdateStatusBar(std::u16string_view strText) {
  try {
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->sbInfo().SetPanelText(u"Info", strText);
    frm_->sbInfo().Refresh();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"UpdateStatusBar", e);
  }
}

void AppMain::CheckForUpdates() {
  try {
    RunUpdates();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"CheckForUpdates", e);
  }
}

platform::FileSystem& AppMain::FSO() { return fileSystemOf(fso_); }

void AppMain::ShowMain() {
  try {
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->Form().Show(toolkit::ShowMode::Modeless);
    toolkit::doEvents();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"ShowMain", e);
  }
}

void AppMain::SendInfo(std::u16string_view text, std::int32_t Color) {
  try {
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->AddText(text, Color);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"AppMain", u"SendInfo", e);
  }
}

std::unique_ptr<platform::MachineLock> AppMain::takeUpdateLock() {
  auto lock = platform::system().CreateMachineLock(u"UpdateRun");
  if (!lock || lock->TryLock()) return lock;
  SendInfo(u"Waiting for the update run that is already under way...", kBlack);
  waitWhile([&lock] { return !lock->TryLock(); }, u"the other update run");
  return lock;
}

void AppMain::waitWhile(const std::function<bool()>& busy, std::u16string_view what) {
  auto& window = platform::windowing();
  auto& clock = platform::clock();
  const auto started = clock.Ticks();
  std::int64_t minutesShown = 0;
  while (busy()) {
    window.WaitForEvents(clock.Now() + std::chrono::milliseconds(250));
    const std::int64_t minutes =
        std::chrono::duration_cast<std::chrono::minutes>(clock.Ticks() - started).count();
    if (minutes <= minutesShown) continue;
    minutesShown = minutes;
    SendInfo(u"Still waiting for " + std::u16string(what) + u" (" + text::dec(minutes) +
                 (minutes == 1 ? u" minute" : u" minutes") + u")...",
             kBlack);
  }
}

void AppMain::fail(std::u16string_view package, std::u16string_view reason) {
  outcome_.Result = RunResult::Failed;
  if (!package.empty()) outcome_.Package = package;
  outcome_.Reason = reason;
}

void AppMain::settlePendingInstall() {
  auto record = PendingInstall::Read(*reg_);
  if (!record.Present()) return;
  auto& system = platform::system();
  if (record.Boot != system.BootId()) {
    // The package was running when the machine went down: an installer that
    // restarts the machine ends that way, so it counts as installed.
    const std::u16string last = reg_->GetKeyValue(kSettingsKey, u"LatestUpdate", u"");
    if (record.Package > last) {
      reg_->SetKeyValue(kSettingsKey, u"LatestUpdate", record.Package, u"REG_SZ");
      reg_->SetKeyValue(kSettingsKey, u"LatestUpdateDate",
                        platform::dateTimeText(platform::clock().LocalNow()), u"REG_SZ");
    }
    SendInfo(
        record.Package + u" was being installed when the system restarted; it counts as installed.",
        kBlack);
    PendingInstall::Clear(*reg_);
    outcome_ = {RunResult::Installed, record.Package, u""};
    return;
  }
  auto& processes = platform::processes();
  if (record.Process.empty() || !processIdentityRuns(processes, record.Process)) return;
  // A run that was killed left its package running: it is not started beside it.
  SendInfo(u"Waiting for the installation of " + record.Package + u" that is already under way...",
           kBlack);
  waitWhile([&] { return processIdentityRuns(processes, record.Process); },
            u"the installation of " + record.Package);
}

bool AppMain::mayStart(const Package& package, const platform::MachineLock* lock) {
  const auto record = PendingInstall::Read(*reg_);
  if (record.Present() && record.Package == package.upperName &&
      record.Attempts >= kMostInterruptedAttempts) {
    SendInfo(u"The installation of " + package.upperName + u" was cut short " +
                 text::dec(record.Attempts) +
                 u" times since the system started; an administrator must check it and clear the "
                 u"pending record (PendingUpdate under " +
                 std::u16string(kSettingsKey) + u").",
             kRed);
    fail(package.name, u"interrupted twice, pending record to be cleared");
    return false;
  }
  if (!waitUntilSettled(package)) return false;
  // With the program's rights, only a package nobody else could have planted
  // runs: neither it nor a folder on its path may be open to other users.
  auto& system = platform::system();
  if (system.RunsPrivileged() && wholeNumberSetting(*reg_, u"AllowUntrustedSource", 0) != 1) {
    const std::u16string who = system.WhoElseCanChange(
        package.path, reg_->GetKeyValue(kSettingsKey, u"TrustedOwner", u""));
    if (!who.empty()) {
      refuse(package, who);
      return false;
    }
  }
  // A test write before anything starts: a package that could not be recorded
  // would be installed again at every start.
  const std::u16string started = reg_->GetKeyValue(kSettingsKey, u"LatestRunDate", u"");
  const std::int32_t result = reg_->TryWriteText(
      kSettingsKey, u"LatestRunDate",
      started.empty() ? platform::dateTimeText(platform::clock().LocalNow()) : started);
  if (result != 0) {
    const std::u16string why = u"the settings cannot be written: " + systemErrorText(result);
    SendInfo(u"Nothing is installed, as " + why, kRed);
    fail(package.name, why);
    return false;
  }
  if (lock == nullptr) {
    SendInfo(u"Nothing is installed, as the update lock cannot be taken.", kRed);
    fail(package.name, u"the update lock cannot be taken");
    return false;
  }
  return true;
}

bool AppMain::waitUntilSettled(const Package& package) {
  const std::int64_t settle = wholeNumberSetting(*reg_, u"PackageSettleSeconds", 10);
  if (settle == 0) return true;
  const std::int64_t limit = wholeNumberSetting(*reg_, u"PackageSettleLimitSeconds", 600);
  auto& clock = platform::clock();
  auto& window = platform::windowing();
  const auto settleFor = std::chrono::seconds(settle);
  auto file = FSO().GetFile(package.path);
  std::int64_t size = file->Size();
  auto modified = file->DateLastModified();
  // A time in the future (a share whose clock runs ahead) tells nothing: the
  // package must then be seen standing still.
  auto stillSince = std::min(modified, clock.Now());
  if (clock.Now() - stillSince >= settleFor) return true;
  SendInfo(u"Waiting until " + package.name + u" has not changed for " + text::dec(settle) +
               u" seconds...",
           kBlack);
  const auto started = clock.Now();
  while (clock.Now() - stillSince < settleFor) {
    if (clock.Now() - started >= std::chrono::seconds(limit)) {
      SendInfo(package.name + u" is still changing after " + text::dec(limit) +
                   u" seconds; it is left for the next start.",
               kRed);
      fail(package.name, u"still being written");
      return false;
    }
    window.WaitForEvents(clock.Now() + std::chrono::seconds(1));
    file = FSO().GetFile(package.path);
    if (file->Size() != size || file->DateLastModified() != modified) {
      size = file->Size();
      modified = file->DateLastModified();
      stillSince = clock.Now();
    }
  }
  return true;
}

void AppMain::refuse(const Package& package, std::u16string_view why) {
  SendInfo(package.name + u" is not started, as " + std::u16string(why) + u".", kRed);
  fail(package.name, u"not started, as " + std::u16string(why));
}

std::u16string AppMain::privateCopy(const Package& package) {
  auto& system = platform::system();
  const std::u16string folder = system.PrivateFolder();
  if (folder.empty()) {
    refuse(package, u"there is no folder of the program's own to run it from");
    return {};
  }
  // What is checked is what runs: a copy nobody else can change.
  const std::u16string copy =
      folder + runtime::separatorOf(runtime::kNativePathStyle) + package.name;
  try {
    FSO().CopyFile(package.path, copy, true);
  } catch (const RuntimeError& e) {
    refuse(package, u"it cannot be copied: " + e.Description());
    return {};
  }
  const std::u16string anchor = reg_->GetKeyValue(kSettingsKey, system.SignatureSetting(), u"");
  if (!anchor.empty()) {
    if (const auto why = system.CheckSignature(copy, package.path, anchor); !why.empty()) {
      removeCopy(copy);
      refuse(package, why);
      return {};
    }
  }
  return copy;
}

void AppMain::removeCopy(const std::u16string& copy) {
  try {
    FSO().DeleteFile(copy, true);
  } catch (const RuntimeError&) {
    // A copy left behind is replaced by the next one.
  }
}

void AppMain::install(const Package& package) {
  auto& processes = platform::processes();
  auto& system = platform::system();
  const std::u16string copy = privateCopy(package);
  if (copy.empty()) return;
  // From here a request to end the program first ends the package.
  StopRequestsCaught caught(system);
  auto record = PendingInstall::Read(*reg_);
  const std::u16string boot = system.BootId();
  const bool again = record.Present() && record.Package == package.upperName && record.Boot == boot;
  record = {package.upperName, boot, u"", again ? record.Attempts + 1 : 1};
  // Nothing starts that could not be recorded afterwards.
  if (const std::int32_t result = record.Write(*reg_); result != 0) {
    PendingInstall::Clear(*reg_);
    removeCopy(copy);
    const std::u16string why = u"the settings cannot be written: " + systemErrorText(result);
    SendInfo(u"Nothing is installed, as " + why, kRed);
    fail(package.name, why);
    return;
  }

  SendInfo(u"Installing " + package.path + u"...", kBlue);
  toolkit::doEvents();
  platform::ProcessInformation info;
  if (!processes.CreateProcess(installerCommand(copy, SDATParam), platform::windowing().App().Path,
                               info, platform::kCreateNewProcessGroup)) {
    const std::u16string why = processes.StartFailure();
    PendingInstall::Clear(*reg_);
    removeCopy(copy);
    SendInfo(u"Installation failed!", kRed);
    SendInfo(package.name + u": " + why, kRed);
    fail(package.name, why);
    return;
  }
  record.Process = processes.ProcessIdentity(info.dwProcessId);
  reg_->TryWriteText(kSettingsKey, u"PendingProcess", record.Process);

  frm_->SetInstalling(package.name);
  const Ending ending = waitForPackage(info.hProcess);
  frm_->SetInstalling(u"");
  processes.CloseHandle(info.hProcess);
  if (ending.leftToShutdown) {
    // The record and the running copy stay: the next start counts the package
    // as installed.
    SendInfo(u"The system is shutting down; " + package.name +
                 u" is left to finish and counts as installed at the next start.",
             kBlack);
    fail(package.name, u"the system is shutting down");
    stopRequested_ = true;
    return;
  }
  removeCopy(copy);
  if (!ending.reason.empty()) {
    PendingInstall::Clear(*reg_);
    SendInfo(u"Installation failed!", kRed);
    SendInfo(package.name + u": " + ending.reason, kRed);
    fail(package.name, ending.reason);
    return;
  }
  reg_->SetKeyValue(kSettingsKey, u"LatestUpdate", package.upperName, u"REG_SZ");
  reg_->SetKeyValue(kSettingsKey, u"LatestUpdateDate",
                    platform::dateTimeText(platform::clock().LocalNow()), u"REG_SZ");
  PendingInstall::Clear(*reg_);
  outcome_ = {RunResult::Installed, package.name, u""};
}

AppMain::Ending AppMain::waitForPackage(std::int64_t handle) {
  auto& processes = platform::processes();
  auto& system = platform::system();
  auto& clock = platform::clock();
  const std::int64_t timeout = wholeNumberSetting(*reg_, u"InstallTimeoutSeconds", 0);
  const auto started = clock.Ticks();
  Ending ending;
  while (true) {
    toolkit::doEvents();
    const auto waited = processes.WaitForSingleObject(handle, kWaitSlice);
    if (waited == platform::WaitResult::Ended) break;
    if (waited == platform::WaitResult::Failed) {
      ending.reason = u"the wait for it failed";
      return ending;
    }
    std::u16string stopReason;
    if (const auto request = system.StopRequested(); !request.empty()) {
      if (system.ShuttingDown()) {
        ending.leftToShutdown = true;
        return ending;
      }
      stopReason = u"stopped, as the program was asked to end (" + request + u")";
      stopRequested_ = true;
    } else if (frm_->StopAsked()) {
      stopReason = u"stopped by the user";
    } else if (timeout > 0 && clock.Ticks() - started >= std::chrono::seconds(timeout)) {
      stopReason = u"stopped after running longer than " + text::dec(timeout) +
                   u" seconds (InstallTimeoutSeconds)";
    }
    if (!stopReason.empty()) {
      stopPackage(handle);
      ending.reason = stopReason;
      return ending;
    }
  }
  platform::ProcessExit exit;
  if (!processes.GetExitCodeProcess(handle, exit)) {
    ending.reason = u"the way it ended cannot be told";
  } else if (!exit.byItself) {
    ending.reason = exit.reason;
  }
  return ending;
}

void AppMain::stopPackage(std::int64_t handle) {
  auto& processes = platform::processes();
  auto& clock = platform::clock();
  const auto grace = std::chrono::seconds(wholeNumberSetting(*reg_, u"StopGraceSeconds", 30));
  processes.StopProcess(handle, false);
  const auto asked = clock.Ticks();
  while (processes.WaitForSingleObject(handle, kWaitSlice) == platform::WaitResult::TimedOut) {
    toolkit::doEvents();
    if (clock.Ticks() - asked >= grace) {
      processes.StopProcess(handle, true);
      // The run lets go of its lock only once the package has ended.
      while (processes.WaitForSingleObject(handle, kWaitSlice) == platform::WaitResult::TimedOut) {
        toolkit::doEvents();
      }
      return;
    }
  }
}

void AppMain::checkAge(const Package& newest) {
  const std::int64_t days = wholeNumberSetting(*reg_, u"MaxPackageAgeDays", 14);
  if (days == 0) return;
  const auto age = platform::clock().Now() - FSO().GetFile(newest.path)->DateLastModified();
  if (age <= std::chrono::hours(24 * days)) return;
  outcome_.Stale = true;
  outcome_.AgeDays = std::chrono::duration_cast<std::chrono::hours>(age).count() / 24;
  if (outcome_.Package.empty()) outcome_.Package = newest.name;
  SendInfo(u"The newest package, " + newest.name + u", is " + text::dec(outcome_.AgeDays) +
               u" days old.",
           kRed);
}

void AppMain::RunUpdates() {
  outcome_ = {};
  try {
    auto& fso = FSO();
    if (FilePath.empty()) {
      SendInfo(u"No Source path!", kRed);
      fail(u"", u"no source folder");
      return;
    }
    FileMask = text::toUpper(FileMask);
    SendInfo(u"Looking for " + FileMask + u" Updates in " + FilePath + u"...", kBlack);
    // Two runs at once (a boot run and a run by hand) must not start the same
    // package: the second waits here and then reads the last update afresh.
    const auto lock = takeUpdateLock();
    settlePendingInstall();
    const std::u16string last = reg_->GetKeyValue(kSettingsKey, u"LatestUpdate", u"");
    SendInfo(u"Last update on this PC: " + last, kBlack);
    if (!fso.FolderExists(FilePath)) {
      SendInfo(u"Folder " + FilePath + u" does not exist!", kRed);
      fail(u"", u"folder " + FilePath + u" does not exist");
      return;
    }
    Package newest;
    {
      // The listing holds the folder open: it ends here, before a package runs.
      std::u16string upper;
      const auto files = fso.GetFolder(FilePath)->ListFiles();
      while (files->Next()) {
        toolkit::doEvents();
        text::toUpper(files->Name(), upper);
        if (!su_->MatchesFileMask(upper, FileMask, false)) continue;
        const std::u16string name(files->Name());
        SendInfo(name, kBlack);
        if (upper > newest.upperName) newest = {name, upper, files->Path()};
      }
    }
    if (newest.upperName > last) {
      if (mayStart(newest, lock.get())) install(newest);
    } else if (outcome_.Result == RunResult::None) {
      outcome_ = {RunResult::NothingNewer, newest.name, u""};
    }
    if (stopRequested_) return;
    SendInfo(u"Finished!", kBlack);
    if (!newest.name.empty()) checkAge(newest);
  } catch (const std::exception& e) {
    fail(u"", errorInfoOf(e).description);
    toolkit::showErrorReport(u"AppMain", u"RunUpdates", e);
  }
}

}  // namespace sigpatch
