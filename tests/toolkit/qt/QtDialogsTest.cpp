// The About box, the folder chooser, the splash window and the message box on
// the desktop toolkit, opened through the program's own window classes.

#include <QComboBox>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "QtTestSupport.h"
#include "app/AppMain.h"
#include "app/Application.h"
#include "platform/posix/PosixTestSupport.h"
#include "toolkit/qt/QtText.h"
#include "ui/About.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

QString usageLine() {
  return QStringLiteral("Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]");
}

// ---------------------------------------------------------------- About box

class QtAboutTest : public QtTest {
 protected:
  QWidget* window() const { return Form(u"frmAbout").Widget(); }
  QColor pixel(int x, int y) const { return window()->grab().toImage().pixelColor(x, y); }

  Application app;
};

// In the box's own units (1.0649 twips across, 1.4488 down) with the margin
// m = 120 / 1.0649: "&System Info..." at |4635/1.4488 - 345/1.4488 - m| units
// down, 4126.7 twips (275 pixels), and |6555/1.0649 - 1335/1.0649 - m| across,
// 5100 twips (340 pixels); "OK" above it at 3700.1 twips (247 pixels); the
// rule at 3618.5 twips (241 pixels) up to 6435 twips (429 pixels); the text
// box 5715 x 2096.8 twips (381 x 140 pixels) from (720, 1440).
TEST_F(QtAboutTest, ControlsStandWhereTheLayoutPutsThemAtTheDesignSize) {
  About box;
  box.SetApplication(&app);
  box.SetIcon(app.AM()->frm()->Form().Icon());
  box.ShowMain(0);
  EXPECT_EQ(window()->size(), QSize(437, 309));
  EXPECT_EQ(Widget(u"frmAbout", "cmdSysInfo")->geometry(), QRect(340, 275, 89, 23));
  EXPECT_EQ(Widget(u"frmAbout", "cmdOK")->geometry(), QRect(340, 247, 89, 23));
  EXPECT_EQ(Widget(u"frmAbout", "txtText")->geometry(), QRect(48, 96, 381, 140));
  EXPECT_EQ(Widget(u"frmAbout", "imgLogo")->geometry(), QRect(8, 8, 193, 48));
  // The icon is the main window's, 32 x 32 pixels.
  EXPECT_EQ(Widget(u"frmAbout", "imgIcon")->geometry(), QRect(8, 96, 32, 32));
  EXPECT_TRUE(Widget(u"frmAbout", "imgCur")->isHidden());
  // The etched rules: a grey row over a white one, from the margin to 429.
  for (const int x : {9, 200, 428}) {
    EXPECT_EQ(pixel(x, 241), QColor(0x80, 0x80, 0x80)) << x;
    EXPECT_EQ(pixel(x, 242), QColor(Qt::white)) << x;
    EXPECT_EQ(pixel(x, 88), QColor(0x80, 0x80, 0x80)) << x;
    EXPECT_EQ(pixel(x, 89), QColor(Qt::white)) << x;
  }
  EXPECT_NE(pixel(430, 242), QColor(Qt::white));
  window()->close();
}

// 700 x 500 pixels: the buttons at 603 across, 438 and 466 down; the rule at
// 432 down to 692 across; the text box 644 x 331 pixels.
TEST_F(QtAboutTest, ControlsFollowTheWindowWhenTheUserResizesIt) {
  About box;
  box.SetApplication(&app);
  box.ShowMain(0);
  window()->resize(700, 500);
  qtToolkit().DoEvents();
  EXPECT_EQ(Widget(u"frmAbout", "cmdSysInfo")->geometry(), QRect(603, 466, 89, 23));
  EXPECT_EQ(Widget(u"frmAbout", "cmdOK")->geometry(), QRect(603, 438, 89, 23));
  EXPECT_EQ(Widget(u"frmAbout", "txtText")->geometry(), QRect(48, 96, 644, 331));
  EXPECT_EQ(pixel(691, 432), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(pixel(691, 433), QColor(Qt::white));
  window()->close();
}

TEST_F(QtAboutTest, TheUsageTextFollowsTheInformationAndTheBoxShowsItsTop) {
  app.ShowAboutBox(0);
  auto* text = Widget<QTextEdit>(u"frmAbout", "txtText");
  const QStringList lines = text->toPlainText().split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 16);
  EXPECT_EQ(lines[0], "Sigpatch V1.01.02");
  EXPECT_EQ(lines[1], "Ferrolite");
  EXPECT_EQ(lines[5], "Checks for definition updates in a specified location and applies them.");
  EXPECT_EQ(lines[9], usageLine());
  EXPECT_EQ(lines[14], "  /?\t\tThis information");
  EXPECT_EQ(lines[15], "");
  EXPECT_EQ(text->verticalScrollBar()->value(), 0);
  EXPECT_EQ(text->textCursor().position(), 0);
  window()->close();
}

TEST_F(QtAboutTest, TheLinkIsBlueUnderlinedWithItsOwnPointerAndATip) {
  About box;
  box.SetApplication(&app);
  box.ShowMain(0);
  auto* link = Widget<QLabel>(u"frmAbout", "lblLink");
  EXPECT_EQ(link->text(), "https://www.ferrolite.example/sigpatch/");
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_TRUE(link->font().underline());
  EXPECT_EQ(link->toolTip(), "Click Me");
  EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);
  // The tip of the pointing finger is the hot spot.
  EXPECT_EQ(link->cursor().hotSpot(), QPoint(11, 0));
  EXPECT_EQ(link->cursor().pixmap().size(), QSize(32, 32));
  // The label is as wide as its caption.
  EXPECT_EQ(link->width(), link->sizeHint().width());
  window()->close();
}

// "OK" is the box's default and cancel button: Enter and Esc close the modal
// box, wherever the focus is but on another button.
class QtAboutKeyTest : public QtAboutTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(QtAboutKeyTest, TheKeyClosesTheModalBox) {
  About box;
  box.SetApplication(&app);
  bool seenOpen = false;
  Later([&] {
    seenOpen = window()->isVisible();
    auto* focus = window()->focusWidget();
    EXPECT_EQ(focus, Widget(u"frmAbout", "cmdOK"));
    QTest::keyClick(focus, GetParam());
  });
  box.ShowMain(1);
  EXPECT_TRUE(seenOpen);
  EXPECT_FALSE(window()->isVisible());
  EXPECT_FALSE(box.frm().Form().IsLoaded());
}

INSTANTIATE_TEST_SUITE_P(EnterAndEsc, QtAboutKeyTest,
                         ::testing::Values(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));

TEST_F(QtAboutTest, EnterOnTheOtherButtonClicksThatButton) {
  About box;
  box.SetApplication(&app);
  box.ShowMain(0);
  auto* sysInfo = Widget(u"frmAbout", "cmdSysInfo");
  sysInfo->setFocus();
  ASSERT_EQ(window()->focusWidget(), sysInfo);
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  QTest::keyClick(sysInfo, Qt::Key_Return);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, "System Information Is Unavailable At This Time");
  EXPECT_TRUE(window()->isVisible());
  // Alt and the marked letter click it too, in the active window.
  ASSERT_TRUE(Activate(window()));
  seen.reset();
  AnswerNextMessageBox(seen);
  QTest::keyClick(sysInfo, Qt::Key_S, Qt::AltModifier);
  EXPECT_TRUE(WaitUntil([&] { return seen.has_value(); }));
  window()->close();
}

// ---------------------------------------------------------- Folder chooser

class QtSelectFolderTest : public QtTest {
 protected:
  QtSelectFolderTest() {
    std::filesystem::create_directories(folders / "updates/old");
    std::filesystem::create_directories(folders / "updates/new");
    std::filesystem::create_directories(folders / "other");
    chooser.SetApplication(&app);
    chooser.SetPath(text::fromUtf8(folders / "updates/"));
  }
  ~QtSelectFolderTest() override { qtToolkit().Screen().SetMousePointer(toolkit::kPointerDefault); }

  QWidget* window() const { return Form(u"frmSelectFolder").Widget(); }
  QTreeWidget* tree() const { return Widget<QTreeWidget>(u"frmSelectFolder", "dirSel"); }
  QLineEdit* path() const { return Widget<QLineEdit>(u"frmSelectFolder", "tboPath"); }
  QPushButton* button(const char* name) const {
    return Widget<QPushButton>(u"frmSelectFolder", name);
  }
  void doubleClick(const QString& folder) {
    auto* item = tree()->findItems(folder, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(item, nullptr) << folder.toStdString();
    const QPoint at = tree()->visualItemRect(item).center();
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, at);
  }

  TempFolder folders;
  Application app;
  SelectFolder chooser;
};

TEST_F(QtSelectFolderTest, OkTakesThePresetFolder) {
  QString shown;
  QStringList inside;
  QString drive;
  Later([&] {
    shown = path()->text();
    drive = Widget<QComboBox>(u"frmSelectFolder", "drvSel")->currentText();
    auto* open = tree()->currentItem();
    for (int i = 0; open != nullptr && i < open->childCount(); ++i)
      inside << open->child(i)->text(0);
    QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
  });
  chooser.ShowMain();
  const QString preset = QString::fromStdString(folders / "updates/");
  EXPECT_EQ(shown, preset);
  EXPECT_EQ(inside, (QStringList{"new", "old"}));
  EXPECT_EQ(drive,
            toolkit::qt::toQString(platform::drivesAndFolders().DriveOf(text::fromUtf8(folders.path()))));
  EXPECT_TRUE(chooser.OK());
  EXPECT_EQ(chooser.Path(), text::fromUtf8(folders / "updates/"));
  EXPECT_FALSE(window()->isVisible());
  // The work after "OK" runs under the hourglass.
  EXPECT_EQ(qtToolkit().Screen().MousePointer(), toolkit::kPointerHourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
}

TEST_F(QtSelectFolderTest, OkTakesTheFolderOpenedByDoubleClickAndTheTypedPath) {
  QString afterDoubleClick;
  Later([&] {
    doubleClick("old");
    afterDoubleClick = path()->text();
    QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
  });
  chooser.ShowMain();
  EXPECT_EQ(afterDoubleClick, QString::fromStdString(folders / "updates/old/"));
  EXPECT_EQ(chooser.Path(), text::fromUtf8(folders / "updates/old/"));

  SelectFolder typed;
  typed.SetApplication(&app);
  Later([&] {
    ASSERT_TRUE(Activate(window()));
    path()->setFocus(Qt::TabFocusReason);
    // The whole path is selected when the box gets the focus: typing replaces it.
    EXPECT_EQ(path()->selectedText(), path()->text());
    QTest::keyClicks(path(), "/srv/somewhere");
    QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
  });
  typed.ShowMain();
  EXPECT_TRUE(typed.OK());
  EXPECT_EQ(typed.Path(), u"/srv/somewhere/");
}

TEST_F(QtSelectFolderTest, CancelAndTheCloseBoxLeaveThePathAsItWas) {
  QString afterDoubleClick;
  Later([&] {
    doubleClick("new");
    afterDoubleClick = path()->text();
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
  });
  chooser.ShowMain();
  EXPECT_EQ(afterDoubleClick, QString::fromStdString(folders / "updates/new/"));
  EXPECT_FALSE(chooser.OK());
  EXPECT_EQ(chooser.Path(), text::fromUtf8(folders / "updates/"));
  EXPECT_EQ(qtToolkit().Screen().MousePointer(), toolkit::kPointerDefault);

  SelectFolder closed;
  closed.SetApplication(&app);
  closed.SetPath(u"/nowhere/");
  Later([&] { window()->close(); });
  closed.ShowMain();
  EXPECT_FALSE(closed.OK());
  EXPECT_EQ(closed.Path(), u"/nowhere/");
}

TEST_F(QtSelectFolderTest, EscAndEnterDoNothingForTheDialogHasNoDefaultOrCancelButton) {
  bool stillOpen = false;
  Later([&] {
    auto* focus = window()->focusWidget();
    EXPECT_EQ(focus, Widget(u"frmSelectFolder", "drvSel"));
    QTest::keyClick(focus, Qt::Key_Escape);
    QTest::keyClick(path(), Qt::Key_Return);
    stillOpen = window()->isVisible();
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
  });
  chooser.ShowMain();
  EXPECT_TRUE(stillOpen);
}

// 4470 x 3855 twips are 298 x 257 pixels: the buttons one margin above the
// bottom (3855 - 375 - 120 = 3360 twips, 224 pixels), "&Cancel" one margin
// from the right (4470 - 1215 - 120 = 3135 twips, 209 pixels), the boxes 4470
// - 240 = 4230 twips (282 pixels) wide, the folder list 3360 - 840 - 120 =
// 2400 twips (160 pixels) high. At 500 x 400 pixels (7500 x 6000 twips):
// buttons at 6000 - 495 = 5505 twips (367 pixels), "&Cancel" at 7500 - 1335 =
// 6165 twips (411 pixels), boxes 7260 twips (484 pixels) wide, the list 5505 -
// 960 = 4545 twips (303 pixels) high.
TEST_F(QtSelectFolderTest, ControlsStandWhereTheLayoutPutsThem) {
  std::vector<QRect> design;
  std::vector<QRect> resized;
  auto places = [this] {
    return std::vector<QRect>{Widget(u"frmSelectFolder", "tboPath")->geometry(),
                              Widget(u"frmSelectFolder", "drvSel")->geometry(), tree()->geometry(),
                              button("cmdOK")->geometry(), button("cmdCancel")->geometry()};
  };
  Later([&] {
    design = places();
    window()->resize(500, 400);
    qtToolkit().DoEvents();
    resized = places();
    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
  });
  chooser.ShowMain();
  EXPECT_EQ(design, (std::vector<QRect>{{8, 8, 282, 21},
                                        {8, 32, 282, 21},
                                        {8, 56, 282, 160},
                                        {8, 224, 81, 25},
                                        {209, 224, 81, 25}}));
  EXPECT_EQ(resized, (std::vector<QRect>{{8, 8, 484, 21},
                                         {8, 32, 484, 21},
                                         {8, 56, 484, 303},
                                         {8, 367, 81, 25},
                                         {411, 367, 81, 25}}));
}

// ------------------------------------------------------------ Splash window

class QtSplashTest : public QtTest {};

TEST_F(QtSplashTest, ShowsTheTitleInLargeTypeAndItsLines) {
  {
    Splash splash;
    splash.ShowMain();
    splash.AddText(u"Loading the settings");
    auto* window = Form(u"frmSplash").Widget();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(330, 250));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    auto* title = Widget<QLabel>(u"frmSplash", "lblProductName");
    EXPECT_EQ(title->text(), "Sigpatch");
    EXPECT_EQ(title->font().family(), "Arial");
    // As large as the label shows it whole, up to its design size.
    EXPECT_LE(title->font().pointSizeF(), 27.75);
    EXPECT_GT(title->font().pointSizeF(), 12.0);
    EXPECT_LE(QFontMetricsF(title->font()).horizontalAdvance(title->text()), title->width());
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->geometry(), QRect(104, 8, 124, 44));
    auto* lines = Widget<QTextEdit>(u"frmSplash", "tboText");
    EXPECT_EQ(lines->toPlainText(), "Sigpatch V1.01.02\nFerrolite\nLoading the settings\n");
    EXPECT_TRUE(lines->isReadOnly());
    EXPECT_EQ(Widget(u"frmSplash", "imgLogo")->geometry(), QRect(16, 16, 32, 32));
    // In the centre of the screen.
    EXPECT_EQ(window->frameGeometry().center(),
              QGuiApplication::primaryScreen()->availableGeometry().center());
    clock.Jump(2s);
  }
  EXPECT_EQ(qtToolkit().FindForm(u"frmSplash"), nullptr);
}

// ------------------------------------------------------------- Message box

class QtMessageBoxTest : public QtTest {};

TEST_F(QtMessageBoxTest, ShowsTheTextWithTheProgramTitleAndTheStopIcon) {
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  qtToolkit().MsgBox(u"Duplicate Argument: Path", toolkit::MsgBoxStyle::Critical);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, "Duplicate Argument: Path");
  EXPECT_EQ(seen->title, "Sigpatch");
  EXPECT_EQ(seen->icon, QMessageBox::Critical);
}

TEST_F(QtMessageBoxTest, ShowsAnOwnTitleLinesAndNoIcon) {
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  qtToolkit().MsgBox(u"sigpatch.AppMain.RunUpdates: 76, Path not found\r\n<b>not bold</b>",
                   toolkit::MsgBoxStyle::OkOnly, u"Other");
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, "sigpatch.AppMain.RunUpdates: 76, Path not found\n<b>not bold</b>");
  EXPECT_EQ(seen->title, "Other");
  EXPECT_EQ(seen->icon, QMessageBox::NoIcon);
}

}  // namespace
}  // namespace sigpatch::testing
