// What only the Windows toolkit does: the system's own control classes and frames, a label that
// grows into the room its form has, mnemonics and the tab order.

#include "app/Application.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"
#include "ui/frmMain.h"

namespace sigpatch::testing {
namespace {

using toolkit::ControlDesign;

HWND handle(const toolkit::Window& form, std::u16string_view control = {}) {
  const auto& window = dynamic_cast<const toolkit::win32::Win32Window&>(form);
  return control.empty() ? window.Handle() : window.ControlHandle(control);
}

bool ofClass(HWND window, const wchar_t* name) {
  wchar_t type[64] = {};
  ::GetClassNameW(window, type, 64);
  return ::lstrcmpiW(type, name) == 0;
}

class Win32ToolkitTest : public DesktopTest {};

TEST_F(Win32ToolkitTest, TheWindowsAreTheSystemsOwnControlsAndFrames) {
  Application app;
  frmMain main;
  main.InitMyObjects(&app, nullptr);
  main.Form().Show();
  app.ShowAboutBox(0);
  const auto& about = formNamed(u"frmAbout");
  EXPECT_TRUE(ofClass(handle(main.Form(), u"tboOutput"), MSFTEDIT_CLASS));
  EXPECT_TRUE(ofClass(handle(main.Form(), u"sbInfo"), STATUSCLASSNAMEW));
  EXPECT_NE(::SendMessageW(handle(main.Form()), WM_GETICON, ICON_BIG, 0), 0);
  const LONG all = WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_EQ(::GetWindowLongW(handle(main.Form()), GWL_STYLE) & all, all);
  EXPECT_EQ(::GetWindowLongW(handle(about), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(::GetWindowLongW(handle(about, u"cmdOK"), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
}

class Win32FormTest : public DesktopTest {
 protected:
  Win32FormTest() {
    toolkit::FormDesign design;
    design.Name = u"frmTest";
    design.ScaleWidth = 6000;
    design.ScaleHeight = 4500;
    form = desktop().NewForm(design);
    form->AddTextBox(ControlDesign::At(u"txtField", 120, 1800, 3000, 315, 1), {});
    auto& go = form->AddButton(ControlDesign::At(u"cmdGo", 120, 2400, 1215, 375, 2), {u"&Go"});
    auto& cancel =
        form->AddButton(ControlDesign::At(u"cmdCancel", 1500, 2400, 1215, 375, 3), {u"&Cancel"});
    go.OnClick = [this] { clicks += u"go "; };
    cancel.OnClick = [this] { clicks += u"cancel "; };
  }

  std::unique_ptr<toolkit::Window> form;
  std::u16string clicks;
};

TEST_F(Win32FormTest, AltAndTheMarkedLetterClickAndTabFollowsTheTabOrder) {
  form->Show();
  ::SetFocus(handle(*form, u"txtField"));
  ::PostMessageW(handle(*form, u"txtField"), WM_SYSCHAR, L'c', 1 | (1 << 29));
  desktop().DoEvents();
  EXPECT_EQ(clicks, u"cancel ");
  pressKey(*form, u"txtField", VK_TAB);
  EXPECT_EQ(::GetFocus(), handle(*form, u"cmdGo"));
  pressKey(*form, u"cmdGo", VK_TAB);
  EXPECT_EQ(::GetFocus(), handle(*form, u"cmdCancel"));
}

// A caption wider than its label is not cut off while the form has room: the control grows, up to
// one margin (8 pixels) from the form's right edge; the label's width stays as designed.
TEST_F(Win32FormTest, ALabelShowsACaptionWiderThanItsDesignWhereTheFormHasRoom) {
  toolkit::LabelDesign title{u"MyApp", {u"Arial", 27.75, true}};
  auto& product = form->AddLabel(ControlDesign::At(u"lblTitle", 3000, 3000, 2400, 660), title);
  EXPECT_EQ(placeOf(*form, u"lblTitle").width, 160);
  product.SetCaption(u"Sigpatch Sigpatch Sigpatch");
  EXPECT_EQ(placeOf(*form, u"lblTitle").width, 400 - 200 - 8);
  EXPECT_EQ(product.Width(), 2400);
}

}  // namespace
}  // namespace sigpatch::testing
