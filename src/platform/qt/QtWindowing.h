#pragma once

#include <QPixmap>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windowing.h"
#include "platform/qt/QtScreen.h"
#include "platform/tty/TtyFolders.h"

class QApplication;

namespace sigpatch::platform::qt {

class QtKeyFilter;
class QtWindow;

/// How the desktop toolkit starts.
struct QtOptions {
  /// The Qt platform plugin to use ("xcb", "wayland", "offscreen"); empty
  /// leaves the choice to Qt (and to QT_QPA_PLATFORM).
  std::string platform;
  /// The mount table the drive list reads.
  std::string mountTable = "/proc/self/mounts";
};

/// The windowing layer on Qt 6 Widgets. It makes the one QApplication of the
/// process (or uses the one that exists); events run on Qt's event loop, so
/// DoEvents lets Qt process what is queued and the waits sleep in Qt's event
/// loop until an event or the deadline comes. A fault that an event handler of
/// the program lets through is shown as the system shows an unhandled
/// run-time error, and the program goes on.
class QtWindowing : public Windowing {
 public:
  /// `argc` and `argv` are copied: Qt reads its own options from the copy.
  QtWindowing(int& argc, char** argv, ProgramInfo app, std::u16string command,
              QtOptions options = {});
  ~QtWindowing() override;

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  platform::Screen& Screen() override { return *screen_; }
  void DoEvents() override;
  void WaitForEvents(Clock::TimePoint deadline) override;
  void RunEventLoop() override;
  std::unique_ptr<Window> NewForm(const FormDesign& design) override;
  Picture LoadPicture(std::u16string_view resourceName) override;
  [[noreturn]] void End(int ExitCode = 0) override;
  void WriteOut(std::u16string_view line) override;

  /// The pixmap of a picture this layer loaded; a null pixmap for any other.
  QPixmap Pixmap(const Picture& picture) const;
  /// The drives and folders of the drive and folder lists.
  tty::TtyFolders& Folders() { return folders_; }

  /// Runs an event handler of the program: while it runs no window is
  /// destroyed under it, and a fault it lets through is reported.
  void Deliver(const std::function<void()>& handler);
  /// Whether an event handler of the program is running.
  bool InHandler() const { return handlers_ > 0; }
  /// Runs a nested event loop (a modal window, a message box).
  void RunNested(const std::function<void()>& loop);

  /// The windows that exist, oldest first.
  const std::vector<QtWindow*>& Forms() const { return forms_; }
  /// The newest window of that name, or nullptr.
  QtWindow* FindForm(std::u16string_view name) const;
  void Register(QtWindow& form) { forms_.push_back(&form); }
  void Unregister(const QtWindow& form);

 protected:
  MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) override;

 private:
  /// Counts nested event pumps, so that closed windows' owners go only at
  /// the top, where no handler of theirs can be running.
  struct Pump {
    explicit Pump(QtWindowing& windowing);
    ~Pump();
    QtWindowing& windowing;
  };
  void ReleaseAtTop();

  std::vector<std::string> arguments_;
  std::vector<char*> argv_;
  int argc_;
  std::unique_ptr<QApplication> application_;
  std::unique_ptr<QtKeyFilter> keys_;
  std::unique_ptr<QtScreen> screen_;
  ProgramInfo app_;
  std::u16string command_;
  tty::TtyFolders folders_;
  std::map<std::u16string, QPixmap, std::less<>> pixmaps_;
  std::map<std::intptr_t, std::u16string> pictures_;
  std::vector<QtWindow*> forms_;
  std::intptr_t lastPicture_ = 0x20000;
  int depth_ = 0;
  int handlers_ = 0;
};

}  // namespace sigpatch::platform::qt
