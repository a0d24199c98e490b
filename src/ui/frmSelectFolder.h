#pragma once

#include <memory>

#include "runtime/PathStyle.h"
#include "toolkit/Window.h"

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
  explicit frmSelectFolder(runtime::PathStyle style = runtime::kNativePathStyle);
  ~frmSelectFolder();
  frmSelectFolder(const frmSelectFolder&) = delete;
  frmSelectFolder& operator=(const frmSelectFolder&) = delete;

  /// Keeps both objects and makes the dialog's own utilities; must come before
  /// the dialog is loaded.
  void InitMyObjects(Application* objA, SelectFolder* objSF);

  toolkit::Window& Form() const { return *form_; }

 private:
  void Form_Load();
  void Form_Resize();
  void drvSel_Change();
  void dirSel_Change();
  void tboPath_GotFocus();
  void cmdOK_Click();
  void cmdCancel_Click();

  runtime::PathStyle style_;
  std::unique_ptr<toolkit::Window> form_;
  toolkit::TextBox* tboPath_ = nullptr;
  toolkit::DriveListBox* drvSel_ = nullptr;
  toolkit::DirListBox* dirSel_ = nullptr;
  toolkit::Button* cmdOK_ = nullptr;
  toolkit::Button* cmdCancel_ = nullptr;

  Application* objA_ = nullptr;
  SelectFolder* objSF_ = nullptr;
  std::unique_ptr<StringUtilities> str_;
  std::unique_ptr<SysUtilities> sys_;
};

}  // namespace sigpatch
