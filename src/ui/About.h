#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/Picture.h"

namespace sigpatch {

class Application;
class frmAbout;

/// The About box as the program uses it: add lines, show it modal or modeless.
/// A box shown modeless stays open after the About object is gone.
class About {
 public:
  /// Makes the About window, already loaded and filled with its information.
  About();
  ~About();
  About(const About&) = delete;
  About& operator=(const About&) = delete;

  /// Keeps the application object for ShowMain.
  void SetApplication(Application* objA);
  /// The icon of the box and of its picture: the main window's.
  void SetIcon(const toolkit::Picture& icon);
  void AddText(std::u16string_view strText);
  /// Shows the box: modal when `Modal` is 1 (returns when the box is closed),
  /// modeless when 0.
  void ShowMain(std::int32_t Modal);

  const std::u16string& Link() const;
  void SetLink(std::u16string_view value);
  bool ShowLink() const;
  void SetShowLink(bool value);
  bool ShowLogo() const;
  void SetShowLogo(bool value);

  frmAbout& frm() const { return *frm_; }

 private:
  std::shared_ptr<frmAbout> frm_;
  Application* objA_ = nullptr;
};

}  // namespace sigpatch
