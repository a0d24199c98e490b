#pragma once

#include <cstdint>
#include <memory>

namespace sigpatch {

class AppMain;

/// The one application object: it owns the update-run controller `AM` and
/// shows the About box with the usage text.
class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  /// The update-run controller; may be unset.
  AppMain* AM() const { return AM_.get(); }
  void SetAM(std::unique_ptr<AppMain> value);

  /// Shows the About box with the six usage lines: modal when `Modal` is 1
  /// (returns when the box is closed), modeless when 0 (returns at once).
  void ShowAboutBox(std::int32_t Modal = 0);

 private:
  std::unique_ptr<AppMain> AM_;
};

}  // namespace sigpatch
