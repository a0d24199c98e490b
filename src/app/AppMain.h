#pragma once

#include <cstdint>
#include <functional>
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

/// What an update run came to.
enum class RunResult {
  /// The run did not get as far as looking at the packages.
  None,
  /// No package newer than the last one installed.
  NothingNewer,
  /// A package was installed (or counted as installed after a restart).
  Installed,
  /// The run failed; the reason says why.
  Failed,
};

/// The result of a run, the package it concerns and why it failed.
struct RunOutcome {
  RunResult Result = RunResult::None;
  /// The package's file name, when the run got to one.
  std::u16string Package;
  std::u16string Reason;
  /// The newest package is older than "MaxPackageAgeDays": the downloader has
  /// likely stopped.
  bool Stale = false;
  /// The newest package's age in whole days.
  std::int64_t AgeDays = 0;
};

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

  /// What the last update run came to.
  const RunOutcome& Outcome() const { return outcome_; }
  /// Whether the run was asked from outside to end (a signal, the console's
  /// close, a shut-down) while a package ran.
  bool EndedFromOutside() const { return stopRequested_; }

 private:
  struct Package;
  struct Ending;

  void SendInfo(std::u16string_view text, std::int32_t Color);
  void RunUpdates();
  /// Waits, keeping the window responsive, while another update run holds the
  /// machine's update lock; returns holding it (or nothing when the system
  /// cannot make locks).
  std::unique_ptr<platform::MachineLock> takeUpdateLock();
  /// Settles the record of an installation that an earlier run left: counted
  /// as installed after a restart, or waited for while its process runs.
  void settlePendingInstall();
  /// The checks before a package may start; false (with its red line) when
  /// it may not.
  bool mayStart(const Package& package, const platform::MachineLock* lock);
  /// Waits until a package that is still being written has stood still; false
  /// (with its red line) when it is left for the next start.
  bool waitUntilSettled(const Package& package);
  /// Starts the package, waits for it and records it.
  void install(const Package& package);
  /// Says in red why the package is not started, and fails the run.
  void refuse(const Package& package, std::u16string_view why);
  /// Copies the package into the program's own folder and checks its
  /// signature where one is asked for; the copy's path, "" when refused.
  std::u16string privateCopy(const Package& package);
  void removeCopy(const std::u16string& copy);
  /// Waits for the started package, ending it when the time limit runs out,
  /// the user or the system asks; says how it ended.
  Ending waitForPackage(std::int64_t handle);
  /// Asks the package to end, gives it the grace time, then ends it.
  void stopPackage(std::int64_t handle);
  /// Waits on the window's events while `busy` holds, saying every minute how
  /// long it has waited for `what`.
  void waitWhile(const std::function<bool()>& busy, std::u16string_view what);
  void fail(std::u16string_view package, std::u16string_view reason);
  /// Says in red when the newest package is older than it should be.
  void checkAge(const Package& newest);

  std::shared_ptr<frmMain> frm_;
  Application* objA_ = nullptr;
  std::unique_ptr<StringUtilities> su_;
  std::unique_ptr<RegUtilities> reg_;
  std::unique_ptr<ProcessUtilities> pu_;
  std::unique_ptr<platform::FileSystem> fso_;
  RunOutcome outcome_;
  bool stopRequested_ = false;
};

}  // namespace sigpatch
