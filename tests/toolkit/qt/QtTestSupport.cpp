// The desktop suite's view of Qt's widgets, and the test program: it runs on Qt's offscreen
// platform unless the environment names another, with the toolkit opened as the program opens it,
// for a program in /tmp (the working folder of the packages it starts).

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <iostream>

#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "resources/VersionInfo.h"
#include "toolkit/DesktopSuite.h"
#include "toolkit/qt/DesktopModule.h"
#include "toolkit/qt/QtText.h"
#include "toolkit/qt/QtWindow.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::testing {
namespace {

using toolkit::qt::fromQString;
toolkit::qt::QtWindowing* theToolkit = nullptr;
/// Counts the tests, so that an action queued by one never runs in the next.
int generation = 0;

QWidget* widgetOf(const toolkit::Window& form) {
  return dynamic_cast<const toolkit::qt::QtWindow&>(form).Widget();
}

template <typename W = QWidget>
W* child(const toolkit::Window& form, std::u16string_view name) {
  if (auto* found = widgetOf(form)->findChild<W*>(toolkit::qt::toQString(name))) return found;
  throw std::logic_error("no widget " + text::toUtf8(name));
}

}  // namespace

platform::posix::PosixClock theClock;
platform::posix::PosixDrivesAndFolders theFolders;
toolkit::Windowing& desktop() { return *theToolkit; }
platform::Clock& systemClock() { return theClock; }
platform::DrivesAndFolders& systemFolders() { return theFolders; }
toolkit::Window* findForm(std::u16string_view name) { return theToolkit->FindForm(name); }
toolkit::Control& controlOf(const toolkit::Window& form, std::u16string_view control) {
  return *dynamic_cast<const toolkit::qt::QtWindow&>(form).FindControl(control);
}

void unloadAll() {
  for (auto* form : std::vector<toolkit::qt::QtWindow*>(theToolkit->Forms())) form->Unload();
  theToolkit->DoEvents();
  ++generation;
}

Place clientOf(const toolkit::Window& form) {
  return {0, 0, widgetOf(form)->width(), widgetOf(form)->height()};
}
Place placeOf(const toolkit::Window& form, std::u16string_view control) {
  const QRect at = child(form, control)->geometry();
  return {at.x(), at.y(), at.width(), at.height()};
}
void resizeClient(const toolkit::Window& form, int width, int height) {
  widgetOf(form)->resize(width, height);
  theToolkit->DoEvents();
}
bool shownOnScreen(const toolkit::Window& form) { return widgetOf(form)->isVisible(); }
bool minimizedOnScreen(const toolkit::Window& form) { return widgetOf(form)->isMinimized(); }

std::vector<Shown> shownLines(const toolkit::Window& form, std::u16string_view control) {
  std::vector<Shown> lines;
  for (auto block = child<QTextEdit>(form, control)->document()->begin(); block.isValid();
       block = block.next()) {
    const QColor color = block.begin().atEnd()
                             ? QColor(Qt::black)
                             : block.begin().fragment().charFormat().foreground().color();
    lines.push_back({fromQString(block.text()), u"",
                     color.red() | (color.green() << 8) | (color.blue() << 16)});
  }
  if (!lines.empty() && lines.back().text.empty()) lines.pop_back();  // under the last line end
  return lines;
}

void click(const toolkit::Window& form, std::u16string_view control) {
  QTest::mouseClick(child(form, control), Qt::LeftButton);
}

void later(std::function<void()> action, int milliseconds) {
  QTimer::singleShot(milliseconds, qApp, [action = std::move(action), queued = generation] {
    if (queued == generation) action();
  });
}

void answerNextMessageBox(std::optional<Shown>& seen) {
  later([&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return later([&seen] { answerNextMessageBox(seen); }, 10);
    seen = Shown{fromQString(box->text()), fromQString(box->windowTitle()),
                 box->icon() == QMessageBox::Critical ? 16 : 0};
    box->button(QMessageBox::Ok)->click();
  });
}

}  // namespace sigpatch::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::string failure;
  auto windowing = sigpatch::toolkit::qt::openQtDesktop(
      argc, argv, sigpatch::resources::programInfo(u"sigpatch", u"/tmp"), u"", failure);
  if (!windowing) {
    std::cerr << "qt_tests: the desktop toolkit did not open: " << failure << "\n";
    return 1;
  }
  sigpatch::testing::theToolkit =
      dynamic_cast<sigpatch::toolkit::qt::QtWindowing*>(windowing.get());
  return RUN_ALL_TESTS();
}
