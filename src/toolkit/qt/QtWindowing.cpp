#include "toolkit/qt/QtWindowing.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"
#include "runtime/ErrorReport.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/qt/QtKeyFilter.h"
#include "toolkit/qt/QtText.h"
#include "toolkit/qt/QtWindow.h"

// The pictures are compiled into the library as Qt resources under
// ":/pictures/"; a static library names its resources once before use.
static void initPictures() { Q_INIT_RESOURCE(sigpatch_pictures); }

namespace sigpatch::toolkit::qt {
namespace {

// A message box shows lines, not "\r\n" pairs.
QString messageText(std::u16string_view prompt) {
  QString text = toQString(prompt);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

void QtEvents::Raise(const std::function<void()>& handler) const {
  if (*alive_) windowing_->Deliver(handler);
}

QtWindowing::QtWindowing(int& argc, char** argv, ProgramInfo app, std::u16string command,
                         QtOptions options)
    : app_(std::move(app)), command_(std::move(command)) {
  arguments_.assign(argv, argv + argc);
  if (!options.platform.empty()) {
    arguments_.push_back("-platform");
    arguments_.push_back(options.platform);
  }
  for (auto& argument : arguments_) argv_.push_back(argument.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(arguments_.size());
  if (QApplication::instance() == nullptr) {
    application_ = std::make_unique<QApplication>(argc_, argv_.data());
  }
  // The program decides when it ends, not the closing of its last window.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(toQString(app_.Title));
  initPictures();
  keys_ = std::make_unique<QtKeyFilter>(*this);
  QApplication::instance()->installEventFilter(keys_.get());
  screen_ = std::make_unique<QtScreen>();
}

QtWindowing::~QtWindowing() {
  ReleaseAll();
  // Windows that outlive the layer lose their widgets now, while Qt still runs.
  for (auto* form : std::vector<QtWindow*>(Forms())) form->Orphan();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::instance()->removeEventFilter(keys_.get());
  screen_.reset();
  application_.reset();
}

void QtWindowing::ReleaseAtTop() {
  if (InHandler()) return;
  Windowing::ReleaseAtTop();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtWindowing::DoEvents() {
  Pump pump(*this);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowing::WaitForEvents(platform::Clock::TimePoint deadline) {
  Pump pump(*this);
  const auto remaining =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - platform::clock().Now()).count();
  if (remaining <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  // The timer is an event too: the wait ends with the first event or at the
  // deadline, and sleeps in between.
  QTimer deadlineTimer;
  deadlineTimer.setSingleShot(true);
  deadlineTimer.start(static_cast<int>(std::min<long long>(remaining, INT_MAX)));
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtWindowing::RunEventLoop() {
  Pump pump(*this);
  while (AnyVisible()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (AtTop()) ReleaseAtTop();
  }
}

void QtWindowing::RunNested(const std::function<void()>& loop) {
  Pump pump(*this);
  loop();
}

std::unique_ptr<Window> QtWindowing::NewForm(const FormDesign& design) {
  return std::make_unique<QtWindow>(*this, design);
}

Picture QtWindowing::LoadPicture(std::u16string_view resourceName) {
  auto found = pixmaps_.find(resourceName);
  if (found == pixmaps_.end()) {
    // Every picture is a PNG: named, so that Qt loads no image plugins to guess.
    QPixmap pixmap(QStringLiteral(":/pictures/") + toQString(resourceName), "PNG");
    if (pixmap.isNull()) throw RuntimeError(err::kFileNotFound);
    found = pixmaps_.emplace(std::u16string(resourceName), std::move(pixmap)).first;
  }
  // Every load is a picture object of its own, as the system's pictures are;
  // they share the one pixmap.
  const auto handle = ++lastPicture_;
  pictures_.emplace(handle, found->first);
  return Picture(handle, found->first, found->second.width(), found->second.height());
}

QPixmap QtWindowing::Pixmap(const Picture& picture) const {
  const auto name = pictures_.find(picture.Handle());
  if (name == pictures_.end()) return {};
  return pixmaps_.find(name->second)->second;
}

void QtWindowing::End(int ExitCode) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(ExitCode);
}

void QtWindowing::WriteOut(std::u16string_view line) {
  std::fputs((text::toUtf8(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

MsgBoxResult QtWindowing::ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                                         std::u16string_view title) {
  Pump pump(*this);
  const bool question = style == MsgBoxStyle::YesNoQuestion;
  const auto icon = style == MsgBoxStyle::Critical ? QMessageBox::Critical
                    : question                     ? QMessageBox::Question
                                                   : QMessageBox::NoIcon;
  QMessageBox box(icon, toQString(title), messageText(prompt),
                  question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setObjectName(QStringLiteral("MsgBox"));
  if (question) box.setDefaultButton(QMessageBox::No);
  const int answer = box.exec();
  if (!question) return MsgBoxResult::OK;
  return answer == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
}

}  // namespace sigpatch::toolkit::qt
