#include "ui/frmSelectFolder.h"

#include <cmath>
#include <exception>

#include "platform/Platform.h"
#include "runtime/RuntimeError.h"
#include "toolkit/Windowing.h"
#include "ui/SelectFolder.h"
#include "util/StringUtilities.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

toolkit::Window& makeForm(std::unique_ptr<toolkit::Window>& form) {
  toolkit::FormDesign design;
  design.Name = u"frmSelectFolder";
  design.Caption = u"Select Folder";
  design.ScaleWidth = 4470;
  design.ScaleHeight = 3855;
  form = platform::windowing().NewForm(design);
  return *form;
}

}  // namespace

frmSelectFolder::frmSelectFolder(runtime::PathStyle style) : style_(style) {
  using toolkit::ControlDesign;
  makeForm(form_);
  tboPath_ = &form_->AddTextBox(ControlDesign::At(u"tboPath", 120, 120, 4215, 315, 4), {});
  drvSel_ = &form_->AddDriveListBox(ControlDesign::At(u"drvSel", 120, 480, 4215, 315, 0));
  dirSel_ = &form_->AddDirListBox(ControlDesign::At(u"dirSel", 120, 840, 4215, 2340, 1));
  toolkit::ButtonDesign ok;
  ok.Caption = u"&OK";
  cmdOK_ = &form_->AddButton(ControlDesign::At(u"cmdOK", 120, 3360, 1215, 375, 2), ok);
  toolkit::ButtonDesign cancel;
  cancel.Caption = u"&Cancel";
  cmdCancel_ = &form_->AddButton(ControlDesign::At(u"cmdCancel", 3120, 3360, 1215, 375, 3), cancel);
  form_->OnLoad = [this] { Form_Load(); };
  form_->OnResize = [this] { Form_Resize(); };
  drvSel_->OnChange = [this] { drvSel_Change(); };
  dirSel_->OnChange = [this] { dirSel_Change(); };
  tboPath_->OnGotFocus = [this] { tboPath_GotFocus(); };
  cmdOK_->OnClick = [this] { cmdOK_Click(); };
  cmdCancel_->OnClick = [this] { cmdCancel_Click(); };
}

frmSelectFolder::~frmSelectFolder() = default;

void frmSelectFolder::InitMyObjects(Application* objA, SelectFolder* objSF) {
  objA_ = objA;
  objSF_ = objSF;
  str_ = std::make_unique<StringUtilities>(style_);
  sys_ = std::make_unique<SysUtilities>();
}

void frmSelectFolder::Form_Load() {
  // A fault ends the load step silently: the dialog shows as far as it got.
  try {
    platform::windowing().Screen().SetMousePointer(toolkit::kPointerDefault);
    if (!sys_ || objSF_ == nullptr) throw RuntimeError(err::kObjectNotSet);
    sys_->CenterForm(*form_);
    objSF_->SetOK(false);
    if (!objSF_->Path().empty()) {
      drvSel_->SetDrive(objSF_->Path());
      dirSel_->SetPath(objSF_->Path());
    } else {
      drvSel_Change();
    }
  } catch (const std::exception&) {
  }
}

void frmSelectFolder::drvSel_Change() {
  // A drive that cannot be opened leaves the folder list as it was.
  try {
    dirSel_->SetPath(drvSel_->Drive());
  } catch (const std::exception&) {
  }
}

void frmSelectFolder::dirSel_Change() {
  if (!str_) throw RuntimeError(err::kObjectNotSet);
  tboPath_->SetText(str_->CheckPathEnding(dirSel_->Path()));
}

void frmSelectFolder::tboPath_GotFocus() {
  tboPath_->SetSelStart(0);
  tboPath_->SetSelLength(static_cast<std::int32_t>(tboPath_->Text().size()));
}

void frmSelectFolder::cmdOK_Click() {
  platform::windowing().Screen().SetMousePointer(toolkit::kPointerHourglass);
  if (!str_ || objSF_ == nullptr) throw RuntimeError(err::kObjectNotSet);
  objSF_->SetPath(str_->CheckPathEnding(tboPath_->Text()));
  objSF_->SetOK(true);
  form_->Unload();
}

void frmSelectFolder::cmdCancel_Click() { form_->Unload(); }

void frmSelectFolder::Form_Resize() {
  const double m = cmdOK_->Left();
  const double W = form_->ScaleWidth();
  const double H = form_->ScaleHeight();
  cmdOK_->SetTop(std::abs(H - cmdOK_->Height() - m));
  cmdCancel_->SetTop(std::abs(H - cmdCancel_->Height() - m));
  cmdCancel_->SetLeft(std::abs(W - cmdCancel_->Width() - m));
  tboPath_->SetWidth(std::abs(W - 2 * tboPath_->Left()));
  drvSel_->SetWidth(std::abs(W - 2 * drvSel_->Left()));
  dirSel_->SetWidth(std::abs(W - 2 * dirSel_->Left()));
  dirSel_->SetHeight(std::abs(cmdOK_->Top() - dirSel_->Top() - dirSel_->Left()));
}

}  // namespace sigpatch
