#include "app/Application.h"

#include <exception>

#include "app/AppMain.h"
#include "platform/ErrorReport.h"
#include "ui/About.h"

namespace sigpatch {

Application::Application() = default;
Application::~Application() = default;

void Application::SetAM(std::unique_ptr<AppMain> value) { AM_ = std::move(value); }

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

}  // namespace sigpatch
