// The yardstick of the desktop window's start: the smallest Qt Widgets program
// that shows one line in a text box, timed from the start of the process to
// the first paint of the box, as bench_qt_start times Sigpatch's window. It
// leaves at once after that paint. bench/qt_start.sh runs both on one Xvfb.

#include <QApplication>
#include <QEvent>
#include <QTextEdit>
#include <cstdio>
#include <cstdlib>

#include "ProcessStart.h"

namespace {

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      std::fprintf(stderr, "first line shown %.1f ms after the process started\n",
                   sigpatch::bench::sinceProcessStart());
      std::fflush(stderr);
      std::_Exit(0);
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QTextEdit box;
  box.setPlainText(QStringLiteral("Sigpatch V1.01.02"));
  FirstPaint watch;
  box.viewport()->installEventFilter(&watch);
  box.show();
  return QApplication::exec();
}
