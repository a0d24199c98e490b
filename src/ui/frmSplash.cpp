#include "ui/frmSplash.h"

#include <chrono>

#include "platform/Platform.h"
#include "resources/Pictures.h"
#include "toolkit/Windowing.h"

namespace sigpatch {
namespace {

toolkit::Window& makeForm(std::unique_ptr<toolkit::Window>& form) {
  toolkit::FormDesign design;
  design.Name = u"frmSplash";
  design.ScaleWidth = 4950;
  design.ScaleHeight = 3750;
  design.BorderStyle = toolkit::FormBorderStyle::FixedDialog;
  design.ControlBox = false;
  design.MinButton = false;
  design.MaxButton = false;
  design.ShowInTaskbar = false;
  design.StartUpPosition = toolkit::StartUpPosition::CenterScreen;
  form = platform::windowing().NewForm(design);
  return *form;
}

}  // namespace

frmSplash::frmSplash() {
  using toolkit::ControlDesign;
  makeForm(form_);
  imgLogo_ = &form_->AddImage(ControlDesign::At(u"imgLogo", 240, 240, 480, 480),
                              platform::windowing().LoadPicture(resources::kProgramIcon.Name));
  toolkit::LabelDesign product;
  product.Caption = u"MyApp";
  product.Font.Name = u"Arial";
  product.Font.Size = 27.75;
  product.Font.Bold = true;
  lblProductName_ =
      &form_->AddLabel(ControlDesign::At(u"lblProductName", 1560, 120, 1860, 660), product);
  toolkit::TextBoxDesign lines;
  lines.MultiLine = true;
  lines.Locked = true;
  tboText_ = &form_->AddTextBox(ControlDesign::At(u"tboText", 120, 960, 4695, 2655), lines);
  form_->OnLoad = [this] { Form_Load(); };
  form_->OnUnload = [this] { Form_Unload(); };
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load() {
  dtLoaded_ = platform::clock().Now();
  const auto& app = platform::windowing().App();
  lblProductName_->SetCaption(app.Title);
  AddText(runtime::titleLine(app));
  AddText(app.CompanyName);
}

void frmSplash::AddText(std::u16string_view strText) {
  tboText_->SetSelStart(static_cast<std::int32_t>(tboText_->Text().size()));
  tboText_->SetSelText(std::u16string(strText) + u"\r\n");
  toolkit::doEvents();
}

void frmSplash::Form_Unload() {
  // However the window is closed, it goes no sooner than two whole seconds
  // (on the clock's second boundaries) after its load began.
  auto& clock = platform::clock();
  while (platform::secondsBetween(dtLoaded_, clock.Now()) < 2) {
    platform::windowing().WaitForEvents(std::chrono::floor<std::chrono::seconds>(dtLoaded_) +
                                        std::chrono::seconds(2));
  }
}

}  // namespace sigpatch
