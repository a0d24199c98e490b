#include "QtTestSupport.h"

#include <QAbstractButton>
#include <QTest>

namespace sigpatch::testing {

QtTest::QtTest() {
  system.workArea = {0, 0, 1024, 738};
  system.workAreaKnown = true;
  services_.windowing = &qtToolkit();
  services_.clock = &clock;
  services_.system = &system;
  services_.registry = &registry;
  services_.drivesAndFolders = &drivesAndFolders;
  installed_.emplace(services_);
  watchdog_.setSingleShot(true);
  QObject::connect(&watchdog_, &QTimer::timeout, [] {
    ADD_FAILURE() << "a window waited for the user longer than the test allows";
    for (auto* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget)) box->done(0);
    }
    for (auto* form : qtToolkit().Forms()) form->Unload();
  });
  watchdog_.start(kPatience);
}

QtTest::~QtTest() {
  // Whatever a test left open closes, so that the next test starts afresh.
  for (auto* form : std::vector<toolkit::qt::QtWindow*>(qtToolkit().Forms())) form->Unload();
  qtToolkit().DoEvents();
  watchdog_.stop();
  installed_.reset();
}

toolkit::qt::QtWindow& QtTest::Form(std::u16string_view name) const {
  auto* form = qtToolkit().FindForm(name);
  if (form == nullptr) throw std::logic_error("no window named " + text::toUtf8(name));
  return *form;
}

void QtTest::Later(std::function<void()> action, int milliseconds) {
  QTimer::singleShot(milliseconds, qApp, std::move(action));
}

bool QtTest::WaitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 60000); }

bool QtTest::Activate(QWidget* window) {
  window->activateWindow();
  return QTest::qWaitForWindowActive(window);
}

void QtTest::AnswerNextMessageBox(std::optional<SeenMessage>& seen) {
  // Looks among the top-level widgets until the box is there.
  // Looks every 10 ms, for as long as a test may last.
  auto look = std::make_shared<std::function<void(int)>>();
  std::weak_ptr<std::function<void(int)>> weak = look;
  *look = [&seen, weak](int turns) {
    for (auto* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      seen = SeenMessage{box->text(), box->windowTitle(), box->icon()};
      box->button(QMessageBox::Ok)->click();
      return;
    }
    auto next = weak.lock();
    if (next && turns < kPatience / 10) {
      QTimer::singleShot(10, qApp, [next, turns] { (*next)(turns + 1); });
    }
  };
  QTimer::singleShot(0, qApp, [look] { (*look)(0); });
}

}  // namespace sigpatch::testing
