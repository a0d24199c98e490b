#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "runtime/PathStyle.h"

namespace sigpatch {

class Application;
class frmSelectFolder;

/// The folder chooser as the program uses it: preset a path, show the dialog,
/// then read whether the user confirmed (`OK`) and which path was chosen.
class SelectFolder {
 public:
  /// Makes the (unloaded) dialog; paths are written in `style`.
  explicit SelectFolder(runtime::PathStyle style = runtime::kNativePathStyle);
  ~SelectFolder();
  SelectFolder(const SelectFolder&) = delete;
  SelectFolder& operator=(const SelectFolder&) = delete;

  /// True only after the user pressed "&OK".
  bool OK() const { return OK_; }
  void SetOK(bool value) { OK_ = value; }
  /// The proposed path before the dialog, the chosen path after "&OK".
  const std::u16string& Path() const { return Path_; }
  void SetPath(std::u16string_view value) { Path_ = value; }

  /// Keeps the application object and sets `OK` to false.
  void SetApplication(Application* objA);
  /// Shows the dialog modal; returns when it has been closed.
  void ShowMain();

  /// The dialog window.
  frmSelectFolder& frm() const { return *frm_; }

 private:
  bool OK_ = false;
  std::u16string Path_;
  std::unique_ptr<frmSelectFolder> frm_;
  Application* objA_ = nullptr;
};

}  // namespace sigpatch
