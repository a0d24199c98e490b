#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sigpatch {

class Application;
class frmMain;
class ProcessUtilities;
class RegUtilities;
class StringUtilities;

namespace platform {
class FileSystem;
class MachineLock;
}  // namespace platform

/// The update-run controller. It owns the main output window `frm` (made hidden
/// with the controller) and runs the update: the newest package of the source
/// folder that matches the mask is installed once and recorded in the registry.
class AppMain {
 public:
  AppMain();
  /// Ends the window's part once more (without waiting again) and lets it go;
  /// a window the user has pinned stays open on its own.
  ~AppMain();
  AppMain(const AppMain&) = delete;
  AppMain& operator=(const AppMain&) = delete;

  /// The main output window; may be unset.
  frmMain* frm() const { return frm_.get(); }
  void Setfrm(std::shared_ptr<frmMain> value) { frm_ = std::move(value); }

  /// The source folder, normally ending in a separator.
  std::u16string FilePath;
  /// The mask of the package names; the run keeps its upper-case form.
  std::u16string FileMask;
  /// The installer switches handed to the package.
  std::u16string SDATParam;

  /// Keeps the application and hands it and this controller to the window.
  void InitMyObjects(Application* objA);
  /// The window waits until three seconds after its last line and closes unless
  /// pinned; then the controller lets go of the application.
  void Terminate();
  /// Sets the status bar's "Info" panel and redraws the status bar.
  void UpdateStatusBar(std::u16string_view strText);
  void CheckForUpdates();
  /// The file-system object, made on the first call. When the service is
  /// missing: "Windows Scripting Host not available!" and the program stops.
  platform::FileSystem& FSO();

  /// Shows the window (modeless) and lets the queued window events run once.
  void ShowMain();

 private:
  void SendInfo(std::u16string_view text, std::int32_t Color);
  void RunUpdates();
  /// Waits, keeping the window responsive, while another update run holds the
  /// machine's update lock; returns holding it (or nothing when the system
  /// cannot make locks).
  std::unique_ptr<platform::MachineLock> takeUpdateLock();

  std::shared_ptr<frmMain> frm_;
  Application* objA_ = nullptr;
  std::unique_ptr<StringUtilities> su_;
  std::unique_ptr<RegUtilities> reg_;
  std::unique_ptr<ProcessUtilities> pu_;
  std::unique_ptr<platform::FileSystem> fso_;
};

}  // namespace sigpatch
