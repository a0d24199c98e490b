#pragma once

#include <memory>
#include <string_view>

#include "platform/Clock.h"
#include "toolkit/Window.h"

namespace sigpatch {

/// The start-up splash window: the program icon, the title in large type and
/// lines of text. However soon it is closed, it stays two seconds.
class frmSplash {
 public:
  /// Makes the window with its controls, not loaded.
  frmSplash();
  ~frmSplash();
  frmSplash(const frmSplash&) = delete;
  frmSplash& operator=(const frmSplash&) = delete;

  /// Appends the text as one line; an empty text gives an empty line.
  void AddText(std::u16string_view strText);

  toolkit::Window& Form() const { return *form_; }

 private:
  void Form_Load();
  void Form_Unload();

  std::unique_ptr<toolkit::Window> form_;
  toolkit::Image* imgLogo_ = nullptr;
  toolkit::Label* lblProductName_ = nullptr;
  toolkit::TextBox* tboText_ = nullptr;
  platform::Clock::TimePoint dtLoaded_{};
};

}  // namespace sigpatch
