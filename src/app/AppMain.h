#pragma once

#include <memory>

namespace sigpatch {

class frmMain;

/// The update-run controller. It owns the main output window `frm`, made
/// hidden when the controller is made.
class AppMain {
 public:
  AppMain();
  ~AppMain();
  AppMain(const AppMain&) = delete;
  AppMain& operator=(const AppMain&) = delete;

  /// The main output window; may be unset.
  frmMain* frm() const { return frm_.get(); }
  void Setfrm(std::shared_ptr<frmMain> value) { frm_ = std::move(value); }

 private:
  std::shared_ptr<frmMain> frm_;
};

}  // namespace sigpatch
