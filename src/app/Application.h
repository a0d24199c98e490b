#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sigpatch {

class AppMain;
class ArgumentHandler;
class ObjectFactory;
class RegUtilities;
class StringUtilities;

namespace platform {
enum class RunResult;
}  // namespace platform

/// The one application object. Made at the start, it parses the command line
/// and builds the update-run controller; `Execute` records the start, settles
/// the options, the settings and the source folder and runs the update;
/// `Terminate` ends the run. A failure while it is made shows "CreateObject
/// <name> failed" and stops the program.
class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  ObjectFactory* OF() const { return OF_.get(); }
  void SetOF(std::unique_ptr<ObjectFactory> value);
  /// The update-run controller; may be unset.
  AppMain* AM() const { return AM_.get(); }
  void SetAM(std::unique_ptr<AppMain> value);
  /// The parsed command line.
  ArgumentHandler* AH() const { return AH_.get(); }
  void SetAH(std::unique_ptr<ArgumentHandler> value);

  /// Shows the About box with the six usage lines: modal when `Modal` is 1
  /// (returns when the box is closed), modeless when 0 (returns at once).
  void ShowAboutBox(std::int32_t Modal = 0);
  /// Ends the run: the main window waits three seconds after its last line and
  /// closes unless pinned; the objects are let go.
  void Terminate();
  /// The run: run header, "/?", the window, the settings and their defaults,
  /// the source folder, the update run.
  void Execute();
  /// The program's exit status after the run (platform/ExitStatus.h).
  int ExitStatus() const { return exitStatus_; }

 private:
  void pCheckForUpdates(std::u16string strFolder, std::u16string_view strSwitches,
                        std::u16string_view strMask);
  RegUtilities& registry();
  StringUtilities& strings();
  AppMain& requireAM() const;
  /// Stops the program for an unknown option or "--version"; true for a request
  /// of the usage ("--help", "-h", "-?").
  bool settleOptions();
  /// Keeps the more telling of the exit status so far and `status`.
  void worsen(int status);
  /// Records the run's outcome in "LatestRunResult", the system's log and its
  /// exit status.
  void recordOutcome();
  void logRun(platform::RunResult result, std::u16string_view package, std::u16string_view message);

  std::unique_ptr<RegUtilities> reg_;
  std::unique_ptr<ObjectFactory> OF_;
  std::unique_ptr<ArgumentHandler> AH_;
  std::unique_ptr<AppMain> AM_;
  std::unique_ptr<StringUtilities> su_;
  int exitStatus_ = 0;
  std::chrono::milliseconds started_{0};
};

}  // namespace sigpatch
