// How soon the desktop window shows its first line: the program's start with
// the real services and the desktop toolkit (SIGPATCH_UI=qt), which it loads
// from the module as the program does, timed from the start of the process to
// the first time the output box paints a line. The run then goes on to
// "Finished!" and the driver leaves without the window's final three seconds.
// bench/qt_start.sh runs it under Xvfb against bench_qt_minimal.

#include <QApplication>
#include <QEvent>
#include <QTextEdit>
#include <cstdio>
#include <cstdlib>

#include "ProcessStart.h"
#include "app/Application.h"
#include "startup/SystemServices.h"

namespace {

// Reports the first paint of the output box that shows a line.
class FirstLine : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !reported_) {
      auto* box = qobject_cast<QTextEdit*>(watched->parent());
      if (box != nullptr && box->objectName() == QLatin1String("tboOutput") &&
          !box->document()->isEmpty()) {
        reported_ = true;
        std::fprintf(stderr, "first line shown %.1f ms after the process started\n",
                     sigpatch::bench::sinceProcessStart());
      }
    }
    return false;
  }

 private:
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  setenv("SIGPATCH_UI", "qt", 1);
  auto services = sigpatch::startup::SystemServices::start(argc, argv);
  if (qApp == nullptr) {
    std::fprintf(stderr, "the desktop toolkit did not open\n");
    return 1;
  }
  FirstLine watch;
  qApp->installEventFilter(&watch);
  sigpatch::Application application;
  application.Execute();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
