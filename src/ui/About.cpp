#include "ui/About.h"

#include <exception>

#include "platform/Platform.h"
#include "runtime/RuntimeError.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "ui/frmAbout.h"

namespace sigpatch {

About::About() : frm_(std::make_shared<frmAbout>()) {}

About::~About() {
  auto& form = frm_->Form();
  if (form.IsVisible()) {
    // Shown modeless: the box lives on until the user closes it.
    platform::windowing().KeepWhileLoaded(form, frm_);
  } else {
    // Never shown: nobody could close it later.
    form.Unload();
  }
}

void About::SetApplication(Application* objA) { objA_ = objA; }

void About::SetIcon(const toolkit::Picture& icon) { frm_->SetIcon(icon); }

void About::AddText(std::u16string_view strText) {
  try {
    frm_->AddText(strText);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"About", u"AddText", e);
  }
}

void About::ShowMain(std::int32_t Modal) {
  try {
    frm_->InitMyObjects(objA_);
    if (Modal != 0 && Modal != 1) throw RuntimeError(err::kInvalidProcedureCall);
    frm_->Form().Show(Modal == 1 ? toolkit::ShowMode::Modal : toolkit::ShowMode::Modeless);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"About", u"ShowMain", e);
  }
}

const std::u16string& About::Link() const { return frm_->Link(); }
void About::SetLink(std::u16string_view value) { frm_->SetLink(value); }
bool About::ShowLink() const { return frm_->ShowLink(); }
void About::SetShowLink(bool value) { frm_->SetShowLink(value); }
bool About::ShowLogo() const { return frm_->ShowLogo(); }
void About::SetShowLogo(bool value) { frm_->SetShowLogo(value); }

}  // namespace sigpatch
