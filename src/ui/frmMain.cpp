#include "ui/frmMain.h"

#include <chrono>
#include <cmath>
#include <exception>

#include "platform/Platform.h"
#include "resources/Pictures.h"
#include "runtime/RuntimeError.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "util/StringUtilities.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

toolkit::FormDesign design() {
  toolkit::FormDesign form;
  form.Name = u"frmMain";
  form.Caption = u"Sigpatch";
  form.ScaleWidth = 6375;
  form.ScaleHeight = 3735;
  form.KeyPreview = true;
  form.Icon = resources::kProgramIcon.Name;
  return form;
}

}  // namespace

frmMain::frmMain() {
  using toolkit::ControlDesign;
  auto& windowing = platform::windowing();
  form_ = windowing.NewForm(design());
  sbInfo_ = &form_->AddStatusBar(ControlDesign::At(u"sbInfo", 0, 0, 0, 375, 0),
                                 {{u"Info", u"Some status messages will appear here!"}});
  tboOutput_ = &form_->AddRichTextBox(ControlDesign::At(u"tboOutput", 120, 120, 5895, 3015, 1));
  auto pin = ControlDesign::At(u"imgPin", 6120, 120, 255, 255);
  pin.ToolTipText = u"Push to pin me down";
  imgPin_ = &form_->AddImage(pin, {});
  auto unpinned = ControlDesign::At(u"imgUnpinned", 6120, 480, 240, 165);
  unpinned.Visible = false;
  imgUnpinned_ = &form_->AddImage(unpinned, windowing.LoadPicture(resources::kPinUnpinned.Name));
  auto pinned = ControlDesign::At(u"imgPinned", 6120, 600, 180, 180);
  pinned.Visible = false;
  imgPinned_ = &form_->AddImage(pinned, windowing.LoadPicture(resources::kPinPinned.Name));
  form_->OnLoad = [this] { Form_Load(); };
  form_->OnResize = [this] { Form_Resize(); };
  form_->OnQueryUnload = [this](bool& Cancel) { Form_QueryUnload(Cancel); };
  form_->OnKeyUp = [this](std::int16_t KeyCode, std::int16_t Shift) { Form_KeyUp(KeyCode, Shift); };
  imgPin_->OnClick = [this] { imgPin_Click(); };
}

frmMain::~frmMain() = default;

void frmMain::InitMyObjects(Application* /*objA*/, AppMain* /*objAM*/) {
  try {
    sys_ = std::make_unique<SysUtilities>();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"InitMyObjects", e);
  }
}

void frmMain::SetInstalling(std::u16string_view package) {
  strInstalling_ = package;
  blnStopAsked_ = false;
}

void frmMain::Form_QueryUnload(bool& Cancel) {
  if (strInstalling_.empty()) return;
  // Closing the window does not leave a package running unseen: the user
  // decides, and the run ends the package itself.
  Cancel = true;
  if (blnStopAsked_) return;
  const auto answer = platform::windowing().MsgBox(
      u"Stop the installation of " + strInstalling_ + u"?", toolkit::MsgBoxStyle::YesNoQuestion);
  if (answer == toolkit::MsgBoxResult::Yes && !strInstalling_.empty()) blnStopAsked_ = true;
}

void frmMain::Form_Load() {
  try {
    const auto& app = platform::windowing().App();
    form_->SetCaption(app.Title);
    AddText(runtime::titleLine(app), 0);
    AddText(u" ", 0);
    if (!sys_) throw RuntimeError(err::kObjectNotSet);
    sys_->CenterForm(*form_);
    imgPin_->SetPicture(imgUnpinned_->Picture());
    blnPinned_ = false;
    blnFinished_ = false;
    dtLastOutput_ = platform::clock().Now();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"Form_Load", e);
  }
}

void frmMain::AddText(std::u16string_view strText, std::int32_t Color) {
  // The text as far as it is prepared; it replaces the whole box when a step fails.
  std::u16string text(strText);
  try {
    tboOutput_->SetSelStart(tboOutput_->TextLength());
    tboOutput_->SetSelLength(0);
    tboOutput_->SetSelColor(Color);
    if (!text.empty()) {
      text = StringUtilities().RTrimText(text, u"\r\n", false);
      text += u"\r\n";
    }
    tboOutput_->SetSelText(text);
    toolkit::doEvents();
    dtLastOutput_ = platform::clock().Now();
  } catch (const std::exception&) {
    tboOutput_->SetText(text);
  }
}

void frmMain::PinDown() {
  imgPin_->SetPicture(imgPinned_->Picture());
  blnPinned_ = true;
  toolkit::doEvents();
}

void frmMain::Terminate() {
  try {
    auto& clock = platform::clock();
    // The wait lets a person read the window before it closes: a window that
    // is not shown, or lines that stay on a terminal, need none.
    const bool read = form_->IsVisible() && platform::windowing().ShowsWindows();
    // The wait sleeps on the event queue until the second boundary at which
    // three whole seconds have passed; a line added meanwhile moves it on.
    while (read && platform::secondsBetween(dtLastOutput_, clock.Now()) < 3) {
      const auto deadline =
          std::chrono::floor<std::chrono::seconds>(dtLastOutput_) + std::chrono::seconds(3);
      platform::windowing().WaitForEvents(deadline);
    }
    blnFinished_ = true;
    if (!blnPinned_) form_->Unload();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"Terminate", e);
  }
}

void frmMain::FTC_FileTreeChange(std::u16string_view strText, std::int32_t /*Color*/) {
  try {
    AddText(strText);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"FTC_FileTreeChange", e);
  }
}

void frmMain::Form_KeyUp(std::int16_t KeyCode, std::int16_t /*Shift*/) {
  try {
    if (KeyCode == toolkit::kKeyF1) {
      PinDown();
      AboutRequested.raise();
    }
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"Form_KeyUp", e);
  }
}

void frmMain::Form_Resize() {
  try {
    const double margin = tboOutput_->Left();
    imgPin_->SetLeft(std::abs(form_->ScaleWidth() - margin - imgPin_->Width()));
    tboOutput_->SetWidth(std::abs(imgPin_->Left() - 2 * margin));
    tboOutput_->SetHeight(
        std::abs(form_->ScaleHeight() - sbInfo_->Height() - tboOutput_->Top() - margin));
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmMain", u"Form_Resize", e);
  }
}

void frmMain::imgPin_Click() {
  // The pin's state is read back from the picture it shows.
  if (imgPin_->Picture().Handle() == imgUnpinned_->Picture().Handle()) {
    imgPin_->SetPicture(imgPinned_->Picture());
    blnPinned_ = true;
  } else {
    imgPin_->SetPicture(imgUnpinned_->Picture());
    blnPinned_ = false;
    if (blnFinished_) form_->Unload();
  }
}

}  // namespace sigpatch
