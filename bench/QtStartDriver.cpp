// How soon the desktop window shows its first line: the program's start with
// the real services and the desktop toolkit (SIGPATCH_UI=qt), timed from the
// start of the process to the first time the output box paints a line. The run
// then goes on to "Finished!" and the driver leaves without the window's final
// three seconds. bench/qt_start.sh runs it under Xvfb.

#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QTextEdit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Application.h"
#include "startup/SystemServices.h"

namespace {

// Milliseconds since the process started, by the kernel's clock of the boot
// (in clock ticks, 10 ms on most systems).
double sinceStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;  // field 22: the start time
  const double started = std::stod(field) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started) *
         1000.0;
}

// Reports the first paint of the output box that shows a line.
class FirstLine : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !reported_) {
      auto* box = qobject_cast<QTextEdit*>(watched->parent());
      if (box != nullptr && box->objectName() == QLatin1String("tboOutput") &&
          !box->document()->isEmpty()) {
        reported_ = true;
        std::fprintf(stderr, "first line shown %.0f ms after the process started\n",
                     sinceStart());
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
