// The program's four windows on the Windows toolkit, driven through the
// system's messages: where their controls are at the design size and after a
// resize, what their boxes hold and in which colours, and what the user's
// keys, clicks and close box do.

#include <chrono>
#include <optional>
#include <vector>

#include "Win32UiTestSupport.h"
#include "app/Application.h"
#include "platform/win32/Wide.h"
#include "runtime/Text.h"
#include "toolkit/controls/Image.h"
#include "ui/About.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"
#include "ui/frmMain.h"
#include "ui/frmSelectFolder.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

// One line of a rich-edit control and the colour of each of its characters.
struct Shown {
  std::u16string text;
  std::vector<COLORREF> colors;
};

// The colours of a rich-edit control's text, character by character, as the
// control reports them for a selection of one character.
std::vector<COLORREF> colorsOf(HWND box, long length) {
  std::vector<COLORREF> colors;
  CHARRANGE saved{};
  ::SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  for (long i = 0; i < length; ++i) {
    CHARRANGE one{i, i + 1};
    ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    ::SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    colors.push_back(format.crTextColor);
  }
  ::SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  return colors;
}

// The lines of a rich-edit control, each with the one colour of all its
// characters (or 0xFFFFFFFF when they differ).
std::vector<std::pair<std::u16string, COLORREF>> linesOf(HWND box) {
  GETTEXTEX get{};
  wchar_t buffer[4096] = {};
  get.cb = sizeof buffer;
  get.flags = GT_DEFAULT;
  get.codepage = 1200;
  const auto length = ::SendMessageW(box, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(buffer));
  const auto colors = colorsOf(box, static_cast<long>(length));
  std::vector<std::pair<std::u16string, COLORREF>> lines;
  std::u16string line;
  COLORREF color = 0xFFFFFFFF;
  bool first = true;
  for (long i = 0; i < length; ++i) {
    if (buffer[i] == L'\r') {
      lines.push_back({line, color});
      line.clear();
      first = true;
      continue;
    }
    line += static_cast<char16_t>(buffer[i]);
    if (first) {
      color = colors[static_cast<std::size_t>(i)];
      first = false;
    } else if (colors[static_cast<std::size_t>(i)] != color) {
      color = 0xFFFFFFFF;
    }
  }
  if (!line.empty()) lines.push_back({line, color});
  return lines;
}

class Win32MainWindowTest : public Win32UiTest {
 protected:
  Win32MainWindowTest() {
    frm.emplace();
    frm->InitMyObjects(&app, nullptr);
    // As the update-run controller does for its main window.
    frm->AboutRequested.connect([this] { app.ShowAboutBox(0); });
  }

  HWND window() const { return Form(u"frmMain").Handle(); }
  HWND box() const { return Control(u"frmMain", u"tboOutput"); }
  HWND pin() const { return Control(u"frmMain", u"imgPin"); }
  toolkit::Image& image(std::u16string_view name) const {
    return dynamic_cast<toolkit::Image&>(*Form(u"frmMain").FindControl(name));
  }
  // What the pin's static control shows, by bitmap.
  bool pinShows(std::u16string_view picture) const {
    const auto shown = ::SendMessageW(pin(), STM_GETIMAGE, IMAGE_BITMAP, 0);
    return shown == image(picture).Picture().Handle();
  }

  Application app;
  std::optional<frmMain> frm;
};

// The inner area of 6375 x 3735 twips is 425 x 249 pixels of 15 twips. The pin
// takes the size of its picture (16 x 11 pixels, 240 x 165 twips) and stands
// one margin (120) from the right edge: left 6375 - 120 - 240 = 6015 twips,
// 401 pixels. The box runs from 120 to one margin before the pin (6015 - 240 =
// 5775 twips, 385 pixels) and down to one margin above the status bar (3735 -
// 375 - 120 - 120 = 3120 twips, 208 pixels); the bar is 375 twips (25 pixels)
// high across the whole bottom.
TEST_F(Win32MainWindowTest, ControlsStandWhereTheLayoutPutsThemAtTheDesignSize) {
  frm->Form().Show();
  EXPECT_EQ(clientOf(window()), (Place{0, 0, 425, 249}));
  EXPECT_EQ(placeOf(pin()), (Place{401, 8, 16, 11}));
  EXPECT_EQ(placeOf(box()), (Place{8, 8, 385, 208}));
  EXPECT_EQ(placeOf(Control(u"frmMain", u"sbInfo")), (Place{0, 224, 425, 25}));
  EXPECT_FALSE(::IsWindowVisible(Control(u"frmMain", u"imgUnpinned")));
  EXPECT_FALSE(::IsWindowVisible(Control(u"frmMain", u"imgPinned")));
  EXPECT_TRUE(::IsWindowVisible(pin()));
  EXPECT_EQ(windowText(window()), u"Sigpatch");
  EXPECT_NE(::SendMessageW(window(), WM_GETICON, ICON_BIG, 0), 0);
  // A sizable window with all the buttons of its title bar.
  const auto style = ::GetWindowLongW(window(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  // The real controls: a rich-edit box and the common controls' status bar.
  wchar_t type[64] = {};
  ::GetClassNameW(box(), type, 64);
  EXPECT_EQ(::lstrcmpiW(type, MSFTEDIT_CLASS), 0) << type;
  ::GetClassNameW(Control(u"frmMain", u"sbInfo"), type, 64);
  EXPECT_EQ(::lstrcmpiW(type, STATUSCLASSNAMEW), 0) << type;
  wchar_t panel[128] = {};
  ::SendMessageW(Control(u"frmMain", u"sbInfo"), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(panel));
  EXPECT_STREQ(panel, L"Some status messages will appear here!");
  EXPECT_TRUE(pinShows(u"imgUnpinned"));
}

// 600 x 400 pixels are 9000 x 6000 twips: the pin at 9000 - 360 = 8640 twips
// (576 pixels), the box 8640 - 240 = 8400 twips (560 pixels) wide and 6000 -
// 375 - 240 = 5385 twips (359 pixels) high, the bar along the new bottom.
TEST_F(Win32MainWindowTest, ControlsFollowTheWindowWhenTheUserResizesIt) {
  frm->Form().Show();
  ResizeClient(window(), 600, 400);
  EXPECT_EQ(frm->Form().ScaleWidth(), 9000);
  EXPECT_EQ(frm->Form().ScaleHeight(), 6000);
  EXPECT_EQ(placeOf(pin()), (Place{576, 8, 16, 11}));
  EXPECT_EQ(placeOf(box()), (Place{8, 8, 560, 359}));
  EXPECT_EQ(placeOf(Control(u"frmMain", u"sbInfo")), (Place{0, 375, 600, 25}));
}

TEST_F(Win32MainWindowTest, LinesShowInTheirColoursUnderTheTitleLine) {
  frm->Form().Show();
  frm->AddText(u"Looking for SDAT*.EXE Updates in C:\\Updates\\...");
  frm->AddText(u"Installing C:\\Updates\\sdat4500.exe...", 0xFF0000);
  frm->AddText(u"Installation failed!\r\n\r\n", 255);
  frm->AddText(u"Finished!");
  const std::vector<std::pair<std::u16string, COLORREF>> expected{
      {u"Sigpatch V1.01.02", 0},
      {u" ", 0},
      {u"Looking for SDAT*.EXE Updates in C:\\Updates\\...", 0},
      {u"Installing C:\\Updates\\sdat4500.exe...", 0xFF0000},
      {u"Installation failed!", 255},
      {u"Finished!", 0}};
  EXPECT_EQ(linesOf(box()), expected);
  // The insertion point stays at the end, after the last line.
  CHARRANGE selection{};
  ::SendMessageW(box(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  GETTEXTLENGTHEX length{GTL_PRECISE | GTL_NUMCHARS, 1200};
  EXPECT_EQ(selection.cpMin,
            ::SendMessageW(box(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
  EXPECT_EQ(selection.cpMax, selection.cpMin);
}

// F1 released while the box has the focus reaches the form first: the window
// is pinned and the About box opens beside it, modeless.
TEST_F(Win32MainWindowTest, F1DuringTheRunPinsTheWindowAndShowsTheAboutBox) {
  frm->Form().Show();
  ::SetFocus(box());
  ASSERT_EQ(::GetFocus(), box());
  PressKey(VK_F1);
  EXPECT_TRUE(pinShows(u"imgPinned"));
  auto* about = toolkit().FindForm(u"frmAbout");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(::IsWindowVisible(about->Handle()));
  EXPECT_TRUE(::IsWindowEnabled(window())) << "the About box is modeless";
  // The run ends: the pinned window stays.
  frm->AddText(u"Finished!");
  clock.Jump(3s);
  frm->Terminate();
  EXPECT_TRUE(::IsWindowVisible(window()));
}

// A click on the pin during the run pins the window: it stays after the run
// until the pin is clicked again, which closes it at once.
TEST_F(Win32MainWindowTest, ThePinClickedDuringTheRunKeepsTheWindowAfterIt) {
  frm->Form().Show();
  Click(pin());
  EXPECT_TRUE(pinShows(u"imgPinned"));
  frm->AddText(u"Finished!");
  clock.Jump(3s);
  frm->Terminate();
  EXPECT_TRUE(::IsWindowVisible(window()));
  Click(pin());
  EXPECT_FALSE(::IsWindowVisible(window()));
  EXPECT_FALSE(frm->Form().IsLoaded());
}

TEST_F(Win32MainWindowTest, AnUnpinnedWindowClosesWhenTheRunEnds) {
  frm->Form().Show();
  Click(pin());
  Click(pin());
  EXPECT_TRUE(pinShows(u"imgUnpinned"));
  frm->AddText(u"Finished!");
  clock.Jump(3s);
  frm->Terminate();
  EXPECT_FALSE(::IsWindowVisible(window()));
}

TEST_F(Win32MainWindowTest, TheCloseBoxClosesTheWindow) {
  frm->Form().Show();
  ::SendMessageW(window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(::IsWindowVisible(window()));
  EXPECT_FALSE(frm->Form().IsLoaded());
  EXPECT_EQ(frm->Form().hWnd(), 0);
}

TEST_F(Win32MainWindowTest, AMinimizedWindowIsIconic) {
  frm->Form().Show();
  bool resized = false;
  auto layout = frm->Form().OnResize;
  frm->Form().OnResize = [&] {
    resized = true;
    layout();
  };
  frm->Form().SetWindowState(toolkit::kWindowMinimized);
  toolkit().DoEvents();
  EXPECT_TRUE(::IsIconic(window()));
  EXPECT_EQ(frm->Form().WindowState(), toolkit::kWindowMinimized);
  EXPECT_TRUE(resized);
}

class Win32AboutTest : public Win32UiTest {
 protected:
  HWND window() const { return Form(u"frmAbout").Handle(); }
  Application app;
};

// The About box measures in units of 1.0649 twips across and 1.4488 down; its
// margin is the logo's left offset, 120 twips = 112.69 units across, which
// down is 163.26 twips. At the design size (6555 x 4635 twips, 437 x 309
// pixels) "&System Info..." stands at 6555 - 1335 - 120 = 5100 twips (340
// pixels) across and 4635 - 345 - 163.26 = 4126.7 twips (275 pixels) down,
// "OK" above it at 4635 - 690 - 244.9 = 3700.1 twips (247 pixels).
TEST_F(Win32AboutTest, ShowsTheProgramAndTheUsageWithItsButtonsAtTheBottomRight) {
  app.ShowAboutBox(0);
  EXPECT_EQ(windowText(window()), u"About Sigpatch");
  EXPECT_EQ(clientOf(window()), (Place{0, 0, 437, 309}));
  EXPECT_EQ(placeOf(Control(u"frmAbout", u"cmdSysInfo")), (Place{340, 275, 89, 23}));
  EXPECT_EQ(placeOf(Control(u"frmAbout", u"cmdOK")), (Place{340, 247, 89, 23}));
  EXPECT_EQ(windowText(Control(u"frmAbout", u"cmdOK")), u"OK");
  EXPECT_EQ(windowText(Control(u"frmAbout", u"cmdSysInfo")), u"&System Info...");
  EXPECT_NE(::GetWindowLongW(Control(u"frmAbout", u"cmdOK"), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
  // No minimise or maximise button.
  EXPECT_EQ(::GetWindowLongW(window(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  const auto text = windowText(Control(u"frmAbout", u"txtText"));
  EXPECT_EQ(text.substr(0, 30), u"Sigpatch V1.01.02\r\nFerrolite\r\n");
  EXPECT_NE(text.find(u"\r\n  /Minimized\tRun minimized\r\n"), std::u16string::npos);
  // The box shows its first line: its insertion point is at the start.
  CHARRANGE selection{};
  ::SendMessageW(Control(u"frmAbout", u"txtText"), EM_EXGETSEL, 0,
                 reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMin, 0);
}

// 600 x 450 pixels are 9000 x 6750 twips: "&System Info..." at 9000 - 1455 =
// 7545 twips (503 pixels) across and 6750 - 345 - 163.26 = 6241.7 twips (416
// pixels) down, "OK" at 6750 - 690 - 244.9 = 5815.1 twips (388 pixels).
TEST_F(Win32AboutTest, ButtonsFollowTheWindowWhenTheUserResizesIt) {
  app.ShowAboutBox(0);
  ResizeClient(window(), 600, 450);
  EXPECT_EQ(placeOf(Control(u"frmAbout", u"cmdSysInfo")), (Place{503, 416, 89, 23}));
  EXPECT_EQ(placeOf(Control(u"frmAbout", u"cmdOK")), (Place{503, 388, 89, 23}));
}

TEST_F(Win32AboutTest, EscClicksOKWhichClosesTheBox) {
  app.ShowAboutBox(0);
  ::SetFocus(Control(u"frmAbout", u"txtText"));
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(::IsWindowVisible(window()));
}

TEST_F(Win32AboutTest, AModalBoxReturnsWhenEnterClicksOK) {
  bool wasModal = false;
  WhenShown(u"frmAbout", [&] {
    wasModal = ::IsWindowVisible(window()) != FALSE;
    // "OK" is first in the tab order and has the focus.
    PressKey(VK_RETURN);
  });
  app.ShowAboutBox(1);
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(toolkit().FindForm(u"frmAbout"), nullptr) << "the box went with its About object";
}

class Win32SelectFolderTest : public Win32UiTest {
 protected:
  void SetUp() override {
    ASSERT_NE(::CreateDirectoryW(platform::win32::wide(root + u"\\Alpha").c_str(), nullptr), 0);
    ASSERT_NE(::CreateDirectoryW(platform::win32::wide(root + u"\\beta").c_str(), nullptr), 0);
    chooser.SetApplication(&app);
  }
  void TearDown() override {
    ::RemoveDirectoryW(platform::win32::wide(root + u"\\Alpha").c_str());
    ::RemoveDirectoryW(platform::win32::wide(root + u"\\beta").c_str());
    ::RemoveDirectoryW(platform::win32::wide(root).c_str());
  }
  HWND window() const { return Form(u"frmSelectFolder").Handle(); }
  HWND control(std::u16string_view name) const { return Control(u"frmSelectFolder", name); }
  // The rows of the folder list as it shows them.
  std::vector<std::u16string> rows() const {
    std::vector<std::u16string> shown;
    const auto count = ::SendMessageW(control(u"dirSel"), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t row[MAX_PATH] = {};
      ::SendMessageW(control(u"dirSel"), LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(row));
      shown.push_back(platform::win32::fromWide(row));
    }
    return shown;
  }

  static std::u16string makeRoot() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    std::u16string path =
        platform::win32::fromWide(temp) + u"sigpatch chooser " + text::dec(::GetCurrentProcessId());
    ::CreateDirectoryW(platform::win32::wide(path).c_str(), nullptr);
    // As the file system spells it.
    wchar_t full[MAX_PATH] = {};
    ::GetLongPathNameW(platform::win32::wide(path).c_str(), full, MAX_PATH);
    return platform::win32::fromWide(full);
  }

  std::u16string root = makeRoot();
  Application app;
  SelectFolder chooser;
};

// The dialog opens on the preset folder: the drive list on its drive, the
// folder list on the folder with its two folders inside, the path box with the
// path. A double click opens "beta", whose path "&OK" returns, under the
// hourglass; the main window waits disabled meanwhile.
TEST_F(Win32SelectFolderTest, APickedFolderComesBackWithOK) {
  frmMain main;
  main.InitMyObjects(&app, nullptr);
  main.Form().Show();
  chooser.SetPath(root);
  std::vector<std::u16string> shownRows;
  std::u16string shownPath;
  std::u16string shownDrive;
  bool mainDisabled = false;
  WhenShown(u"frmSelectFolder", [&] {
    mainDisabled = !::IsWindowEnabled(reinterpret_cast<HWND>(main.Form().hWnd()));
    shownRows = rows();
    shownPath = windowText(control(u"tboPath"));
    shownDrive = windowText(control(u"drvSel"));
    const auto beta = static_cast<WPARAM>(shownRows.size() - 1);
    ::SendMessageW(control(u"dirSel"), LB_SETCURSEL, beta, 0);
    ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control(u"dirSel")), LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(control(u"dirSel")));
    ::SendMessageW(control(u"cmdOK"), BM_CLICK, 0, 0);
  });
  chooser.ShowMain();
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(::IsWindowEnabled(reinterpret_cast<HWND>(main.Form().hWnd())));
  EXPECT_EQ(shownPath, root + u"\\");
  EXPECT_EQ(shownDrive, text::toLower(root.substr(0, 2)));
  ASSERT_GE(shownRows.size(), 3u);
  EXPECT_EQ(shownRows[shownRows.size() - 2], u"Alpha");
  EXPECT_EQ(shownRows.back(), u"beta");
  EXPECT_TRUE(chooser.OK());
  EXPECT_EQ(chooser.Path(), root + u"\\beta\\");
  EXPECT_EQ(toolkit().Screen().MousePointer(), toolkit::kPointerHourglass);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_FALSE(::IsWindowVisible(window()));
}

// A typed path counts as typed, with its final "\" ensured; the path box
// selects all of its text when it gets the focus.
TEST_F(Win32SelectFolderTest, ATypedPathComesBackWithItsBackslash) {
  std::pair<DWORD, DWORD> selection{};
  WhenShown(u"frmSelectFolder", [&] {
    ::SetFocus(control(u"tboPath"));
    toolkit().DoEvents();
    ::SendMessageW(control(u"tboPath"), EM_GETSEL, reinterpret_cast<WPARAM>(&selection.first),
                   reinterpret_cast<LPARAM>(&selection.second));
    ::SendMessageW(control(u"tboPath"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\Temp"));
    ::SendMessageW(control(u"cmdOK"), BM_CLICK, 0, 0);
  });
  chooser.ShowMain();
  EXPECT_EQ(selection.first, 0u);
  EXPECT_GT(selection.second, 0u);
  EXPECT_TRUE(chooser.OK());
  EXPECT_EQ(chooser.Path(), u"C:\\Temp\\");
}

// Another drive picked in the drive list opens its folder in the folder
// list, and the path box follows.
TEST_F(Win32SelectFolderTest, ADrivePickedInTheListOpensItsFolder) {
  chooser.SetPath(root);
  std::u16string before;
  std::u16string after;
  WhenShown(u"frmSelectFolder", [&] {
    HWND drives = control(u"drvSel");
    before = windowText(control(u"tboPath"));
    const auto z = ::SendMessageW(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(L"z:"));
    ::SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(z), 0);
    ::SendMessageW(window(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(drives), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(drives));
    after = windowText(control(u"tboPath"));
    ::SendMessageW(control(u"cmdCancel"), BM_CLICK, 0, 0);
  });
  chooser.ShowMain();
  EXPECT_EQ(before, root + u"\\");
  ASSERT_GE(after.size(), 3u);
  EXPECT_EQ(text::toLower(after.substr(0, 3)), u"z:\\") << text::toUtf8(after);
  EXPECT_EQ(after.back(), u'\\');
}

TEST_F(Win32SelectFolderTest, CancelLeavesThePresetPath) {
  chooser.SetPath(root);
  WhenShown(u"frmSelectFolder", [&] {
    ::SendMessageW(control(u"tboPath"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\Other"));
    ::SendMessageW(control(u"cmdCancel"), BM_CLICK, 0, 0);
  });
  chooser.ShowMain();
  EXPECT_FALSE(chooser.OK());
  EXPECT_EQ(chooser.Path(), root);
  EXPECT_EQ(toolkit().Screen().MousePointer(), toolkit::kPointerDefault);
}

TEST_F(Win32SelectFolderTest, TheCloseBoxCancels) {
  chooser.SetPath(root);
  WhenShown(u"frmSelectFolder", [&] { ::SendMessageW(window(), WM_SYSCOMMAND, SC_CLOSE, 0); });
  chooser.ShowMain();
  EXPECT_FALSE(chooser.OK());
  EXPECT_EQ(chooser.Path(), root);
}

// 4470 x 3855 twips are 298 x 257 pixels; the buttons stand one margin (120
// twips, 8 pixels) above the bottom, at 3855 - 375 - 120 = 3360 twips (224
// pixels), "&Cancel" one margin from the right edge; the lists and the path
// box are 4470 - 240 = 4230 twips (282 pixels) wide; the folder list runs down
// to one margin above the buttons: 3360 - 840 - 120 = 2400 twips (160 pixels).
// At 500 x 400 pixels (7500 x 6000 twips) the buttons stand at 5505 twips (367
// pixels), the folder list is 4545 twips (303 pixels) high.
TEST_F(Win32SelectFolderTest, ControlsStandWhereTheLayoutPutsThem) {
  std::vector<Place> design;
  std::vector<Place> resized;
  auto places = [&] {
    return std::vector<Place>{placeOf(control(u"tboPath")), placeOf(control(u"dirSel")),
                              placeOf(control(u"cmdOK")), placeOf(control(u"cmdCancel"))};
  };
  WhenShown(u"frmSelectFolder", [&] {
    design = places();
    ResizeClient(window(), 500, 400);
    resized = places();
    ::SendMessageW(control(u"cmdCancel"), BM_CLICK, 0, 0);
  });
  chooser.ShowMain();
  EXPECT_EQ(design, (std::vector<Place>{
                        {8, 8, 282, 21}, {8, 56, 282, 160}, {8, 224, 81, 25}, {209, 224, 81, 25}}));
  EXPECT_EQ(resized,
            (std::vector<Place>{
                {8, 8, 484, 21}, {8, 56, 484, 303}, {8, 367, 81, 25}, {411, 367, 81, 25}}));
}

class Win32SplashTest : public Win32UiTest {};

TEST_F(Win32SplashTest, ShowsTheTitleAndTheCompanyWithoutATitleBar) {
  Splash splash;
  splash.ShowMain();
  splash.AddText(u"");
  auto& form = Form(u"frmSplash");
  HWND window = form.Handle();
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION, WS_DLGFRAME);
  EXPECT_EQ(clientOf(window), (Place{0, 0, 330, 250}));
  EXPECT_EQ(windowText(form.ControlHandle(u"lblProductName")), u"Sigpatch");
  EXPECT_EQ(windowText(form.ControlHandle(u"tboText")), u"Sigpatch V1.01.02\r\nFerrolite\r\n\r\n");
  // In the middle of the work area.
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT frame{};
  ::GetWindowRect(window, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (area.top + area.bottom) / 2, 1);
  clock.Jump(2s);
}

class Win32MessageBoxTest : public Win32UiTest {};

TEST_F(Win32MessageBoxTest, ShowsTextAndTitleWithTheCriticalStopIconWhenAsked) {
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  toolkit().MsgBox(u"Duplicate Argument: PATH", toolkit::MsgBoxStyle::Critical);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, u"Duplicate Argument: PATH");
  EXPECT_EQ(seen->title, u"Sigpatch");
  EXPECT_TRUE(seen->criticalIcon);

  seen.reset();
  AnswerNextMessageBox(seen);
  toolkit().MsgBox(u"System Information Is Unavailable At This Time", toolkit::MsgBoxStyle::OkOnly,
                   u"About");
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, u"System Information Is Unavailable At This Time");
  EXPECT_EQ(seen->title, u"About");
  EXPECT_FALSE(seen->criticalIcon);
}

}  // namespace
}  // namespace sigpatch::testing
