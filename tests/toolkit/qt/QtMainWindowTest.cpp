// The main output window on the desktop toolkit: where its controls are, what
// its box shows, and what the user's keys, clicks and close box do.

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <chrono>
#include <vector>

#include "QtTestSupport.h"
#include "app/Application.h"
#include "toolkit/controls/Image.h"
#include "ui/frmMain.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

// One stretch of one colour in one line of the box: text and colour 0x00BBGGRR.
struct Piece {
  QString text;
  std::int32_t color;
  friend bool operator==(const Piece&, const Piece&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Piece& piece) {
    return out << '"' << piece.text.toStdString() << "\" in " << std::hex << piece.color;
  }
};

// What a text box shows: the stretches of each line, as the view holds them.
std::vector<std::vector<Piece>> shownLines(const QTextEdit& box) {
  std::vector<std::vector<Piece>> lines;
  for (auto block = box.document()->begin(); block.isValid(); block = block.next()) {
    std::vector<Piece> pieces;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const auto fragment = it.fragment();
      const QColor color = fragment.charFormat().foreground().color();
      pieces.push_back(
          {fragment.text(), color.red() | (color.green() << 8) | (color.blue() << 16)});
    }
    lines.push_back(pieces);
  }
  return lines;
}

class QtMainWindowTest : public QtTest {
 protected:
  QtMainWindowTest() {
    frm.emplace();
    frm->InitMyObjects(&app, nullptr);
    // As the update-run controller does for its main window.
    frm->AboutRequested.connect([this] { app.ShowAboutBox(0); });
  }

  QWidget* window() const { return Form(u"frmMain").Widget(); }
  QTextEdit* box() const { return Widget<QTextEdit>(u"frmMain", "tboOutput"); }
  toolkit::Image& image(std::u16string_view name) const {
    return dynamic_cast<toolkit::Image&>(*Form(u"frmMain").FindControl(name));
  }
  bool pinShowsPinned() const {
    return image(u"imgPin").Picture().Handle() == image(u"imgPinned").Picture().Handle();
  }
  bool pinShowsUnpinned() const {
    return image(u"imgPin").Picture().Handle() == image(u"imgUnpinned").Picture().Handle();
  }
  void resizeTo(int width, int height) {
    window()->resize(width, height);
    qtToolkit().DoEvents();
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
TEST_F(QtMainWindowTest, ControlsStandWhereTheLayoutPutsThemAtTheDesignSize) {
  frm->Form().Show();
  EXPECT_EQ(window()->size(), QSize(425, 249));
  EXPECT_EQ(Widget(u"frmMain", "imgPin")->geometry(), QRect(401, 8, 16, 11));
  EXPECT_EQ(box()->geometry(), QRect(8, 8, 385, 208));
  EXPECT_EQ(Widget(u"frmMain", "sbInfo")->geometry(), QRect(0, 224, 425, 25));
  EXPECT_TRUE(Widget(u"frmMain", "imgUnpinned")->isHidden());
  EXPECT_TRUE(Widget(u"frmMain", "imgPinned")->isHidden());
  EXPECT_FALSE(Widget(u"frmMain", "imgPin")->isHidden());
  EXPECT_EQ(window()->windowTitle(), "Sigpatch");
  EXPECT_FALSE(window()->windowIcon().isNull());
  EXPECT_EQ(Widget(u"frmMain", "imgPin")->toolTip(), "Push to pin me down");
}

// 600 x 400 pixels are 9000 x 6000 twips: the pin at 9000 - 360 = 8640 twips
// (576 pixels), the box 8640 - 240 = 8400 twips (560 pixels) wide and 6000 -
// 375 - 240 = 5385 twips (359 pixels) high, the bar along the new bottom.
TEST_F(QtMainWindowTest, ControlsFollowTheWindowWhenTheUserResizesIt) {
  frm->Form().Show();
  resizeTo(600, 400);
  EXPECT_EQ(frm->Form().ScaleWidth(), 9000);
  EXPECT_EQ(frm->Form().ScaleHeight(), 6000);
  EXPECT_EQ(Widget(u"frmMain", "imgPin")->geometry(), QRect(576, 8, 16, 11));
  EXPECT_EQ(box()->geometry(), QRect(8, 8, 560, 359));
  EXPECT_EQ(Widget(u"frmMain", "sbInfo")->geometry(), QRect(0, 375, 600, 25));
}

// 10 x 10 pixels (150 twips): the pin at |150 - 120 - 240| = 210 twips, the box
// |210 - 240| = 30 twips wide and |150 - 375 - 240| = 465 twips high.
TEST_F(QtMainWindowTest, AWindowSmallerThanItsMarginsKeepsPositiveSizes) {
  frm->Form().Show();
  resizeTo(10, 10);
  EXPECT_EQ(Widget(u"frmMain", "imgPin")->geometry(), QRect(14, 8, 16, 11));
  EXPECT_EQ(box()->geometry(), QRect(8, 8, 2, 31));
}

TEST_F(QtMainWindowTest, LinesShowInTheirColoursOneLineEach) {
  frm->Form().Show();
  frm->AddText(u"Looking for SDAT*.EXE Updates in /srv/updates/...");
  frm->AddText(u"Installing /srv/updates/sdat4500.exe...", 16711680);
  frm->AddText(u"Installation failed!\r\n\r\n", 255);
  frm->AddText(u"Finished!");
  using Line = std::vector<Piece>;
  EXPECT_EQ(shownLines(*box()),
            (std::vector<Line>{{{"Sigpatch V1.01.02", 0}},
                               {{" ", 0}},
                               {{"Looking for SDAT*.EXE Updates in /srv/updates/...", 0}},
                               {{"Installing /srv/updates/sdat4500.exe...", 0xFF0000}},
                               {{"Installation failed!", 0x0000FF}},
                               {{"Finished!", 0}},
                               {}}));
  // The caret stands at the end, where the next line goes.
  EXPECT_EQ(box()->textCursor().position(), box()->document()->characterCount() - 1);
}

TEST_F(QtMainWindowTest, TheBoxScrollsToEachNewLine) {
  frm->Form().Show();
  for (int i = 1; i <= 60; ++i) frm->AddText(u"line " + text::dec(i));
  // Scrolled down so far that the line of the caret, under the last line, shows.
  EXPECT_GT(box()->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(box()->viewport()->rect().contains(box()->cursorRect()));
  const auto last = box()->document()->lastBlock().previous();
  EXPECT_EQ(last.text(), "line 60");
}

TEST_F(QtMainWindowTest, TheStatusTextShowsInTheBar) {
  frm->Form().Show();
  auto* panel = Widget<QLabel>(u"frmMain", "Info");
  EXPECT_EQ(panel->text(), "Some status messages will appear here!");
  frm->sbInfo().SetPanelText(u"info", u"Listing /srv/updates/");
  frm->sbInfo().Refresh();
  EXPECT_EQ(panel->text(), "Listing /srv/updates/");
}

TEST_F(QtMainWindowTest, ThePinClickedTogglesItsPictureAndItsSize) {
  frm->Form().Show();
  auto* pin = Widget(u"frmMain", "imgPin");
  ASSERT_TRUE(pinShowsUnpinned());
  QTest::mouseClick(pin, Qt::LeftButton);
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_EQ(pin->geometry(), QRect(401, 8, 12, 12));
  QTest::mouseClick(pin, Qt::LeftButton);
  EXPECT_TRUE(pinShowsUnpinned());
  EXPECT_EQ(pin->geometry(), QRect(401, 8, 16, 11));
  EXPECT_TRUE(frm->Form().IsVisible());
}

TEST_F(QtMainWindowTest, F1WhileTheBoxHasTheFocusPinsTheWindowAndShowsTheAboutBox) {
  frm->Form().Show();
  box()->setFocus();
  ASSERT_EQ(window()->focusWidget(), box());
  QTest::keyClick(box(), Qt::Key_F1);
  EXPECT_TRUE(pinShowsPinned());
  auto* about = qtToolkit().FindForm(u"frmAbout");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->Widget()->isVisible());
  EXPECT_EQ(about->Widget()->windowTitle(), "About Sigpatch");
  // The box is modeless and lives on its own until the user closes it.
  QTest::mouseClick(Widget<QPushButton>(u"frmAbout", "cmdOK"), Qt::LeftButton);
  qtToolkit().DoEvents();
  EXPECT_EQ(qtToolkit().FindForm(u"frmAbout"), nullptr);
}

TEST_F(QtMainWindowTest, OtherKeysDoNothing) {
  frm->Form().Show();
  box()->setFocus();
  QTest::keyClick(box(), Qt::Key_F2);
  QTest::keyClick(box(), Qt::Key_A);
  EXPECT_TRUE(pinShowsUnpinned());
  EXPECT_EQ(qtToolkit().FindForm(u"frmAbout"), nullptr);
}

TEST_F(QtMainWindowTest, AfterTheRunAPinnedWindowStaysAndClosesWhenThePinIsPulled) {
  frm->Form().Show();
  frm->AddText(u"Finished!");
  QTest::mouseClick(Widget(u"frmMain", "imgPin"), Qt::LeftButton);
  clock.Jump(3s);
  frm->Terminate();
  EXPECT_TRUE(window()->isVisible());
  QTest::mouseClick(Widget(u"frmMain", "imgPin"), Qt::LeftButton);
  EXPECT_FALSE(window()->isVisible());
  EXPECT_FALSE(frm->Form().IsLoaded());
}

TEST_F(QtMainWindowTest, AnUnpinnedWindowClosesThreeSecondsAfterItsLastLine) {
  frm->Form().Show();
  frm->AddText(u"Finished!");
  // Two seconds pass by the clock; the wait sleeps until the third is over,
  // when the clock is moved on from the event loop.
  clock.Jump(2s);
  Later([this] { clock.Jump(1s); }, 50);
  frm->Terminate();
  EXPECT_FALSE(window()->isVisible());
}

TEST_F(QtMainWindowTest, TheCloseBoxUnloadsTheWindow) {
  frm->Form().Show();
  window()->close();
  EXPECT_FALSE(window()->isVisible());
  EXPECT_FALSE(frm->Form().IsLoaded());
  // Lines written later go to a window that is no longer shown.
  frm->AddText(u"late");
  EXPECT_FALSE(window()->isVisible());
}

TEST_F(QtMainWindowTest, TheRunControlMinimizesTheWindow) {
  frm->Form().Show();
  frm->Form().SetWindowState(toolkit::kWindowMinimized);
  EXPECT_TRUE(window()->isMinimized());
  EXPECT_EQ(frm->Form().WindowState(), toolkit::kWindowMinimized);
  frm->Form().SetWindowState(toolkit::kWindowNormal);
  EXPECT_EQ(frm->Form().WindowState(), toolkit::kWindowNormal);
}

TEST_F(QtMainWindowTest, TheWindowIsCentredInTheWorkArea) {
  frm->Form().Show();
  // Work area 1024 x 738 pixels; the offscreen screen draws no frame.
  EXPECT_EQ(window()->frameGeometry().topLeft(), QPoint((1024 - 425) / 2, (738 - 249) / 2));
}

// Without a known work area the window would be centred in an area of no size,
// half of it off the screen; it stays where the user can reach it.
TEST_F(QtMainWindowTest, AWindowPlacedOffTheScreenIsKeptOnIt) {
  system.workAreaKnown = false;
  frm->Form().Show();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window()->frameGeometry()))
      << screen.width() << "x" << screen.height();
  frm->Form().Move(1e6, 1e6);
  EXPECT_EQ(window()->frameGeometry().bottomRight(), screen.bottomRight());
}

}  // namespace
}  // namespace sigpatch::testing
