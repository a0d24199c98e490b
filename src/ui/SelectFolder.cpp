#include "ui/SelectFolder.h"

#include "ui/frmSelectFolder.h"

namespace sigpatch {

SelectFolder::SelectFolder(runtime::PathStyle style)
    : frm_(std::make_unique<frmSelectFolder>(style)) {}

SelectFolder::~SelectFolder() = default;

void SelectFolder::SetApplication(Application* objA) {
  objA_ = objA;
  OK_ = false;
}

void SelectFolder::ShowMain() {
  frm_->InitMyObjects(objA_, this);
  frm_->Form().Show(toolkit::ShowMode::Modal);
}

}  // namespace sigpatch
