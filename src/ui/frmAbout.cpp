#include "ui/frmAbout.h"

#include <cmath>
#include <exception>

#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "registry/RegUtilities.h"
#include "resources/Pictures.h"
#include "resources/VersionInfo.h"
#include "runtime/Colors.h"
#include "runtime/PathStyle.h"
#include "runtime/RuntimeError.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "ui/frmMain.h"
#include "util/ProcessUtilities.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

// The window's own units: twips per unit across and down.
constexpr double kUnitX = 1.0649;
constexpr double kUnitY = 1.4488;

constexpr std::int32_t kGrey = 0x808080;
using color::kBlue;
using color::kWhite;

toolkit::LineDesign line(std::u16string name, double x1, double y1, double x2, double y2,
                          std::int32_t color, std::int32_t width, bool inside) {
  toolkit::LineDesign design;
  design.Name = std::move(name);
  design.X1 = x1;
  design.Y1 = y1;
  design.X2 = x2;
  design.Y2 = y2;
  design.BorderColor = color;
  design.BorderWidth = width;
  design.InsideSolid = inside;
  return design;
}

// Starts a program in a normal window; a program that cannot be started is
// error 53.
void startProgram(const std::u16string& path) {
  // Quoted, so that a folder with blanks stays one program path.
  if (ProcessUtilities().StartProcess(u"\"" + path + u"\"") == 0) {
    throw RuntimeError(err::kFileNotFound);
  }
}

}  // namespace

frmAbout::frmAbout() {
  using toolkit::ControlDesign;
  auto& windowing = platform::windowing();
  toolkit::FormDesign design;
  design.Name = u"frmAbout";
  design.Caption = u"About MyApp";
  design.ScaleWidth = 6555;
  design.ScaleHeight = 4635;
  design.MinButton = false;
  design.MaxButton = false;
  design.ShowInTaskbar = false;
  design.Icon = resources::kProgramIcon.Name;
  form_ = windowing.NewForm(design);

  imgLogo_ = &form_->AddImage(ControlDesign::At(u"imgLogo", 120, 120, 2895, 720),
                              windowing.LoadPicture(resources::kLogo.Name));
  auto link = ControlDesign::At(u"lblLink", 120, 960, 300, 195);
  link.ToolTipText = u"Click Me";
  toolkit::LabelDesign linkLabel;
  linkLabel.Caption = u"Link";
  linkLabel.ForeColor = kBlue;
  linkLabel.Font.Underline = true;
  linkLabel.AutoSize = true;
  lblLink_ = &form_->AddLabel(link, linkLabel);
  lnLogoLine0_ = &form_->AddLine(line(u"lnLogoLine(0)", 135, 1320, 5699, 1320, kGrey, 1, true));
  lnLogoLine1_ = &form_->AddLine(line(u"lnLogoLine(1)", 120, 1320, 5669, 1320, kWhite, 2, false));
  imgIcon_ = &form_->AddImage(ControlDesign::At(u"imgIcon", 120, 1440, 495, 495),
                              windowing.LoadPicture(resources::kProgramIcon.Name));
  txtText_ = &form_->AddRichTextBox(ControlDesign::At(u"txtText", 720, 1440, 4935, 1455));
  lnLine0_ = &form_->AddLine(line(u"lnLine(0)", 105, 3000, 5654, 3000, kWhite, 2, false));
  lnLine1_ = &form_->AddLine(line(u"lnLine(1)", 120, 3000, 5684, 3000, kGrey, 1, true));
  toolkit::ButtonDesign ok;
  ok.Caption = u"OK";
  ok.Default = true;
  ok.Cancel = true;
  cmdOK_ = &form_->AddButton(ControlDesign::At(u"cmdOK", 4320, 3120, 1335, 345, 0), ok);
  toolkit::ButtonDesign sysInfo;
  sysInfo.Caption = u"&System Info...";
  cmdSysInfo_ =
      &form_->AddButton(ControlDesign::At(u"cmdSysInfo", 4320, 3600, 1335, 345, 1), sysInfo);
  auto cursor = ControlDesign::At(u"imgCur", 6120, 0, 480, 480);
  cursor.Visible = false;
  imgCur_ = &form_->AddImage(cursor, windowing.LoadPicture(resources::kLinkPointer.Name));

  form_->OnLoad = [this] { Form_Load(); };
  form_->OnResize = [this] { Form_Resize(); };
  cmdOK_->OnClick = [this] { cmdOK_Click(); };
  cmdSysInfo_->OnClick = [this] { cmdSysInfo_Click(); };
  lblLink_->OnClick = [this] { lblLink_Click(); };

  // The creation step.
  sys_ = std::make_unique<SysUtilities>();
  SetLink(resources::kLink);
  lblLink_->SetMouseIcon(imgCur_->Picture());
  lblLink_->SetMousePointer(toolkit::kPointerCustom);
  SetShowLink(true);
  SetShowLogo(true);
}

frmAbout::~frmAbout() = default;

void frmAbout::SetLink(std::u16string_view value) {
  Link_ = value;
  // Setting a control of the window loads it, as the system's windows do.
  form_->Load();
  lblLink_->SetCaption(value);
}

void frmAbout::SetShowLink(bool value) {
  ShowLink_ = value;
  lblLink_->SetVisible(value);
}

void frmAbout::SetShowLogo(bool value) {
  ShowLogo_ = value;
  imgLogo_->SetVisible(value);
  lnLogoLine0_->SetVisible(value);
  lnLogoLine1_->SetVisible(value);
  Form_Resize();
}

void frmAbout::Form_Load() {
  try {
    const auto& app = platform::windowing().App();
    if (!sys_) throw RuntimeError(err::kObjectNotSet);
    sys_->CenterForm(*form_);
    form_->SetCaption(u"About " + app.Title);
    AddText(runtime::titleLine(app));
    AddText(app.CompanyName);
    AddText(sys_->GetOSVersionString());
    AddText(u"System UpTime: " + sys_->UpTime());
    AddText(u"");
    AddText(app.Comments);
    AddText(u"");
    AddText(app.LegalCopyright);
    AddText(u"");
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmAbout", u"Form_Load", e);
  }
}

void frmAbout::AddText(std::u16string_view strText) {
  try {
    txtText_->SetSelStart(txtText_->TextLength());
    txtText_->SetSelText(std::u16string(strText) + u"\r\n");
    txtText_->SetSelStart(0);
    txtText_->SetSelLength(0);
    toolkit::doEvents();
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmAbout", u"AddText", e);
  }
}

void frmAbout::InitMyObjects(Application* objA) {
  try {
    if (objA == nullptr) throw RuntimeError(err::kObjectNotSet);
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmAbout", u"InitMyObjects", e);
  }
}

void frmAbout::SetIcon(const toolkit::Picture& icon) {
  imgIcon_->SetPicture(icon);
  form_->SetIcon(icon);
}

void frmAbout::StartSysInfo() {
  constexpr std::u16string_view kUnavailable = u"System Information Is Unavailable At This Time";
  try {
    RegUtilities reg;
    auto program = reg.GetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                   u"PATH", u"");
    if (!program.empty()) {
      startProgram(program);
      return;
    }
    const auto folder = reg.GetKeyValue(
        u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location", u"MSINFO", u"");
    if (!folder.empty()) {
      program = folder + runtime::separatorOf(runtime::kNativePathStyle) + u"MSINFO32.EXE";
      if (platform::fileSystem().CreateObject()->FileExists(program)) {
        startProgram(program);
        return;
      }
    }
    platform::windowing().MsgBox(kUnavailable);
  } catch (const std::exception&) {
    platform::windowing().MsgBox(kUnavailable);
  }
}

void frmAbout::Form_Resize() {
  try {
    // Everything in the window's units; m, the logo's left offset, is the
    // margin across and down alike.
    const double W = form_->ScaleWidth() / kUnitX;
    const double H = form_->ScaleHeight() / kUnitY;
    const double m = imgLogo_->Left() / kUnitX;
    const double sysInfoHeight = cmdSysInfo_->Height() / kUnitY;
    const double okHeight = cmdOK_->Height() / kUnitY;

    cmdSysInfo_->SetTop(std::abs(H - sysInfoHeight - m) * kUnitY);
    cmdSysInfo_->SetLeft(std::abs(W - cmdSysInfo_->Width() / kUnitX - m) * kUnitX);
    cmdOK_->SetTop(std::abs(H - sysInfoHeight - okHeight - 1.5 * m) * kUnitY);
    cmdOK_->SetLeft(cmdSysInfo_->Left());
    const double rule = std::abs(H - sysInfoHeight - okHeight - 2 * m) * kUnitY;
    for (auto* rim : {lnLine0_, lnLine1_}) {
      rim->SetY1(rule);
      rim->SetY2(rule);
    }
    const double right = std::abs(W - m) * kUnitX;
    for (auto* rim : {lnLine0_, lnLine1_, lnLogoLine0_, lnLogoLine1_}) rim->SetX2(right);
    txtText_->SetWidth(std::abs(W - txtText_->Left() / kUnitX - m) * kUnitX);
    txtText_->SetHeight(
        std::abs(H - txtText_->Top() / kUnitY - sysInfoHeight - okHeight - 2.5 * m) * kUnitY);
    if (!ShowLogo_) {
      lblLink_->SetTop(std::abs(H - lblLink_->Height() / kUnitY - lblLink_->Left() / kUnitX) *
                       kUnitY);
      imgIcon_->SetTop(imgLogo_->Top());
      txtText_->SetTop(imgLogo_->Top());
    }
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"frmAbout", u"Form_Resize", e);
  }
}

void frmAbout::cmdOK_Click() { form_->Unload(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::lblLink_Click() { ProcessUtilities().ShellDoc(Link_); }

}  // namespace sigpatch
