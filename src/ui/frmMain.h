#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "runtime/Colors.h"
#include "runtime/Event.h"
#include "toolkit/Window.h"

namespace sigpatch {

class AppMain;
class Application;
class SysUtilities;

/// The main output window: the title line and every progress line of the run,
/// each in its colour, a status bar, and a pin that keeps the window open after
/// the run. It closes itself three seconds after its last line unless pinned.
class frmMain {
 public:
  /// Makes the window with its controls, not loaded.
  frmMain();
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  /// Makes the window's own system utilities; must come before the window is
  /// loaded. The window asks the application and the controller nothing: F1
  /// raises AboutRequested.
  void InitMyObjects(Application* objA, AppMain* objAM);
  /// Appends one line in the colour (0x00BBGGRR): trailing line breaks of the
  /// text are dropped and one is added; an empty text adds nothing.
  void AddText(std::u16string_view strText, std::int32_t Color = color::kBlack);
  /// Pins the window: it stays open after the run.
  void PinDown();
  /// Ends the window's part in the run: waits until three seconds have passed
  /// since the last line, then closes the window unless it is pinned.
  void Terminate();
  /// The package being installed, "" when none: while one is, the close box
  /// asks whether to stop it instead of closing the window.
  void SetInstalling(std::u16string_view package);
  /// Whether the user has answered Yes to stopping the installation.
  bool StopAsked() const { return blnStopAsked_; }
  /// Raised when the user asks for the About box (F1); the window is pinned first.
  Event<> AboutRequested;
  /// Receives a change line of the folder-tree synchroniser; the line is black.
  void FTC_FileTreeChange(std::u16string_view strText, std::int32_t Color);

  /// The window itself: shown by the owner, minimized by the run control.
  toolkit::Window& Form() const { return *form_; }
  /// The status bar; its panel "Info" holds the status text.
  toolkit::StatusBar& sbInfo() const { return *sbInfo_; }

 private:
  void Form_Load();
  void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
  void Form_Resize();
  void Form_QueryUnload(bool& Cancel);
  void imgPin_Click();

  std::unique_ptr<toolkit::Window> form_;
  toolkit::StatusBar* sbInfo_ = nullptr;
  toolkit::RichTextBox* tboOutput_ = nullptr;
  toolkit::Image* imgPin_ = nullptr;
  toolkit::Image* imgUnpinned_ = nullptr;
  toolkit::Image* imgPinned_ = nullptr;

  std::unique_ptr<SysUtilities> sys_;
  bool blnPinned_ = false;
  bool blnFinished_ = false;
  std::u16string strInstalling_;
  bool blnStopAsked_ = false;
  platform::Clock::TimePoint dtLastOutput_{};
};

}  // namespace sigpatch
