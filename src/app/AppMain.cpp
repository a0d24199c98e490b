#include "app/AppMain.h"

#include "platform/Platform.h"
#include "platform/Windowing.h"
#include "ui/frmMain.h"

namespace sigpatch {

AppMain::AppMain() : frm_(std::make_shared<frmMain>()) {}

AppMain::~AppMain() {
  // A window that is still open (pinned by the user) stays open on its own
  // and goes when the user closes it.
  if (frm_ && frm_->Form().IsLoaded()) {
    platform::windowing().KeepWhileLoaded(frm_->Form(), frm_);
  }
}

}  // namespace sigpatch
