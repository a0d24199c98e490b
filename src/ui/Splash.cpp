#include "ui/Splash.h"

#include "ui/frmSplash.h"

namespace sigpatch {

Splash::Splash() : frm_(std::make_unique<frmSplash>()) {}

Splash::~Splash() { frm_->Form().Unload(); }

void Splash::ShowMain() { frm_->Form().Show(toolkit::ShowMode::Modeless); }

void Splash::AddText(std::u16string strText) { frm_->AddText(strText); }

}  // namespace sigpatch
