#include "ui/frmSplash.h"

#include <chrono>

#include "platform/Platform.h"
#include "platform/Windowing.h"
#include "resources/Pictures.h"

namespace sigpatch {
namespace {

platform::Window& makeForm(std::unique_ptr<platform::Window>& form) {
  platform::FormDesign design;
  design.Name = u"frmSplash";
  design.ScaleWidth = 4950;
  design.ScaleHeight = 3750;
  design.BorderStyle = platform::FormBorderStyle::FixedDialog;
  design.ControlBox = false;
  design.MinButton = false;
  design.MaxButton = false;
  design.ShowInTaskbar = false;
  design.StartUpPosition = platform::StartUpPosition::CenterScreen;
  form = platform::windowing().NewForm(design);
  return *form;
}

}  // namespace

frmSplash::frmSplash() {
  using platform::ControlDesign;
  makeForm(form_);
  imgLogo_ = &form_->AddImage(ControlDesign::At(u"imgLogo", 240, 240, 480, 480),
                              platform::windowing().LoadPicture(resources::kProgramIcon.Name));
  platform::LabelDesign product;
  product.Caption = u"MyApp";
  product.Font.Name = u"Arial";
  product.Font.Size = 27.75;
  product.Font.Bold = true;
  lblProductName_ =
      &form_->AddLabel(ControlDesign::At(u"lblProductName", 1560, 120, 1860, 660), product);
  platform::TextBoxDesign lines;
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
  AddText(platform::titleLine(app));
  AddText(app.CompanyName);
}

void frmSplash::AddText(std::u16string_view strText) {
  tboText_->SetSelStart(static_cast<std::int32_t>(tboText_->Text().size()));
  tboText_->SetSelText(std::u16string(strText) + u"\r\n");
  platform::doEvents();
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
