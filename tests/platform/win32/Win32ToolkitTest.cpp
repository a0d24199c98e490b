// The controls of the Windows toolkit on a form of the test's own, driven
// through the system's messages: the rich-edit box's text, positions and
// colours, the dialog keys, the pointers, the status bar, images, labels, the
// life cycle of a form and a fault that a handler lets through.

#include <cmath>
#include <optional>

#include "Win32UiTestSupport.h"
#include "platform/win32/Wide.h"
#include "resources/Pictures.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

using toolkit::ControlDesign;

class Win32ToolkitTest : public Win32UiTest {
 protected:
  Win32ToolkitTest() {
    toolkit::FormDesign design;
    design.Name = u"frmTest";
    design.Caption = u"Test";
    design.ScaleWidth = 6000;
    design.ScaleHeight = 4500;
    design.KeyPreview = true;
    form = toolkit().NewForm(design);
    rich = &form->AddRichTextBox(ControlDesign::At(u"rtbBox", 120, 120, 3000, 1500, 0));
    field = &form->AddTextBox(ControlDesign::At(u"txtField", 120, 1800, 3000, 315, 1), {});
    toolkit::ButtonDesign ok{u"&Go", true, false};
    go = &form->AddButton(ControlDesign::At(u"cmdGo", 120, 2400, 1215, 375, 2), ok);
    toolkit::ButtonDesign cancel{u"&Cancel", false, true};
    stop = &form->AddButton(ControlDesign::At(u"cmdCancel", 1500, 2400, 1215, 375, 3), cancel);
    toolkit::LabelDesign caption;
    caption.Caption = u"Link";
    caption.AutoSize = true;
    label = &form->AddLabel(ControlDesign::At(u"lblLink", 120, 3000, 300, 195), caption);
    image = &form->AddImage(ControlDesign::At(u"imgPin", 3300, 120, 255, 255),
                            toolkit().LoadPicture(resources::kPinUnpinned.Name));
    bar = &form->AddStatusBar(ControlDesign::At(u"sbInfo", 0, 0, 0, 375),
                              {{u"Info", u"ready"}, {u"Time", u"12:00"}});
    go->OnClick = [this] { clicks += u"go "; };
    stop->OnClick = [this] { clicks += u"cancel "; };
    image->OnClick = [this] { clicks += u"image "; };
    field->OnGotFocus = [this] {
      field->SetSelStart(0);
      field->SetSelLength(static_cast<std::int32_t>(field->Text().size()));
    };
    form->OnKeyUp = [this](std::int16_t KeyCode, std::int16_t /*Shift*/) {
      keys.push_back(KeyCode);
    };
  }

  HWND handle(std::u16string_view control) const { return Control(u"frmTest", control); }

  std::unique_ptr<toolkit::Window> form;
  toolkit::RichTextBox* rich;
  toolkit::TextBox* field;
  toolkit::Button* go;
  toolkit::Button* stop;
  toolkit::Label* label;
  toolkit::Image* image;
  toolkit::StatusBar* bar;
  std::u16string clicks;
  std::vector<std::int16_t> keys;
};

TEST_F(Win32ToolkitTest, TwipsArePixelsOfTheScreensDotsPerInch) {
  HDC screen = ::GetDC(nullptr);
  const int dotsX = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dotsY = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(toolkit().Screen().TwipsPerPixelX(), 1440.0 / dotsX);
  EXPECT_EQ(toolkit().Screen().TwipsPerPixelY(), 1440.0 / dotsY);
  form->Show();
  EXPECT_EQ(clientOf(form->hWnd() ? reinterpret_cast<HWND>(form->hWnd()) : nullptr),
            (Place{0, 0, static_cast<long>(6000 * dotsX / 1440),
                   static_cast<long>(4500 * dotsY / 1440)}));
}

// The control keeps a line end as one character; the program counts "\r\n"
// as two, in the text, its length and the positions.
TEST_F(Win32ToolkitTest, RichTextCountsLineEndsAsTwoCharacters) {
  rich->SetSelText(u"ab\r\ncd\r\n");
  EXPECT_EQ(rich->Text(), u"ab\r\ncd\r\n");
  EXPECT_EQ(rich->TextLength(), 8);
  EXPECT_EQ(rich->SelStart(), 8);
  rich->SetSelStart(4);
  rich->SetSelLength(2);
  EXPECT_EQ(rich->SelStart(), 4);
  EXPECT_EQ(rich->SelLength(), 2);
  CHARRANGE selection{};
  ::SendMessageW(handle(u"rtbBox"), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMin, 3);
  EXPECT_EQ(selection.cpMax, 5);
  rich->SetSelText(u"XY");
  EXPECT_EQ(rich->Text(), u"ab\r\nXY\r\n");
  rich->SetSelStart(1000);
  EXPECT_EQ(rich->SelStart(), 8);
}

TEST_F(Win32ToolkitTest, InsertedTextTakesTheSelectionColourAndSetTextClearsIt) {
  rich->SetSelColor(255);
  rich->SetSelText(u"red");
  rich->SetSelColor(0xFF0000);
  rich->SetSelText(u"blue");
  rich->SetSelStart(0);
  rich->SetSelLength(3);
  EXPECT_EQ(rich->SelColor(), 255);
  rich->SetSelStart(3);
  rich->SetSelLength(4);
  EXPECT_EQ(rich->SelColor(), 0xFF0000);
  rich->SetText(u"plain");
  rich->SetSelLength(5);
  EXPECT_EQ(rich->SelColor(), 0);
  EXPECT_EQ(rich->SelStart(), 0);
}

// Text is never read as rich-text markup, and the control's own limit of
// 32767 characters does not hold.
TEST_F(Win32ToolkitTest, RichTextTakesMarkupLiterallyAndHasNoLengthLimit) {
  rich->SetSelText(u"{\\rtf1 not markup}");
  EXPECT_EQ(rich->Text(), u"{\\rtf1 not markup}");
  rich->SetText(u"{\\rtf1 still not}");
  EXPECT_EQ(rich->Text(), u"{\\rtf1 still not}");
  const std::u16string line(99, u'x');
  rich->SetText(u"");
  for (int i = 0; i < 500; ++i) rich->SetSelText(line + u"\r\n");
  EXPECT_EQ(rich->TextLength(), 500 * 101);
}

// A box the program writes into draws itself once the program has left it
// alone for a moment, and takes clicks and the mouse wheel again.
TEST_F(Win32ToolkitTest, ARichTextBoxDrawsAgainAfterTheProgramsChanges) {
  form->Show();
  for (int i = 0; i < 50; ++i) rich->SetSelText(u"line\r\n");
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(handle(u"rtbBox")) != FALSE; }));
  // The box shows its insertion point, at the end of the text.
  EXPECT_GT(::SendMessageW(handle(u"rtbBox"), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Win32ToolkitTest, EnterClicksTheDefaultButtonAndEscTheCancelButton) {
  form->Show();
  EXPECT_EQ(::GetFocus(), handle(u"rtbBox")) << "the first control in tab order has the focus";
  ::SetFocus(handle(u"txtField"));
  PressKey(VK_RETURN);
  PressKey(VK_ESCAPE);
  EXPECT_EQ(clicks, u"go cancel ");
  EXPECT_NE(::GetWindowLongW(handle(u"cmdGo"), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
}

// Alt and the underlined letter click the button, as its mnemonic.
TEST_F(Win32ToolkitTest, AMnemonicClicksItsButton) {
  form->Show();
  ::SetFocus(handle(u"txtField"));
  ::PostMessageW(handle(u"txtField"), WM_SYSCHAR, L'c', 1 | (1 << 29));
  toolkit().DoEvents();
  EXPECT_EQ(clicks, u"cancel ");
}

TEST_F(Win32ToolkitTest, TabFollowsTheDesignsTabOrder) {
  form->Show();
  ::SetFocus(handle(u"txtField"));
  PressKey(VK_TAB);
  EXPECT_EQ(::GetFocus(), handle(u"cmdGo"));
  PressKey(VK_TAB);
  EXPECT_EQ(::GetFocus(), handle(u"cmdCancel"));
}

TEST_F(Win32ToolkitTest, ATextBoxSelectsAllOfItsTextWhenItGetsTheFocus) {
  field->SetText(u"C:\\Updates");
  form->Show();
  ::SetFocus(handle(u"txtField"));
  toolkit().DoEvents();
  DWORD start = 1;
  DWORD end = 0;
  ::SendMessageW(handle(u"txtField"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 10u);
}

// The form sees a released key before the control that has the focus; a form
// without key preview leaves it to the control.
TEST_F(Win32ToolkitTest, ReleasedKeysReachAFormThatSeesThemFirst) {
  form->Show();
  ::SetFocus(handle(u"rtbBox"));
  PressKey(VK_F1);
  EXPECT_EQ(keys, std::vector<std::int16_t>{112});

  toolkit::FormDesign other;
  other.Name = u"frmOther";
  other.ScaleWidth = 3000;
  other.ScaleHeight = 2000;
  auto quiet = toolkit().NewForm(other);
  auto& box = quiet->AddTextBox(ControlDesign::At(u"txtBox", 120, 120, 2000, 315, 0), {});
  bool seen = false;
  quiet->OnKeyUp = [&](std::int16_t, std::int16_t) { seen = true; };
  quiet->Show();
  ::SetFocus(quiet->hWnd()
                 ? dynamic_cast<toolkit::win32::Win32Window&>(*quiet).ControlHandle(box.Name())
                 : nullptr);
  PressKey(VK_F1);
  EXPECT_FALSE(seen);
}

// Also over a control that sets a pointer of its own (the rich-edit box's
// I-beam) when the mouse moves over it.
TEST_F(Win32ToolkitTest, TheHourglassShowsOverEveryWindowOfTheProgram) {
  form->Show();
  toolkit().Screen().SetMousePointer(toolkit::kPointerHourglass);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
  ::SendMessageW(handle(u"rtbBox"), WM_SETCURSOR, reinterpret_cast<WPARAM>(handle(u"rtbBox")),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ::PostMessageW(handle(u"rtbBox"), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  toolkit().DoEvents();
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
  ::SetCursor(nullptr);
  ::SendMessageW(handle(u"cmdGo"), WM_SETCURSOR, reinterpret_cast<WPARAM>(handle(u"cmdGo")),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
  toolkit().Screen().SetMousePointer(toolkit::kPointerDefault);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Win32ToolkitTest, ALabelShowsItsOwnPointerPicture) {
  form->Show();
  label->SetMouseIcon(toolkit().LoadPicture(resources::kLinkPointer.Name));
  label->SetMousePointer(toolkit::kPointerCustom);
  ::SetCursor(nullptr);
  ::SendMessageW(handle(u"lblLink"), WM_SETCURSOR, reinterpret_cast<WPARAM>(handle(u"lblLink")),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  const HCURSOR shown = ::GetCursor();
  EXPECT_NE(shown, nullptr);
  EXPECT_NE(shown, ::LoadCursorW(nullptr, IDC_ARROW));
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(shown, &info));
  EXPECT_EQ(info.xHotspot, 11u);
  EXPECT_EQ(info.yHotspot, 0u);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
}

TEST_F(Win32ToolkitTest, AnAutoSizedLabelGrowsToItsCaption) {
  const double before = label->Width();
  label->SetCaption(u"https://www.ferrolite.example/sigpatch/");
  EXPECT_GT(label->Width(), before);
  EXPECT_EQ(placeOf(handle(u"lblLink")).width, std::lround(label->Width() / 15));
  EXPECT_EQ(windowText(handle(u"lblLink")), u"https://www.ferrolite.example/sigpatch/");
}

// A caption wider than its label is not cut off while the form has room: the
// control grows, up to one margin (8 pixels) from the form's right edge; the
// label's width stays as designed.
TEST_F(Win32ToolkitTest, ALabelShowsACaptionWiderThanItsDesignWhereTheFormHasRoom) {
  toolkit::LabelDesign title;
  title.Caption = u"MyApp";
  title.Font.Name = u"Arial";
  title.Font.Size = 27.75;
  title.Font.Bold = true;
  auto& product =
      form->AddLabel(ControlDesign::At(u"lblProductName", 3000, 3000, 2400, 660), title);
  EXPECT_EQ(placeOf(handle(u"lblProductName")).width, 160);
  product.SetCaption(u"Sigpatch Sigpatch Sigpatch");
  EXPECT_EQ(placeOf(handle(u"lblProductName")).width, 400 - 200 - 8);
  EXPECT_EQ(product.Width(), 2400);
}

TEST_F(Win32ToolkitTest, TheStatusBarShowsItsPanelsByKey) {
  form->Show();
  bar->SetPanelText(u"INFO", u"Installing...");
  bar->Refresh();
  wchar_t text[64] = {};
  ::SendMessageW(handle(u"sbInfo"), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Installing...");
  ::SendMessageW(handle(u"sbInfo"), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"12:00");
  EXPECT_EQ(bar->PanelText(u"time"), u"12:00");
  try {
    bar->PanelText(u"Clock");
    ADD_FAILURE() << "no error for a key without a panel";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 35600);
  }
}

TEST_F(Win32ToolkitTest, AnImageTakesTheSizeOfItsPictureAndReportsClicks) {
  form->Show();
  EXPECT_EQ(placeOf(handle(u"imgPin")), (Place{220, 8, 16, 11}));
  image->SetPicture(toolkit().LoadPicture(resources::kPinPinned.Name));
  EXPECT_EQ(placeOf(handle(u"imgPin")), (Place{220, 8, 12, 12}));
  EXPECT_EQ(image->Width(), 180);
  EXPECT_EQ(::SendMessageW(handle(u"imgPin"), STM_GETIMAGE, IMAGE_BITMAP, 0),
            image->Picture().Handle());
  Click(handle(u"imgPin"));
  EXPECT_EQ(clicks, u"image ");
}

TEST_F(Win32ToolkitTest, EveryLoadIsAPictureOfItsOwnAndAnUnknownOneIsError53) {
  const auto first = toolkit().LoadPicture(resources::kLogo.Name);
  const auto second = toolkit().LoadPicture(resources::kLogo.Name);
  EXPECT_NE(first.Handle(), second.Handle());
  EXPECT_EQ(first.WidthPixels(), 193);
  EXPECT_EQ(first.HeightPixels(), 48);
  try {
    toolkit().LoadPicture(u"missing.png");
    ADD_FAILURE() << "no error for an unknown picture";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
}

// Unloading hides the window and keeps what its controls hold; showing it
// again loads it anew.
TEST_F(Win32ToolkitTest, AnUnloadedFormKeepsItsControlsContents) {
  int loads = 0;
  int unloads = 0;
  form->OnLoad = [&] { ++loads; };
  form->OnUnload = [&] { ++unloads; };
  form->Show();
  rich->SetSelText(u"kept");
  form->Unload();
  EXPECT_EQ(form->hWnd(), 0);
  EXPECT_FALSE(::IsWindowVisible(dynamic_cast<toolkit::win32::Win32Window&>(*form).Handle()));
  EXPECT_EQ(rich->Text(), u"kept");
  form->Show();
  EXPECT_NE(form->hWnd(), 0);
  EXPECT_EQ(loads, 2);
  EXPECT_EQ(unloads, 1);
}

TEST_F(Win32ToolkitTest, AFaultAHandlerLetsThroughIsReportedAndTheProgramGoesOn) {
  form->Show();
  go->OnClick = [] { throw RuntimeError(err::kInvalidProcedureCall); };
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  ::SendMessageW(handle(u"cmdGo"), BM_CLICK, 0, 0);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, u"Run-time error '5':\r\n\r\nInvalid procedure call or argument");
  EXPECT_TRUE(seen->criticalIcon);
  EXPECT_TRUE(::IsWindowVisible(reinterpret_cast<HWND>(form->hWnd())));
}

}  // namespace
}  // namespace sigpatch::testing
