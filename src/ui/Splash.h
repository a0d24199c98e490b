#pragma once

#include <memory>
#include <string>

namespace sigpatch {

class frmSplash;

/// The splash window as the program would use it: showing it, adding lines,
/// and closing it by letting go of the object (which may wait, see frmSplash).
class Splash {
 public:
  /// Makes the (unloaded) splash window.
  Splash();
  /// Closes the window, no sooner than two seconds after it was shown.
  ~Splash();
  Splash(const Splash&) = delete;
  Splash& operator=(const Splash&) = delete;

  /// Shows the window modeless, loading it first.
  void ShowMain();
  void AddText(std::u16string strText);

  frmSplash& frm() const { return *frm_; }

 private:
  std::unique_ptr<frmSplash> frm_;
};

}  // namespace sigpatch
