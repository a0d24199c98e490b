// The program's four windows against the fake toolkit.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <optional>

#include "app/AppMain.h"
#include "app/Application.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "registry/RegUtilities.h"
#include "resources/VersionInfo.h"
#include "runtime/RuntimeError.h"
#include "ui/About.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using toolkit::headless::ColoredText;
using toolkit::headless::HeadlessWindow;
constexpr std::u16string_view kNotSet = u": 91, Object variable or With block variable not set";

// The gaps in twips that a control keeps to the edges of its window's inner area at any size; a
// free edge follows the rest of the layout.
constexpr double kFree = std::numeric_limits<double>::quiet_NaN();
struct Gaps {
  double left = kFree, top = kFree, right = kFree, bottom = kFree;
};
using Layout = std::vector<std::pair<const toolkit::Control*, Gaps>>;

// Drags the window to its inner size, one and a half times that, three times as wide and three
// times as high: every visible control lies inside and keeps its gaps. Smaller than its controls
// (100 x 100, 0 x 0), no control gets a negative size.
void ExpectLayoutFollows(HeadlessWindow& window, const Layout& layout) {
  const double w0 = window.ScaleWidth(), h0 = window.ScaleHeight(), near = 1e-3;
  for (const auto& [w, h] : {std::pair{w0, h0}, {1.5 * w0, 1.5 * h0}, {3 * w0, h0}, {w0, 3 * h0}}) {
    window.UserResize(w, h);
    for (const auto& [c, g] : layout) {
      if (!c->Visible()) continue;
      SCOPED_TRACE(text::toUtf8(c->Name()) + " in " + std::to_string(w) + " x " +
                   std::to_string(h));
      const double got[] = {c->Left(), c->Top(), w - c->Left() - c->Width(),
                            h - c->Top() - c->Height()};
      const double want[] = {g.left, g.top, g.right, g.bottom};
      for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(got[i] > -near && (std::isnan(want[i]) || std::abs(got[i] - want[i]) < near))
            << got[i];
      }
    }
  }
  for (const double size : {100.0, 0.0}) {
    window.UserResize(size, size);
    for (const auto& [c, gaps] : layout) EXPECT_TRUE(c->Width() >= 0 && c->Height() >= 0);
  }
}

class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest() {
    system.tickCount = 90061000;  // one day, one hour, one minute and one second
    fake.Set([&](platform::Platform& services) {
      services.system = &system, services.registry = &registry;
      services.processes = &processes, services.fileSystem = &files;
    });
  }
  HeadlessWindow& Form(std::u16string_view name) { return fake.windowing.Form(name); }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  fakes::FakeRegistry registry;
  fakes::FakeProcesses processes;
  fakes::FakeFileSystemService files;
};

class frmMainTest : public WindowsTest {
 protected:
  frmMainTest() { Fresh(); }
  // A new main window, not loaded; `abouts` counts the About boxes asked for.
  void Fresh(bool init = true) {
    frm.emplace();
    if (init) frm->InitMyObjects(nullptr, nullptr);
    abouts = 0;
    frm->AboutRequested.connect([this] { ++abouts; });
  }
  HeadlessWindow& window() { return Form(u"frmMain"); }
  toolkit::headless::HeadlessRichTextBox& box() { return window().RichTextBoxNamed(u"tboOutput"); }
  toolkit::headless::HeadlessImage& pin() { return window().ImageNamed(u"imgPin"); }
  std::string pinShows() {
    const auto shown = pin().Picture().Handle();
    if (shown == window().ImageNamed(u"imgPinned").Picture().Handle()) return "pinned";
    return shown == window().ImageNamed(u"imgUnpinned").Picture().Handle() ? "unpinned" : "none";
  }

  int abouts = 0;
  std::optional<frmMain> frm;
};

TEST_F(frmMainTest, FaultsOfTheLoadAndOfTheAboutBoxAreReported) {
  Fresh(false);  // without InitMyObjects
  frm->AboutRequested.connect([] { throw RuntimeError(err::kObjectNotSet); });
  frm->Form().Show();
  EXPECT_EQ(box().Runs(), (std::vector<ColoredText>{{u"Sigpatch V1.01.02\r\n \r\n", 0}}));
  window().PressKey(toolkit::kKeyF1);
  EXPECT_EQ(pinShows(), "pinned");
  EXPECT_EQ(
      fake.windowing.Prompts(),
      (std::vector<std::u16string>{u"sigpatch.frmMain.Form_Load" + std::u16string(kNotSet),
                                   u"sigpatch.frmMain.Form_KeyUp" + std::u16string(kNotSet)}));
}

TEST_F(frmMainTest, EachLineHasItsColourAndEndsInOneLineBreak) {
  frm->Form().Show();
  box().SetText(u"");
  bool ran = false;
  fake.windowing.Queue([&] { ran = true; });
  frm->AddText(u"abc\r\n\r\n", 16711680);
  EXPECT_TRUE(ran);  // each line lets queued events run
  frm->AddText(u"def", 255);
  frm->AddText(u"g\r\nh");
  frm->AddText(u"i\r");
  frm->AddText(u"");
  frm->FTC_FileTreeChange(u"Copied /srv/a.dat", 255);  // change lines are black
  EXPECT_EQ(box().Runs(),
            (std::vector<ColoredText>{{u"abc\r\n", 16711680},
                                      {u"def\r\n", 255},
                                      {u"g\r\nh\r\ni\r\r\nCopied /srv/a.dat\r\n", 0}}));
  // A step that fails leaves the line alone in the box, and it is no output.
  fake.clock.Advance(10s);
  fake.windowing.Queue([] { throw RuntimeError(err::kOutOfMemory); });
  frm->AddText(u"abc\r\n\r\n");
  EXPECT_EQ(box().Text(), u"abc\r\n");
  const auto before = fake.clock.now;
  frm->Terminate();
  EXPECT_EQ(fake.clock.now, before);
}

// The window from its making on, step by step: S show, H load hidden, L a line, E an empty line,
// P click the pin, F F1, K other keys, D PinDown, T Terminate, C its close box, t the toolkit is a
// terminal; a, b, c let 0.7, 2.5, 10 seconds pass; q queues a click on the pin, w one in 2.5
// seconds, l a line in 2 seconds. Then: what the pin shows, whether the window is open, whether
// the About box was asked for, the milliseconds that passed. Each row starts at a whole second;
// Terminate waits until three seconds (on the clock's second boundaries) have passed since the
// last line of a window a person reads, and closes it unless it is pinned.
TEST_F(frmMainTest, ThePinF1AndTheEndOfTheRun) {
  const auto click = [&] { pin().Click(); };
  const auto wait = [&](auto time) { return [&, time] { fake.clock.Advance(time); }; };
  // clang-format off
  const std::map<char, std::function<void()>> steps = {
      {'S', [&] { frm->Form().Show(); }}, {'H', [&] { frm->Form().Load(); }},
      {'L', [&] { frm->AddText(u"line"); }}, {'E', [&] { frm->AddText(u""); }}, {'P', click},
      {'F', [&] { window().PressKey(toolkit::kKeyF1); }},
      {'K', [&] { window().PressKey(113), window().PressKey(toolkit::kKeyReturn); }},
      {'D', [&] { frm->PinDown(); }}, {'T', [&] { frm->Terminate(); }},
      {'C', [&] { window().ClickCloseBox(); }}, {'t', [&] { fake.windowing.showsWindows = false; }},
      {'a', wait(700ms)}, {'b', wait(2500ms)}, {'c', wait(10s)},
      {'q', [&] { fake.windowing.Queue(click); }},
      {'w', [&] { fake.windowing.QueueAfter(2500ms, click); }},
      {'l', [&] { fake.windowing.QueueAfter(2s, [&] { frm->AddText(u"late"); }); }}};
  const std::pair<const char*, const char*> rows[] = {
      {"aST", "unpinned closed 3000"}, {"ScT", "unpinned closed 10000"}, {"SbET", "unpinned closed 5000"},
      {"SlT", "unpinned closed 5000"}, {"STT", "unpinned closed 3000"}, {"HLT", "unpinned closed 0"},
      {"SCLT", "unpinned closed 0"}, {"tSLT", "unpinned closed 0"}, {"SK", "unpinned open 0"},
      {"SP", "pinned open 0"}, {"SPP", "unpinned open 0"}, {"SPPT", "unpinned closed 3000"},
      {"SPT", "pinned open 3000"}, {"SPTP", "unpinned closed 3000"}, {"SPTT", "pinned open 3000"},
      {"SF", "pinned open about 0"}, {"SPF", "pinned open about 0"}, {"SFT", "pinned open about 3000"},
      {"SPTF", "pinned open about 3000"}, {"SwT", "pinned open 3000"}, {"SqLT", "pinned open 3000"},
      {"SqD", "unpinned open 0"}};  // PinDown, then the click
  // clang-format on
  for (const auto& [run, expected] : rows) {
    Fresh();
    fake.windowing.showsWindows = true;
    const auto start = fake.clock.now;
    for (const char step : std::string_view(run)) steps.at(step)();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(fake.clock.now - start);
    EXPECT_EQ(pinShows() + (window().IsLoaded() ? " open" : " closed") +
                  (abouts > 0 ? " about " : " ") + std::to_string(took.count()),
              expected)
        << run;
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
}

// Centred in a work area of 1024 x 738 pixels of 15 twips (the frame adds 120 x 450); margins of
// 120 twips; the unpinned pin is 16 pixels wide, the pinned one 12.
TEST_F(frmMainTest, TheBoxFillsTheWindowUpToThePin) {
  frm->Form().Show();
  EXPECT_EQ(std::pair(window().Left(), window().Top()), std::pair(4432.0, 3442.0));  // halves down
  for (const double pinWidth : {240, 180}) {
    ExpectLayoutFollows(
        window(),
        {{&pin(), {.top = 120, .right = 120}},
         {&box(), {.left = 120, .top = 120, .right = 240 + pinWidth, .bottom = 120 + 375}},
         {&window().StatusBarNamed(u"sbInfo"), {.left = 0, .right = 0, .bottom = 0}}});
    window().UserResize(6375, 3735);
    pin().Click();
  }
}

TEST_F(WindowsTest, TheAboutBoxItsLinesItsLinkAndItsFaults) {
  {
    About about;  // made loaded, and gone with its object unless shown
    auto& form = Form(u"frmAbout");
    auto& text = form.RichTextBoxNamed(u"txtText");
    auto& link = form.LabelNamed(u"lblLink");
    EXPECT_TRUE(form.IsLoaded() && !form.IsVisible());
    EXPECT_EQ(form.Caption(), u"About Sigpatch");
    about.AddText(u"one"), about.AddText(u""), about.AddText(u"two\r\n");
    EXPECT_EQ(text.Text(), u"Sigpatch V1.01.02\r\nFerrolite\r\n" +
                               SysUtilities().GetOSVersionString() +
                               u"\r\nSystem UpTime: 1 days 01:01:01\r\n\r\nChecks for definition "
                               u"updates in a specified location and applies them.\r\n\r\n"
                               u"Ferrolite\r\n\r\none\r\n\r\ntwo\r\n\r\n");
    EXPECT_EQ(text.SelStart() + text.SelLength(), 0);  // it shows its top
    EXPECT_EQ(link.MouseIcon().Handle(), form.ImageNamed(u"imgCur").Picture().Handle());
    link.Click();
    ASSERT_EQ(processes.shellCalls.size(), 1u);
    EXPECT_EQ(processes.shellCalls[0].operation + u" " + processes.shellCalls[0].file,
              u"open " + std::u16string(resources::kLink));
    about.SetShowLink(false);
    EXPECT_FALSE(link.Visible());
  }
  EXPECT_EQ(fake.windowing.FindForm(u"frmAbout"), nullptr);
  Application app;
  About withoutApplication;
  withoutApplication.ShowMain(0);
  EXPECT_TRUE(Form(u"frmAbout").IsVisible());
  About otherMode;
  otherMode.SetApplication(&app);
  otherMode.ShowMain(2);
  EXPECT_FALSE(Form(u"frmAbout").IsVisible());
  EXPECT_EQ(fake.windowing.Prompts(),
            (std::vector<std::u16string>{
                u"sigpatch.frmAbout.InitMyObjects" + std::u16string(kNotSet),
                u"sigpatch.About.ShowMain: 5, Invalid procedure call or argument"}));
}

// F1 in the main window shows a modeless About box with the main window's icon, that stays until
// closed; without a main window (the factory could not build it) the box keeps its own icon.
TEST_F(WindowsTest, F1InTheMainWindowShowsAModelessAboutBoxThatStaysUntilClosed) {
  Application app;
  app.AM()->frm()->Form().Show();
  const auto icon = app.AM()->frm()->Form().Icon().Handle();
  Form(u"frmMain").PressKey(toolkit::kKeyF1);
  auto& box = Form(u"frmAbout");
  EXPECT_TRUE(box.IsVisible());
  EXPECT_EQ(std::pair(box.Icon().Handle(), box.ImageNamed(u"imgIcon").Picture().Handle()),
            std::pair(icon, icon));
  box.ClickCloseBox();
  fake.windowing.DoEvents();
  EXPECT_EQ(fake.windowing.FindForm(u"frmAbout"), nullptr);
  app.AM()->Setfrm(nullptr);
  app.ShowAboutBox(0);
  EXPECT_NE(Form(u"frmAbout").Icon().Handle(), icon);
  app.SetAM(nullptr);
  app.ShowAboutBox(0);
  EXPECT_NE(Form(u"frmAbout").Icon().Handle(), icon);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

// System Info starts the program named under MSINFO, else MSINFO32.EXE in the shared tools
// folder; each row adds to the rows above it. Then what it said, and what it tried to start.
TEST_F(WindowsTest, SystemInfoStartsTheSystemInformationProgramOrSaysItIsUnavailable) {
  const auto set = [](std::u16string key, std::u16string_view name, std::u16string value) {
    RegUtilities().SetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\" + key, name,
                               Variant(value), u"REG_SZ");
  };
  const bool windows = runtime::kNativePathStyle == runtime::PathStyle::Windows;
  const std::u16string tools = windows ? u"C:\\MSInfo" : u"/opt/msinfo";
  const auto program = tools + runtime::separatorOf(runtime::kNativePathStyle) + u"MSINFO32.EXE";
  const std::u16string no = u"System Information Is Unavailable At This Time|";
  const std::pair<std::function<void()>, std::u16string> rows[] = {
      {[] {}, no},
      {[&] { set(u"Shared Tools Location", u"MSINFO", tools), files.disk.AddFolder(tools); }, no},
      {[&] { files.disk.AddFile(program); }, u"|\"" + program + u"\""},
      {[&] { set(u"Shared Tools\\MSINFO", u"PATH", u"C:\\Common Files\\i.exe"); },
       u"|\"C:\\Common Files\\i.exe\""},
      {[&] { processes.startSucceeds = false; }, no + u"\"C:\\Common Files\\i.exe\""}};
  for (const auto& [setup, expected] : rows) {
    setup();
    processes.starts.clear();
    fake.windowing.messages.clear();
    About about;
    Form(u"frmAbout").ButtonNamed(u"cmdSysInfo").Click();
    std::u16string did =
        fake.windowing.messages.empty() ? u"|" : fake.windowing.Prompts()[0] + u"|";
    for (const auto& start : processes.starts) did += start.commandLine;
    EXPECT_EQ(did, expected);
  }
}

// Margins of 120 twips across; down, the window's units make them kDown. The rules lie between
// the text and the buttons; every line ends at the margin.
TEST_F(WindowsTest, TheAboutBoxFollowsItsSizeWithAndWithoutTheLogo) {
  Application app;
  About about;
  about.SetApplication(&app);
  about.ShowMain(0);
  auto& form = Form(u"frmAbout");
  constexpr double kDown = 163.2604;
  for (const bool logo : {true, false}) {
    SCOPED_TRACE(logo ? "with the logo" : "without the logo");
    about.SetShowLogo(logo);
    const double top = logo ? 1440 : 120;
    ExpectLayoutFollows(form,
                        {{&form.ImageNamed(u"imgLogo"), {.left = 120, .top = 120}},
                         {&form.LabelNamed(u"lblLink"),
                          {.left = 120, .top = logo ? 960 : kFree, .bottom = logo ? kFree : kDown}},
                         {&form.ImageNamed(u"imgIcon"), {.left = 120, .top = top}},
                         {&form.RichTextBoxNamed(u"txtText"),
                          {.left = 720, .top = top, .right = 120, .bottom = 690 + 2.5 * kDown}},
                         {&form.ButtonNamed(u"cmdOK"), {.right = 120, .bottom = 345 + 1.5 * kDown}},
                         {&form.ButtonNamed(u"cmdSysInfo"), {.right = 120, .bottom = kDown}},
                         {&form.ImageNamed(u"imgCur"), {}}});
    form.UserResize(9000, 6000);
    for (const std::u16string_view name :
         {u"lnLine(0)", u"lnLine(1)", u"lnLogoLine(0)", u"lnLogoLine(1)"}) {
      const auto& line = form.LineNamed(name);
      const bool rule = !name.starts_with(u"lnLogo");
      EXPECT_NEAR(line.X2(), 9000 - 120, 1e-3);
      EXPECT_EQ(line.Visible(), logo || rule);
      EXPECT_NEAR(rule ? line.Y1() + line.Y2() : 0, rule ? 2 * (6000 - 690 - 2 * kDown) : 0, 1e-3);
    }
  }
}

// The folder chooser, over drives c: (with the current folder), d: and e: (not ready). From the
// preset path: what it shows (the drive list's drive, the folder list's folder | the path box),
// what the user types and clicks (O OK, X Cancel, C the close box), whether it is OK and the path.
TEST_F(WindowsTest, TheFolderChooser) {
  auto& folders = fake.windowing.folders;
  folders = fakes::FakeFolders(runtime::PathStyle::Windows);
  folders.drives = {u"c:", u"d:", u"e:"};
  folders.notReady.insert(u"e:");
  folders.AddFolder(u"D:\\Updates");
  folders.AddFolder(u"E:\\Sigfetch");
  const std::u16string home = u"c: C:\\Users\\user | C:\\Users\\user\\";
  const std::u16string updates = u"d: D:\\Updates | D:\\Updates\\";
  const struct {
    std::u16string preset, shown;
    const char16_t* typed;
    char click;
    std::u16string chosen;
  } rows[] = {{u"", home, u"C:\\Temp", 'O', u"OK C:\\Temp\\"},
              {u"", home, u"C:\\Nowhere", 'O', u"OK C:\\Nowhere\\"},
              {u"d:\\updates", updates, nullptr, 'O', u"OK D:\\Updates\\"},
              {u"E:\\Sigfetch", u"c: C:\\Users\\user | ", nullptr, 'O', u"OK \\"},
              {u"C:\\Users\\user", home, u"C:\\Temp", 'X', u"cancelled C:\\Users\\user"},
              {u"D:\\Updates", updates, u"C:\\Temp", 'C', u"cancelled D:\\Updates"}};
  std::optional<SelectFolder> chooser;
  for (const auto& row : rows) {
    SCOPED_TRACE(text::toUtf8(row.preset) + " " + row.click);
    fake.windowing.screen.mousePointer = toolkit::kPointerHourglass;
    chooser.emplace(runtime::PathStyle::Windows);
    chooser->SetApplication(nullptr);
    chooser->SetPath(row.preset);
    chooser->SetOK(true);
    fake.windowing.QueueWhenShown(u"frmSelectFolder", [&](HeadlessWindow& dialog) {
      EXPECT_EQ(fake.windowing.screen.mousePointer, toolkit::kPointerDefault);
      EXPECT_FALSE(chooser->OK());
      auto& path = dialog.TextBoxNamed(u"tboPath");
      EXPECT_EQ(dialog.DriveListBoxNamed(u"drvSel").Drive() + u" " +
                    dialog.DirListBoxNamed(u"dirSel").Path() + u" | " + path.Text(),
                row.shown);
      if (row.typed != nullptr) path.Type(row.typed);
      if (row.click == 'C') return dialog.ClickCloseBox();
      dialog.ButtonNamed(row.click == 'O' ? u"cmdOK" : u"cmdCancel").Click();
    });
    chooser->ShowMain();
    EXPECT_EQ((chooser->OK() ? u"OK " : u"cancelled ") + chooser->Path(), row.chosen);
    EXPECT_EQ(fake.windowing.screen.mousePointer,
              chooser->OK() ? toolkit::kPointerHourglass : toolkit::kPointerDefault);
    EXPECT_FALSE(Form(u"frmSelectFolder").IsLoaded());
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
  EXPECT_THROW(chooser->ShowMain(), fakes::ModalLeftOpen);  // nobody closes it
}

// Work area 1024 x 738 pixels of 15 twips; the frame adds 120 x 450.
TEST_F(WindowsTest, TheFolderChoosersListsAndPathBoxAtAnySize) {
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  fake.windowing.QueueWhenShown(u"frmSelectFolder", [&](HeadlessWindow& form) {
    auto& path = form.TextBoxNamed(u"tboPath");
    path.Focus();
    EXPECT_EQ(path.SelStart(), 0);
    EXPECT_EQ(path.SelLength(), static_cast<std::int32_t>(path.Text().size()));
    EXPECT_EQ(form.Left(), (15360 - 4590) / 2);
    EXPECT_EQ(form.Top(), 3382);  // (11070 - 4305) / 2, the half rounded down
    ExpectLayoutFollows(
        form, {{&path, {.left = 120, .top = 120, .right = 120}},
               {&form.DriveListBoxNamed(u"drvSel"), {.left = 120, .top = 480, .right = 120}},
               {&form.DirListBoxNamed(u"dirSel"),
                {.left = 120, .top = 840, .right = 120, .bottom = 375 + 240}},
               {&form.ButtonNamed(u"cmdOK"), {.left = 120, .bottom = 120}},
               {&form.ButtonNamed(u"cmdCancel"), {.right = 120, .bottom = 120}}});
    form.ClickCloseBox();
  });
  chooser.ShowMain();
}

// Each line of the splash lets queued events run; it goes no sooner than two whole seconds (on the
// clock's second boundaries) after its load, and events run while it waits. Each row from a whole
// second, in milliseconds: shown after (-1: never), closed by its owner after, and gone after.
TEST_F(WindowsTest, TheSplashShowsItsLinesAndStaysTwoSecondsAfterItsLoad) {
  {
    Splash splash;
    splash.ShowMain();
    bool ran = false;
    fake.windowing.Queue([&] { ran = true; });
    splash.AddText(u"Loading");
    EXPECT_TRUE(ran);
    splash.AddText(u""), splash.AddText(u"two\r\n");
    auto& form = Form(u"frmSplash");
    EXPECT_TRUE(form.IsVisible());
    EXPECT_EQ(form.LabelNamed(u"lblProductName").Caption(), u"Sigpatch");
    EXPECT_EQ(form.TextBoxNamed(u"tboText").Text(),
              u"Sigpatch V1.01.02\r\nFerrolite\r\nLoading\r\n\r\ntwo\r\n\r\n");
    fake.windowing.QueueAfter(1500ms, [&] { ran = !form.IsLoaded(); });
    splash.frm().Form().Unload();  // closed by the program
    EXPECT_FALSE(ran);
  }
  const int rows[][3] = {{0, 0, 2000},    {900, 0, 2000},    {999, 1001, 2000}, {0, 1500, 2000},
                         {0, 5000, 5000}, {500, 1500, 2000}, {-1, 0, 0}};
  for (const auto& [shownAt, closedAfter, goneAfter] : rows) {
    const auto start = fake.clock.now;
    {
      Splash splash;
      fake.clock.Advance(std::chrono::milliseconds(std::max(shownAt, 0)));
      if (shownAt >= 0) splash.ShowMain();
      fake.clock.Advance(std::chrono::milliseconds(closedAfter));
    }
    EXPECT_EQ(fake.clock.now - start, std::chrono::milliseconds(goneAfter)) << shownAt;
    EXPECT_EQ(fake.windowing.FindForm(u"frmSplash"), nullptr);
  }
}

}  // namespace
}  // namespace sigpatch
