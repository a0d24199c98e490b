// The desktop toolkit itself: its event pump and waits, pictures, screen,
// controls on a form made for the test, and what it does with a fault that
// the program's handler lets through.

#include <QComboBox>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "QtTestSupport.h"
#include "platform/posix/PosixTestSupport.h"
#include "runtime/RuntimeError.h"
#include "toolkit/Windowing.h"
#include "toolkit/qt/QtRichTextBox.h"
#include "toolkit/qt/QtText.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;
using toolkit::ControlDesign;

toolkit::FormDesign testForm(double width, double height) {
  toolkit::FormDesign design;
  design.Name = u"frmTest";
  design.Caption = u"Test";
  design.ScaleWidth = width;
  design.ScaleHeight = height;
  return design;
}

std::int32_t errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// ------------------------------------------------------------ Event pump

class QtEventPumpTest : public QtTest {};

TEST_F(QtEventPumpTest, DoEventsRunsWhatIsQueued) {
  int ran = 0;
  Later([&] { ++ran; });
  qtToolkit().DoEvents();
  EXPECT_EQ(ran, 1);
}

TEST_F(QtEventPumpTest, AWaitEndsWithTheFirstEvent) {
  bool ran = false;
  Later([&] { ran = true; }, 20);
  const auto deadline = clock.Now() + 15s;
  while (!ran && clock.Now() < deadline) qtToolkit().WaitForEvents(deadline);
  EXPECT_TRUE(ran);
  EXPECT_LT(clock.Now(), deadline);
}

// A wait sleeps until its deadline: a few turns of the event loop, where a
// wait that spun would turn thousands of times.
TEST_F(QtEventPumpTest, AWaitWithoutEventsSleepsUntilTheDeadline) {
  const auto deadline = clock.Now() + 300ms;
  int turns = 0;
  while (clock.Now() < deadline) {
    qtToolkit().WaitForEvents(deadline);
    ++turns;
  }
  EXPECT_LE(turns, 5);
}

TEST_F(QtEventPumpTest, AWaitWhoseDeadlineHasPassedReturnsAtOnce) {
  bool ran = false;
  Later([&] { ran = true; });
  qtToolkit().WaitForEvents(clock.Now() - 1s);
  EXPECT_TRUE(ran);
}

TEST_F(QtEventPumpTest, TheEventLoopRunsUntilTheLastWindowClosesAndLetsGoOfItsOwner) {
  auto form = qtToolkit().NewForm(testForm(3000, 2000));
  form->Show();
  auto owner = std::make_shared<int>(7);
  std::weak_ptr<int> watch = owner;
  qtToolkit().KeepWhileLoaded(*form, std::move(owner));
  Later([&] { form->Unload(); }, 30);
  qtToolkit().RunEventLoop();
  EXPECT_FALSE(form->IsVisible());
  EXPECT_TRUE(watch.expired());
}

TEST_F(QtEventPumpTest, AModalWindowReturnsWhenItIsClosed) {
  auto form = qtToolkit().NewForm(testForm(3000, 2000));
  bool shownModal = false;
  Later([&] {
    auto* widget = Form(u"frmTest").Widget();
    shownModal = widget->isVisible() && widget->isModal();
    widget->close();
  });
  form->Show(toolkit::ShowMode::Modal);
  EXPECT_TRUE(shownModal);
  EXPECT_FALSE(form->IsLoaded());
}

TEST_F(QtEventPumpTest, TheHourglassCoversTheWholeScreenUntilItIsTakenBack) {
  auto& screen = qtToolkit().Screen();
  EXPECT_EQ(screen.TwipsPerPixelX(), 15);
  EXPECT_EQ(screen.TwipsPerPixelY(), 15);
  screen.SetMousePointer(toolkit::kPointerHourglass);
  screen.SetMousePointer(toolkit::kPointerHourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  screen.SetMousePointer(toolkit::kPointerDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(screen.MousePointer(), toolkit::kPointerDefault);
}

// ------------------------------------------------------------ Pictures

class QtPictureTest : public QtTest {};

TEST_F(QtPictureTest, EachLoadIsAPictureOfItsOwnOverTheOnePixmap) {
  const auto first = qtToolkit().LoadPicture(u"pin-unpinned.png");
  const auto second = qtToolkit().LoadPicture(u"pin-unpinned.png");
  EXPECT_NE(first.Handle(), second.Handle());
  EXPECT_NE(first.Handle(), 0);
  EXPECT_EQ(first.WidthPixels(), 16);
  EXPECT_EQ(first.HeightPixels(), 11);
  EXPECT_EQ(qtToolkit().Pixmap(first).cacheKey(), qtToolkit().Pixmap(second).cacheKey());
  EXPECT_EQ(qtToolkit().LoadPicture(u"logo.png").WidthPixels(), 193);
  EXPECT_TRUE(qtToolkit().Pixmap(toolkit::Picture()).isNull());
  EXPECT_EQ(errorOf([] { qtToolkit().LoadPicture(u"missing.png"); }), err::kFileNotFound);
}

// ------------------------------------------------------------ Controls

class QtControlTest : public QtTest {
 protected:
  QtControlTest() : form(qtToolkit().NewForm(testForm(6000, 4000))) {}

  std::unique_ptr<toolkit::Window> form;
};

TEST_F(QtControlTest, AFormHasAHandleOnlyWhileLoaded) {
  EXPECT_EQ(form->hWnd(), 0);
  form->Show();
  EXPECT_NE(form->hWnd(), 0);
  form->Unload();
  EXPECT_EQ(form->hWnd(), 0);
}

TEST_F(QtControlTest, TheRichTextBoxKeepsTheProgramsTextAndShowsItsLines) {
  auto& box = form->AddRichTextBox(ControlDesign::At(u"tboBox", 120, 120, 4000, 2000));
  auto* view = Widget<QTextEdit>(u"frmTest", "tboBox");
  box.SetSelText(u"one\r\ntwo\r\n");
  EXPECT_EQ(box.Text(), u"one\r\ntwo\r\n");
  EXPECT_EQ(box.TextLength(), 10);
  EXPECT_EQ(box.SelStart(), 10);
  EXPECT_EQ(view->toPlainText(), "one\ntwo\n");
  // Insert in the middle, in red, at the start of "two".
  box.SetSelStart(5);
  box.SetSelColor(255);
  box.SetSelText(u"1.5\r\n");
  EXPECT_EQ(box.Text(), u"one\r\n1.5\r\ntwo\r\n");
  EXPECT_EQ(view->toPlainText(), "one\n1.5\ntwo\n");
  EXPECT_EQ(view->document()->findBlockByNumber(1).charFormat().foreground().color(),
            QColor(Qt::black));
  const auto red = view->document()->findBlockByNumber(1).begin().fragment();
  EXPECT_EQ(red.text(), "1.5");
  EXPECT_EQ(red.charFormat().foreground().color(), QColor(255, 0, 0));
  // The caret follows the inserted text: after "1.5\r\n", the start of "two".
  EXPECT_EQ(box.SelStart(), 10);
  EXPECT_EQ(view->textCursor().position(), 8);
  // Colouring a selection colours it in the view too.
  box.SetSelStart(0);
  box.SetSelLength(3);
  box.SetSelColor(0xFF0000);
  EXPECT_EQ(view->document()->begin().begin().fragment().charFormat().foreground().color(),
            QColor(0, 0, 255));
  EXPECT_EQ(view->textCursor().selectedText(), "one");
  box.SetText(u"plain");
  EXPECT_EQ(view->toPlainText(), "plain");
  EXPECT_EQ(box.SelStart(), 0);
  EXPECT_EQ(box.SelColor(), 0);
}

TEST_F(QtControlTest, ALineEndSplitOrMadeByAnInsertionShowsRight) {
  auto& box = form->AddRichTextBox(ControlDesign::At(u"tboBox", 120, 120, 4000, 2000));
  auto* view = Widget<QTextEdit>(u"frmTest", "tboBox");
  box.SetSelText(u"ab\r");
  box.SetSelText(u"\ncd");
  EXPECT_EQ(view->toPlainText(), "ab\ncd");
  box.SetSelStart(3);  // between "\r" and "\n"
  box.SetSelText(u"x");
  EXPECT_EQ(box.Text(), u"ab\rx\ncd");
  EXPECT_EQ(view->toPlainText(), "ab\nx\ncd");
  box.SetSelStart(3);
  box.SetSelLength(1);
  box.SetSelText(u"");
  EXPECT_EQ(view->toPlainText(), "ab\ncd");
  EXPECT_EQ(view->document()->blockCount(), 2);
}

TEST_F(QtControlTest, TextBoxesOfOneAndOfSeveralLines) {
  auto& field = form->AddTextBox(ControlDesign::At(u"txtField", 120, 120, 3000, 315), {u"abc"});
  toolkit::TextBoxDesign linesDesign;
  linesDesign.MultiLine = true;
  auto& lines = form->AddTextBox(ControlDesign::At(u"txtLines", 120, 600, 3000, 1500), linesDesign);
  EXPECT_EQ(field.Text(), u"abc");
  EXPECT_EQ(field.SelStart(), 0);
  field.SetSelStart(1);
  field.SetSelLength(5);
  EXPECT_EQ(field.SelLength(), 2);
  field.SetSelText(u"X");
  EXPECT_EQ(field.Text(), u"aX");
  EXPECT_EQ(field.SelStart(), 2);
  lines.SetSelText(u"first\r\n");
  lines.SetSelText(u"second\r\n");
  EXPECT_EQ(Widget<QTextEdit>(u"frmTest", "txtLines")->toPlainText(), "first\nsecond\n");
  // What the user types is the box's text, with the system's line ends.
  auto* typed = Widget<QTextEdit>(u"frmTest", "txtLines");
  form->Show();
  typed->setFocus();
  typed->moveCursor(QTextCursor::End);
  QTest::keyClicks(typed, "x");
  EXPECT_EQ(lines.Text(), u"first\r\nsecond\r\nx");
  EXPECT_EQ(lines.SelStart(), 16);
}

TEST_F(QtControlTest, TheStatusBarFindsItsPanelByKey) {
  auto& bar = form->AddStatusBar(ControlDesign::At(u"sbBar", 0, 0, 0, 375), {{u"Info", u"ready"}});
  EXPECT_EQ(bar.PanelText(u"INFO"), u"ready");
  bar.SetPanelText(u"info", u"busy");
  EXPECT_EQ(Widget<QLabel>(u"frmTest", "Info")->text(), "busy");
  EXPECT_EQ(errorOf([&] { bar.PanelText(u"Other"); }), err::kElementNotFound);
  EXPECT_EQ(Widget(u"frmTest", "sbBar")->geometry(), QRect(0, 242, 400, 25));
}

TEST_F(QtControlTest, AnImageTakesTheSizeOfEachPicture) {
  auto& image = form->AddImage(ControlDesign::At(u"imgTest", 300, 300, 900, 900), {});
  EXPECT_EQ(Widget(u"frmTest", "imgTest")->geometry(), QRect(20, 20, 60, 60));
  image.SetPicture(qtToolkit().LoadPicture(u"pin-pinned.png"));
  EXPECT_EQ(image.Width(), 180);
  EXPECT_EQ(image.Height(), 180);
  EXPECT_EQ(Widget(u"frmTest", "imgTest")->geometry(), QRect(20, 20, 12, 12));
  image.SetVisible(false);
  EXPECT_TRUE(Widget(u"frmTest", "imgTest")->isHidden());
}

TEST_F(QtControlTest, ACaptionTooWideForItsLabelIsShownWholeInASmallerSize) {
  toolkit::LabelDesign big;
  big.Caption = u"MyApp";
  big.Font.Name = u"Arial";
  big.Font.Size = 27.75;
  big.Font.Bold = true;
  auto& title = form->AddLabel(ControlDesign::At(u"lblTitle", 1560, 120, 1860, 660), big);
  auto* view = Widget<QLabel>(u"frmTest", "lblTitle");
  const auto fits = [&] {
    return QFontMetricsF(view->font()).horizontalAdvance(view->text()) <= view->width();
  };
  title.SetCaption(u"Sigpatch Definitions");
  EXPECT_TRUE(fits());
  EXPECT_LT(view->font().pointSizeF(), 27.75);
  EXPECT_TRUE(view->font().bold());
  // The label keeps its place and size, and its design font.
  EXPECT_EQ(view->geometry(), QRect(104, 8, 124, 44));
  EXPECT_EQ(title.Font().Size, 27.75);
  // A caption that fits is drawn in the design size again.
  title.SetCaption(u"Si");
  EXPECT_EQ(view->font().pointSizeF(), 27.75);
}

// A fault that an event handler of the program does not catch is shown as the
// system shows an unhandled run-time error, and the program goes on.
TEST_F(QtControlTest, AFaultLeftByAHandlerIsShownAndTheWindowGoesOn) {
  toolkit::ButtonDesign design;
  design.Caption = u"&Go";
  auto& button = form->AddButton(ControlDesign::At(u"cmdGo", 120, 120, 1200, 375, 0), design);
  int clicks = 0;
  button.OnClick = [&] {
    ++clicks;
    throw RuntimeError(err::kPathNotFound);
  };
  form->Show();
  std::optional<SeenMessage> seen;
  AnswerNextMessageBox(seen);
  QTest::mouseClick(Widget<QPushButton>(u"frmTest", "cmdGo"), Qt::LeftButton);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, "Run-time error '76':\n\nPath not found");
  EXPECT_EQ(seen->title, "Sigpatch");
  EXPECT_EQ(seen->icon, QMessageBox::Critical);
  EXPECT_TRUE(form->IsVisible());
  EXPECT_EQ(clicks, 1);
}

// ------------------------------------------------------ Drive and folder lists

class QtListsTest : public QtControlTest {
 protected:
  QtListsTest() {
    std::filesystem::create_directories(folders / "b/inner");
    std::filesystem::create_directories(folders / "A");
    std::filesystem::create_directories(folders / ".hidden");
  }

  TempFolder folders;
};

TEST_F(QtListsTest, TheFolderListShowsTheFoldersAboveAndInsideTheOpenFolder) {
  auto& list = form->AddDirListBox(ControlDesign::At(u"dirSel", 120, 120, 4000, 2500));
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.SetPath(text::fromUtf8(folders.path()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.Path(), text::fromUtf8(folders.path()));
  auto* tree = Widget<QTreeWidget>(u"frmTest", "dirSel");
  auto* top = tree->topLevelItem(0);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->text(0), "/");
  EXPECT_EQ(tree->topLevelItemCount(), 1);
  auto* open = tree->currentItem();
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->text(0), QString::fromStdString(folders.path()).section('/', -1));
  ASSERT_EQ(open->childCount(), 2);
  EXPECT_EQ(open->child(0)->text(0), "A");
  EXPECT_EQ(open->child(1)->text(0), "b");
  // A folder that is not there leaves the list as it was.
  EXPECT_EQ(errorOf([&] { list.SetPath(text::fromUtf8(folders / "missing")); }),
            err::kPathNotFound);
  EXPECT_EQ(list.Path(), text::fromUtf8(folders.path()));
  EXPECT_EQ(changes, 1);
  // A drive alone opens the current folder, which lies on it.
  list.SetPath(u"/");
  EXPECT_EQ(list.Path(), platform::drivesAndFolders().CurrentFolder());
}

TEST_F(QtListsTest, TheDriveListShowsTheRootAndTheMountPoints) {
  auto& drives = form->AddDriveListBox(ControlDesign::At(u"drvSel", 120, 120, 4000, 315));
  auto* combo = Widget<QComboBox>(u"frmTest", "drvSel");
  ASSERT_GE(combo->count(), 1);
  EXPECT_EQ(combo->itemText(0), "/");
  EXPECT_EQ(combo->count(), static_cast<int>(platform::drivesAndFolders().Drives().size()));
  EXPECT_EQ(toolkit::qt::fromQString(combo->currentText()), drives.Drive());
  int changes = 0;
  drives.OnChange = [&] { ++changes; };
  drives.SetDrive(text::fromUtf8(folders.path()));
  EXPECT_EQ(drives.Drive(), platform::drivesAndFolders().DriveOf(text::fromUtf8(folders.path())));
  EXPECT_EQ(toolkit::qt::fromQString(combo->currentText()), drives.Drive());
}

}  // namespace
}  // namespace sigpatch::testing
