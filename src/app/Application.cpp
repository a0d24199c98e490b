#include "app/Application.h"

#include <algorithm>
#include <exception>

#include "app/AppMain.h"
#include "app/ObjectFactory.h"
#include "app/Settings.h"
#include "cmdline/ArgumentHandler.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "registry/RegUtilities.h"
#include "runtime/ExitStatus.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "ui/About.h"
#include "ui/SelectFolder.h"
#include "ui/frmMain.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

constexpr char16_t kDefaultSwitches[] = u"/SILENT /REBOOT";
constexpr char16_t kDefaultMask[] = u"sdat*.exe";

bool isBlank(std::u16string_view text) {
  return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

// The options the program knows, by the names the parser gives them.
constexpr std::u16string_view kOptions[] = {u"PATH", u"SETDEF", u"SILENT", u"MINIMIZED", u"?"};

// The parser's name of a plain word: "PATH" and a number.
bool isPlainWord(std::u16string_view name) {
  if (name.size() <= 4 || name.substr(0, 4) != u"PATH") return false;
  return name.find_first_not_of(u"0123456789", 4) == std::u16string_view::npos;
}

// Where an exit status stands when several hold: the first of 2, 1, 3, 0.
int rank(int status) {
  switch (status) {
    case exitstatus::kBadCommandLine:
      return 0;
    case exitstatus::kFailed:
      return 1;
    case exitstatus::kStale:
      return 2;
    default:
      return 3;
  }
}

// The word of a run's result in "LatestRunResult" and the system's log.
std::u16string resultWord(const RunOutcome& outcome) {
  switch (outcome.Result) {
    case RunResult::Failed:
      return u"failed";
    case RunResult::None:
      return u"none";
    default:
      break;
  }
  if (outcome.Stale) return u"stale";
  return outcome.Result == RunResult::Installed ? u"installed" : u"nothing-newer";
}

}  // namespace

Application::Application() {
  std::u16string name;
  try {
    reg_ = std::make_unique<RegUtilities>();
    name = u"ObjectFactory";
    OF_ = std::make_unique<ObjectFactory>();
    name = u"ArgumentHandler";
    AH_ = std::make_unique<ArgumentHandler>();
    AH_->ParseCommandLine(platform::windowing().Command());
    name = u"AppMain";
    AM_ = OF_->CreateObject_AppMain(this);
    platform::windowing().Screen().SetMousePointer(toolkit::kPointerDefault);
  } catch (const std::exception&) {
    auto& window = platform::windowing();
    window.MsgBox(u"CreateObject " + name + u" failed");
    window.End(exitstatus::kFailed);
  }
}

Application::~Application() = default;

void Application::SetOF(std::unique_ptr<ObjectFactory> value) { OF_ = std::move(value); }
void Application::SetAM(std::unique_ptr<AppMain> value) { AM_ = std::move(value); }
void Application::SetAH(std::unique_ptr<ArgumentHandler> value) { AH_ = std::move(value); }

RegUtilities& Application::registry() {
  if (!reg_) reg_ = std::make_unique<RegUtilities>();
  return *reg_;
}

StringUtilities& Application::strings() {
  if (!su_) su_ = std::make_unique<StringUtilities>();
  return *su_;
}

AppMain& Application::requireAM() const {
  if (!AM_) throw RuntimeError(err::kObjectNotSet);
  return *AM_;
}

void Application::ShowAboutBox(std::int32_t Modal) {
  try {
    auto box = std::make_unique<About>();
    box->SetApplication(this);
    if (AM_ && AM_->frm() != nullptr) box->SetIcon(AM_->frm()->Form().Icon());
    box->AddText(u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]");
    box->AddText(u"  /Path\t\tSpecify a source directory");
    box->AddText(u"  /SetDef\t\tSets the specified path as default");
    box->AddText(u"  /Silent\t\tNo output to the screen");
    box->AddText(u"  /Minimized\tRun minimized");
    box->AddText(u"  /?\t\tThis information");
    box->ShowMain(Modal);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"Application", u"ShowAboutBox", e);
  }
}

void Application::Terminate() {
  OF_.reset();
  if (AM_) AM_->Terminate();
  AM_.reset();
  su_.reset();
  reg_.reset();
}

void Application::worsen(int status) {
  if (rank(status) < rank(exitStatus_)) exitStatus_ = status;
}

bool Application::settleOptions() {
  auto& window = platform::windowing();
  bool help = false;
  bool version = false;
  std::u16string invalid;
  const std::int32_t count = AH_->Arguments.Count();
  for (std::int32_t i = 1; i <= count && invalid.empty(); ++i) {
    const auto argument = AH_->GetArgumentIndex(i);
    const std::u16string name = argument->ArgumentName();
    if (std::find(std::begin(kOptions), std::end(kOptions), name) != std::end(kOptions)) continue;
    if (!isPlainWord(name)) {
      invalid = u"/" + name;
      continue;
    }
    // A plain word that looks like an option is one: "--help", "-h" ...
    const std::u16string word = argument->ArgumentValue();
    if (word.empty() || word.front() != u'-') continue;
    const std::u16string lower = text::toLower(word);
    if (lower == u"--help" || lower == u"-h" || lower == u"-?") {
      help = true;
    } else if (lower == u"--version") {
      version = true;
    } else {
      invalid = word;
    }
  }
  if (!invalid.empty()) {
    // Nothing runs on a command line the program does not understand.
    window.MsgBox(u"Invalid Argument: " + invalid, toolkit::MsgBoxStyle::Critical);
    ShowAboutBox(1);
    window.End(exitstatus::kBadCommandLine);
  }
  if (version) {
    window.WriteOut(runtime::titleLine(window.App()));
    window.End(exitstatus::kSuccess);
  }
  return help;
}

void Application::recordOutcome() {
  if (!AM_) return;
  const auto& outcome = AM_->Outcome();
  if (outcome.Result == RunResult::Failed || AM_->EndedFromOutside()) worsen(exitstatus::kFailed);
  if (outcome.Stale) worsen(exitstatus::kStale);
  if (outcome.Result == RunResult::None) return;
  std::u16string result = resultWord(outcome);
  if (!outcome.Package.empty()) result += u": " + outcome.Package;
  if (outcome.Result == RunResult::Failed) {
    result += u": " + outcome.Reason;
  } else if (outcome.Stale) {
    result += u": " + text::dec(outcome.AgeDays) + u" days old";
  }
  // Cut to what the settings key takes, so that the write cannot be refused.
  registry().TryWriteText(kSettingsKey, u"LatestRunResult",
                          result.substr(0, RegUtilities::kLongestSetting));
  platform::RunResult logged = platform::RunResult::Failed;
  if (outcome.Result != RunResult::Failed) {
    logged = outcome.Stale                            ? platform::RunResult::Stale
             : outcome.Result == RunResult::Installed ? platform::RunResult::Installed
                                                      : platform::RunResult::NothingNewer;
  }
  logRun(logged, outcome.Package, result);
}

void Application::logRun(platform::RunResult result, std::u16string_view package,
                         std::u16string_view message) {
  // Every run leaves a record in the system's log, the silent ones included.
  platform::RunRecord record;
  record.Result = result;
  record.Package = package;
  record.Folder = AM_ ? AM_->FilePath : std::u16string();
  record.ExitStatus = exitStatus_;
  record.Duration = platform::clock().Ticks() - started_;
  record.Message = message;
  record.IsError = result == platform::RunResult::Failed;
  platform::eventLog().Report(record);
}

void Application::Execute() {
  started_ = platform::clock().Ticks();
  try {
    auto& window = platform::windowing();
    if (!AH_) throw RuntimeError(err::kObjectNotSet);
    const bool help = settleOptions();
    auto& reg = registry();
    // A start that cannot be recorded tells of a store that cannot be written.
    const bool dated =
        reg.SetKeyValue(kSettingsKey, u"LatestRunDate",
                        platform::dateTimeText(platform::clock().LocalNow()), u"REG_SZ");
    const bool versioned = reg.SetKeyValue(kSettingsKey, u"LatestRunVersion",
                                           runtime::titleLine(window.App()), u"REG_SZ");
    if (!dated || !versioned) worsen(exitstatus::kFailed);
    if (AH_->SetArgumentKey(u"?") || help) {
      ShowAboutBox(1);
      window.End(exitstatus::kSuccess);
    }
    if (!AH_->SetArgumentKey(u"SILENT")) {
      requireAM().ShowMain();
      if (AH_->SetArgumentKey(u"MINIMIZED")) {
        auto* frm = requireAM().frm();
        if (frm == nullptr) throw RuntimeError(err::kObjectNotSet);
        frm->Form().SetWindowState(toolkit::kWindowMinimized);
      }
    }
    std::u16string folder = reg.GetKeyValue(kSettingsKey, u"Path", u"");
    if (folder.empty()) {
      // With no stored folder the run acts as if "/Path /SetDef" had been given,
      // unless the command line already names them: "/Path:x" on a first start
      // runs and stores x.
      if (!AH_->SetArgumentKey(u"PATH")) AH_->AddArgument(u"PATH", u"");
      if (!AH_->SetArgumentKey(u"SETDEF")) AH_->AddArgument(u"SETDEF", u"");
    }
    std::u16string switches = reg.GetKeyValue(kSettingsKey, u"SDATParam", u"");
    if (switches.empty()) {
      switches = kDefaultSwitches;
      reg.SetKeyValue(kSettingsKey, u"SDATParam", switches, u"REG_SZ");
    }
    std::u16string mask = reg.GetKeyValue(kSettingsKey, u"FileMask", u"");
    if (mask.empty()) {
      mask = kDefaultMask;
      reg.SetKeyValue(kSettingsKey, u"FileMask", mask, u"REG_SZ");
    }
    const std::int32_t count = AH_->Arguments.Count();
    for (std::int32_t i = 1; i <= count; ++i) {
      const auto argument = AH_->GetArgumentIndex(i);
      if (argument->ArgumentName() != u"PATH") continue;
      folder = argument->ArgumentValue();
      // A folder given relative to the current folder is used and stored whole.
      if (!isBlank(folder)) folder = requireAM().FSO().GetAbsolutePathName(folder);
      if (folder.empty()) {
        if (!window.CanAsk()) {
          // A boot service or a script: nobody can choose a folder.
          window.MsgBox(
              u"No source folder: none is stored, and nobody is here to choose one. Store one with "
              u"/Path:FOLDER /SetDef.");
          worsen(exitstatus::kFailed);
          constexpr char16_t kNoFolder[] = u"failed: no source folder is stored";
          registry().TryWriteText(kSettingsKey, u"LatestRunResult", kNoFolder);
          logRun(platform::RunResult::Failed, u"", kNoFolder);
          return;
        }
        const std::u16string proposed = reg.GetKeyValue(kDownloaderKey, u"LocalPath", u"");
        SelectFolder chooser;
        chooser.SetApplication(this);
        if (!proposed.empty()) chooser.SetPath(proposed);
        chooser.ShowMain();
        if (!chooser.OK()) return;
        folder = chooser.Path();
      }
      if (AH_->SetArgumentKey(u"SETDEF")) {
        reg.SetKeyValue(kSettingsKey, u"Path", folder, u"REG_SZ");
      }
    }
    pCheckForUpdates(folder, switches, mask);
  } catch (const std::exception& e) {
    worsen(exitstatus::kFailed);
    toolkit::showErrorReport(u"Application", u"Execute", e);
  }
}

void Application::pCheckForUpdates(std::u16string strFolder, std::u16string_view strSwitches,
                                   std::u16string_view strMask) {
  try {
    if (!isBlank(strFolder)) strFolder = strings().CheckPathEnding(strFolder);
    auto& controller = requireAM();
    controller.FilePath = strFolder;
    controller.FileMask = strMask;
    controller.SDATParam = strSwitches;
    controller.CheckForUpdates();
    recordOutcome();
  } catch (const std::exception& e) {
    worsen(exitstatus::kFailed);
    toolkit::showErrorReport(u"Application", u"pCheckForUpdates", e);
  }
}

}  // namespace sigpatch
