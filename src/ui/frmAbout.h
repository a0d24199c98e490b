#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "toolkit/Window.h"

namespace sigpatch {

class Application;
class SysUtilities;

/// The About box: program and system information in a text box, then the
/// lines its user adds; a logo, a web link, the program icon, "OK" and
/// "&System Info...". Its lengths are units of its own: 1.0649 twips across and
/// 1.4488 twips down.
class frmAbout {
 public:
  /// Makes the window, which loads it (setting the link loads it) and fills in
  /// the information lines.
  frmAbout();
  ~frmAbout();
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  /// Appends the text as one line and shows the top of the text again.
  void AddText(std::u16string_view strText);
  /// Starts the system-information program; says so when there is none.
  void StartSysInfo();

  /// The address opened by a click on the link, and the link's caption.
  const std::u16string& Link() const { return Link_; }
  void SetLink(std::u16string_view value);
  bool ShowLink() const { return ShowLink_; }
  void SetShowLink(bool value);
  /// Whether the logo and its rule show; setting it lays the window out again.
  bool ShowLogo() const { return ShowLogo_; }
  void SetShowLogo(bool value);

  /// Error 91 (shown) when the application is not set.
  void InitMyObjects(Application* objA);
  /// The icon of the box and of its picture (the main window's).
  void SetIcon(const toolkit::Picture& icon);

  toolkit::Window& Form() const { return *form_; }

 private:
  void Form_Load();
  void Form_Resize();
  void cmdOK_Click();
  void cmdSysInfo_Click();
  void lblLink_Click();

  std::unique_ptr<toolkit::Window> form_;
  toolkit::Image* imgLogo_ = nullptr;
  toolkit::Label* lblLink_ = nullptr;
  toolkit::Line* lnLogoLine0_ = nullptr;
  toolkit::Line* lnLogoLine1_ = nullptr;
  toolkit::Image* imgIcon_ = nullptr;
  toolkit::RichTextBox* txtText_ = nullptr;
  toolkit::Line* lnLine0_ = nullptr;
  toolkit::Line* lnLine1_ = nullptr;
  toolkit::Button* cmdOK_ = nullptr;
  toolkit::Button* cmdSysInfo_ = nullptr;
  toolkit::Image* imgCur_ = nullptr;

  std::unique_ptr<SysUtilities> sys_;
  std::u16string Link_;
  bool ShowLink_ = false;
  bool ShowLogo_ = false;
};

}  // namespace sigpatch
