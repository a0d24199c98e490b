#include "app/AppMain.h"

#include <chrono>
#include <exception>

#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "platform/Platform.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/Windowing.h"
#include "registry/RegUtilities.h"
#include "ui/frmMain.h"
#include "util/ProcessUtilities.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

constexpr char16_t kSettingsKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";
constexpr std::int32_t kBlack = 0;
constexpr std::int32_t kRed = 255;
constexpr std::int32_t kBlue = 16711680;

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
    showErrorReport(u"AppMain", u"Class_Initialize", e);
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
  } catch (const std::exception& e) {
    showErrorReport(u"AppMain", u"InitMyObjects", e);
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
    showErrorReport(u"AppMain", u"UpdateStatusBar", e);
  }
}

void AppMain::CheckForUpdates() {
  try {
    RunUpdates();
  } catch (const std::exception& e) {
    showErrorReport(u"AppMain", u"CheckForUpdates", e);
  }
}

platform::FileSystem& AppMain::FSO() {
  return platform::fileSystemOf(fso_);
}

void AppMain::ShowMain() {
  try {
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->Form().Show(platform::ShowMode::Modeless);
    platform::doEvents();
  } catch (const std::exception& e) {
    showErrorReport(u"AppMain", u"ShowMain", e);
  }
}

void AppMain::SendInfo(std::u16string_view text, std::int32_t Color) {
  try {
    if (!frm_) throw RuntimeError(err::kObjectNotSet);
    frm_->AddText(text, Color);
  } catch (const std::exception& e) {
    showErrorReport(u"AppMain", u"SendInfo", e);
  }
}

std::unique_ptr<platform::MachineLock> AppMain::takeUpdateLock() {
  auto lock = platform::system().CreateMachineLock(u"UpdateRun");
  if (!lock || lock->TryLock()) return lock;
  SendInfo(u"Waiting for the update run that is already under way...", kBlack);
  auto& window = platform::windowing();
  auto& clock = platform::clock();
  while (!lock->TryLock()) window.WaitForEvents(clock.Now() + std::chrono::milliseconds(250));
  return lock;
}

void AppMain::RunUpdates() {
  try {
    auto& fso = FSO();
    if (FilePath.empty()) {
      SendInfo(u"No Source path!", kRed);
      return;
    }
    FileMask = text::toUpper(FileMask);
    SendInfo(u"Looking for " + FileMask + u" Updates in " + FilePath + u"...", kBlack);
    // Two runs at once (a boot run and a run by hand) must not start the same
    // package: the second waits here and then reads the last update afresh.
    const auto lock = takeUpdateLock();
    const std::u16string last = reg_->GetKeyValue(kSettingsKey, u"LatestUpdate", u"");
    SendInfo(u"Last update on this PC: " + last, kBlack);
    if (!fso.FolderExists(FilePath)) {
      SendInfo(u"Folder " + FilePath + u" does not exist!", kRed);
      return;
    }
    std::u16string newestName;
    std::u16string newestPath;
    for (const auto& file : fso.GetFolder(FilePath)->Files()) {
      platform::doEvents();
      const std::u16string name = file->Name();
      const std::u16string upper = text::toUpper(name);
      if (!su_->MatchesFileMask(upper, FileMask, false)) continue;
      SendInfo(name, kBlack);
      if (upper > newestName) {
        newestName = upper;
        newestPath = file->Path();
      }
    }
    if (newestName > last) {
      SendInfo(u"Installing " + newestPath + u"...", kBlue);
      platform::doEvents();
      if (pu_->ShellWait(installerCommand(newestPath, SDATParam), u"") != 0) {
        SendInfo(u"Installation failed!", kRed);
      } else {
        reg_->SetKeyValue(kSettingsKey, u"LatestUpdate", newestName, u"REG_SZ");
        reg_->SetKeyValue(kSettingsKey, u"LatestUpdateDate",
                          platform::dateTimeText(platform::clock().LocalNow()), u"REG_SZ");
      }
    }
    SendInfo(u"Finished!", kBlack);
  } catch (const std::exception& e) {
    showErrorReport(u"AppMain", u"RunUpdates", e);
  }
}

}  // namespace sigpatch
