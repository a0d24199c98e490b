#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// A tree list of folders showing one folder open.
class DirListBox : public Control {
 public:
  /// The open folder, without a trailing separator except at a root ("C:\",
  /// "/").
  virtual std::u16string Path() const = 0;
  /// Opens the folder. A drive alone ("c:", or a drive of the drive list)
  /// opens the current folder on that drive. A folder that does not exist
  /// raises error 76 ("Path not found"), a drive that cannot be read error 68,
  /// and the list stays as it was.
  virtual void SetPath(std::u16string_view value) = 0;

  /// Runs whenever a folder is opened, by the user or by the program.
  std::function<void()> OnChange;
};

}  // namespace sigpatch::toolkit
