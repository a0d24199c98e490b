// What a real toolkit adds to the windows, whose behaviour the fake toolkit's tests hold: controls
// at their pixels at every size, the text box's view and message boxes. The event loop is checked
// end to end (tests/e2e/desktop.sh). Run on Qt and on Win32.

#include "toolkit/DesktopSuite.h"

#include <cmath>

#include "app/Application.h"
#include "runtime/RuntimeError.h"
#include "ui/SelectFolder.h"
#include "ui/frmMain.h"
#include "ui/frmSelectFolder.h"

namespace sigpatch::testing {
namespace {

using toolkit::ControlDesign;
using Lines = std::vector<Shown>;

class DesktopToolkitTest : public DesktopTest {
 protected:
  DesktopToolkitTest() {
    toolkit::FormDesign design;
    design.Name = u"frmTest", design.ScaleWidth = 6000, design.ScaleHeight = 4000;
    form = desktop().NewForm(design);
  }
  std::unique_ptr<toolkit::Window> form;
};

// Both test screens have 96 dots per inch: 15 twips a pixel. The program's windows at their design
// size and as the user drags them larger: each control is drawn where the layout put it, inside
// the window, and the last one named keeps its distance to the right edge (the layout itself is
// the fake toolkit's tests' concern). Images take their pictures' sizes (the pin 16 x 11).
TEST_F(DesktopToolkitTest, TheProgramsWindowsAtTheirPixelsAtEverySize) {
  ASSERT_EQ(desktop().Screen().TwipsPerPixelX() + desktop().Screen().TwipsPerPixelY(), 30);
  Application app;
  frmMain main;
  main.InitMyObjects(&app, nullptr);
  main.Form().Show();
  app.ShowAboutBox(0);
  SelectFolder chooser;
  chooser.SetApplication(&app);
  chooser.frm().InitMyObjects(&app, &chooser);
  chooser.frm().Form().Show();
  const std::pair<const char16_t*, std::vector<std::u16string>> layouts[] = {
      {u"frmMain", {u"tboOutput", u"imgPin"}},
      {u"frmAbout", {u"imgLogo", u"imgIcon", u"txtText", u"cmdOK", u"cmdSysInfo"}},
      {u"frmSelectFolder", {u"tboPath", u"drvSel", u"dirSel", u"cmdOK", u"cmdCancel"}}};
  const auto pixels = [](double twips) { return std::lround(twips / 15); };
  for (const auto& [name, controls] : layouts) {
    auto& window = *findForm(name);
    const Place design = clientOf(window);
    const long gap = design.width - placeOf(window, controls.back()).right();
    for (const auto& [width, height] :
         {std::pair{design.width, design.height}, {600L, 450L}, {900L, 700L}}) {
      SCOPED_TRACE(text::toUtf8(name) + " at " + std::to_string(width));
      resizeClient(window, static_cast<int>(width), static_cast<int>(height));
      ASSERT_EQ(clientOf(window), (Place{0, 0, width, height}));
      for (const auto& control : controls) {
        const auto& c = controlOf(window, control);
        const Place shown = placeOf(window, control);
        EXPECT_EQ(shown, (Place{pixels(c.Left()), pixels(c.Top()), pixels(c.Width()),
                                pixels(c.Height())}));
        EXPECT_TRUE(shown.left >= 0 && shown.top >= 0 && shown.right() <= width &&
                    shown.bottom() <= height);
      }
      EXPECT_NEAR(width - placeOf(window, controls.back()).right(), gap, 1);
    }
  }
  auto& window = main.Form();
  EXPECT_EQ(placeOf(window, u"sbInfo"), (Place{0, 700 - 25, 900, 25}));  // docked
  EXPECT_EQ(placeOf(window, u"imgPin").width * 100 + placeOf(window, u"imgPin").height, 1611);
  window.SetWindowState(toolkit::kWindowMinimized);
  desktop().DoEvents();
  EXPECT_TRUE(minimizedOnScreen(window));
  window.Unload();
  EXPECT_FALSE(shownOnScreen(window));
}

// The program counts a line end as "\r\n"; the view shows lines in their colours.
TEST_F(DesktopToolkitTest, TheRichTextBoxShowsTheProgramsTextInItsColours) {
  auto& box = form->AddRichTextBox(ControlDesign::At(u"rtbBox", 120, 120, 4000, 2000));
  form->Show();
  box.SetSelText(u"one\r\ntwo\r\n");
  EXPECT_EQ(box.TextLength(), 10);
  box.SetSelStart(5), box.SetSelColor(255), box.SetSelText(u"{\\rtf1 <b>1.5</b>}\r\n");
  EXPECT_EQ(box.Text(), u"one\r\n{\\rtf1 <b>1.5</b>}\r\ntwo\r\n");
  EXPECT_EQ(box.SelStart(), 25);
  box.SetSelStart(0), box.SetSelLength(3), box.SetSelColor(0xFF0000);
  EXPECT_EQ(shownLines(*form, u"rtbBox"),
            (Lines{{u"one", u"", 0xFF0000}, {u"{\\rtf1 <b>1.5</b>}", u"", 255}, {u"two", u"", 0}}));
  box.SetText(u"plain");
  EXPECT_EQ(shownLines(*form, u"rtbBox"), (Lines{{u"plain", u"", 0}}));
  EXPECT_EQ(box.SelStart() + box.SelColor(), 0);
  // Longer than a system control holds by itself.
  for (int i = 0; i < 400; ++i) box.SetSelText(std::u16string(99, u'x') + u"\r\n");
  EXPECT_EQ(box.TextLength(), 5 + 400 * 101);
  EXPECT_EQ(shownLines(*form, u"rtbBox").size(), 401u);
}

// A fault that an event handler lets through is shown as the system shows an unhandled run-time
// error, and the program goes on.
TEST_F(DesktopToolkitTest, MessageBoxesShowTheirTextTitleAndIconAsDoFaultsOfHandlers) {
  std::optional<Shown> seen;
  answerNextMessageBox(seen);
  EXPECT_EQ(desktop().MsgBox(u"a: 76, Path not found\r\n<b>not bold</b>",
                             toolkit::MsgBoxStyle::OkOnly, u"A"),
            toolkit::MsgBoxResult::OK);
  EXPECT_EQ(seen, (Shown{u"a: 76, Path not found\n<b>not bold</b>", u"A", 0}));
  auto& button = form->AddButton(ControlDesign::At(u"cmdGo", 120, 120, 1200, 375, 0), {u"&Go"});
  button.OnClick = [] { throw RuntimeError(err::kPathNotFound); };
  form->Show();
  answerNextMessageBox(seen);
  click(*form, u"cmdGo");
  EXPECT_EQ(seen, (Shown{u"Run-time error '76':\n\nPath not found", u"Sigpatch", 16}));
  EXPECT_TRUE(shownOnScreen(*form));
}

}  // namespace
}  // namespace sigpatch::testing
