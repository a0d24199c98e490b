#pragma once

#include <memory>

#include "platform/PathStyle.h"
#include "platform/Window.h"

namespace sigpatch {

class Application;
class SelectFolder;
class StringUtilities;
class SysUtilities;

/// The folder chooser's dialog: a path box, a drive list, a folder list, "&OK"
/// and "&Cancel". It writes its result into the SelectFolder that shows it.
class frmSelectFolder {
 public:
  /// Makes the dialog with its controls, not loaded; paths in `style`.
  explicit frmSelectFolder(platform::PathStyle style = platform::kNativePathStyle);
  ~frmSelectFolder();
  frmSelectFolder(const frmSelectFolder&) = delete;
  frmSelectFolder& operator=(const frmSelectFolder&) = delete;

  /// Keeps both objects and makes the dialog's own utilities; must come before
  /// the dialog is loaded.
  void InitMyObjects(Application* objA, SelectFolder* objSF);

  platform::Window& Form() const { return *form_; }

 private:
  void Form_Load();
  void Form_Resize();
  void drvSel_Change();
  void dirSel_Change();
  void tboPath_GotFocus();
  void cmdOK_Click();
  void cmdCancel_Click();

  platform::PathStyle style_;
  std::unique_ptr<platform::Window> form_;
  platform::TextBox* tboPath_ = nullptr;
  platform::DriveListBox* drvSel_ = nullptr;
  platform::DirListBox* dirSel_ = nullptr;
  platform::Button* cmdOK_ = nullptr;
  platform::Button* cmdCancel_ = nullptr;

  Application* objA_ = nullptr;
  SelectFolder* objSF_ = nullptr;
  std::unique_ptr<StringUtilities> str_;
  std::unique_ptr<SysUtilities> sys_;
};

}  // namespace sigpatch
