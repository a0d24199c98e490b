#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// A list of the system's drives (on POSIX: "/" and the mount points of real
/// file systems) with one selected.
class DriveListBox : public Control {
 public:
  /// The selected drive ("c:", "/", "/media/usb").
  virtual std::u16string Drive() const = 0;
  /// Selects the drive that `path` lies on. A drive that cannot be read raises
  /// error 68 ("Device unavailable") and the selection stays.
  virtual void SetDrive(std::u16string_view path) = 0;

  /// Runs whenever the selection changes, by the user or by the program.
  std::function<void()> OnChange;
};

}  // namespace sigpatch::toolkit
