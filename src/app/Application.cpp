#include "app/Application.h"

#include <exception>

#include "app/AppMain.h"
#include "app/ObjectFactory.h"
#include "app/Settings.h"
#include "cmdline/ArgumentHandler.h"
#include "platform/Clock.h"
#include "platform/ErrorReport.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/Windowing.h"
#include "registry/RegUtilities.h"
#include "ui/About.h"
#include "ui/SelectFolder.h"
#include "ui/frmMain.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

constexpr char16_t kDownloaderKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigfetch";
constexpr char16_t kDefaultSwitches[] = u"/SILENT /REBOOT";
constexpr char16_t kDefaultMask[] = u"sdat*.exe";

bool isBlank(std::u16string_view text) {
  return text.find_first_not_of(u' ') == std::u16string_view::npos;
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
    platform::windowing().Screen().SetMousePointer(platform::kPointerDefault);
  } catch (const std::exception&) {
    auto& window = platform::windowing();
    window.MsgBox(u"CreateObject " + name + u" failed");
    window.End();
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
    box->AddText(u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]");
    box->AddText(u"  /Path\t\tSpecify a source directory");
    box->AddText(u"  /SetDef\t\tSets the specified path as default");
    box->AddText(u"  /Silent\t\tNo output to the screen");
    box->AddText(u"  /Minimized\tRun minimized");
    box->AddText(u"  /?\t\tThis information");
    box->ShowMain(Modal);
  } catch (const std::exception& e) {
    showErrorReport(u"Application", u"ShowAboutBox", e);
  }
}

void Application::Terminate() {
  OF_.reset();
  if (AM_) AM_->Terminate();
  AM_.reset();
  su_.reset();
  reg_.reset();
}

void Application::Execute() {
  try {
    auto& window = platform::windowing();
    auto& reg = registry();
    reg.SetKeyValue(kSettingsKey, u"LatestRunDate",
                    platform::dateTimeText(platform::clock().LocalNow()), u"REG_SZ");
    reg.SetKeyValue(kSettingsKey, u"LatestRunVersion", platform::titleLine(window.App()),
                    u"REG_SZ");
    if (!AH_) throw RuntimeError(err::kObjectNotSet);
    if (AH_->SetArgumentKey(u"?")) {
      ShowAboutBox(1);
      window.End();
    }
    if (!AH_->SetArgumentKey(u"SILENT")) {
      requireAM().ShowMain();
      if (AH_->SetArgumentKey(u"MINIMIZED")) {
        auto* frm = requireAM().frm();
        if (frm == nullptr) throw RuntimeError(err::kObjectNotSet);
        frm->Form().SetWindowState(platform::kWindowMinimized);
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
      if (folder.empty()) {
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
    showErrorReport(u"Application", u"Execute", e);
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
  } catch (const std::exception& e) {
    showErrorReport(u"Application", u"pCheckForUpdates", e);
  }
}

}  // namespace sigpatch
