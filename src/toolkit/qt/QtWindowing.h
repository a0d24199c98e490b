#pragma once

#include <QPixmap>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/FormList.h"
#include "toolkit/Windowing.h"
#include "toolkit/qt/QtScreen.h"

class QApplication;

namespace sigpatch::toolkit::qt {

class QtKeyFilter;
class QtWindow;

/// How the desktop toolkit starts.
struct QtOptions {
  /// The Qt platform plugin to use ("xcb", "wayland", "offscreen"); empty
  /// leaves the choice to Qt (and to QT_QPA_PLATFORM).
  std::string platform;
  /// The mount table the drive list reads.
};

/// The windowing layer on Qt 6 Widgets. It makes the one QApplication of the
/// process (or uses the one that exists); events run on Qt's event loop, so
/// DoEvents lets Qt process what is queued and the waits sleep in Qt's event
/// loop until an event or the deadline comes. A fault that an event handler of
/// the program lets through is shown as the system shows an unhandled
/// run-time error, and the program goes on.
class QtWindowing : public Windowing, public FormList<QtWindow> {
 public:
  /// `argc` and `argv` are copied: Qt reads its own options from the copy.
  QtWindowing(int& argc, char** argv, ProgramInfo app, std::u16string command,
              QtOptions options = {});
  ~QtWindowing() override;

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  toolkit::Screen& Screen() override { return *screen_; }
  void DoEvents() override;
  void WaitForEvents(platform::Clock::TimePoint deadline) override;
  void RunEventLoop() override;
  std::unique_ptr<Window> NewForm(const FormDesign& design) override;
  Picture LoadPicture(std::u16string_view resourceName) override;
  [[noreturn]] void End(int ExitCode = 0) override;
  void WriteOut(std::u16string_view line) override;

  /// The pixmap of a picture this layer loaded; a null pixmap for any other.
  QPixmap Pixmap(const Picture& picture) const;
  /// The drives and folders of the drive and folder lists.

  /// Runs a nested event loop (a modal window, a message box).
  void RunNested(const std::function<void()>& loop);


 protected:
  MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) override;
  /// Also deletes the widgets whose deletion Qt put off.
  void ReleaseAtTop() override;

 private:

  std::vector<std::string> arguments_;
  std::vector<char*> argv_;
  int argc_;
  std::unique_ptr<QApplication> application_;
  std::unique_ptr<QtKeyFilter> keys_;
  std::unique_ptr<QtScreen> screen_;
  ProgramInfo app_;
  std::u16string command_;
  std::map<std::u16string, QPixmap, std::less<>> pixmaps_;
  std::map<std::intptr_t, std::u16string> pictures_;
  std::intptr_t lastPicture_ = 0x20000;
};

}  // namespace sigpatch::toolkit::qt
