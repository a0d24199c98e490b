#pragma once

#include <string>
#include <vector>

#include "platform/DrivesAndFolders.h"

namespace sigpatch::platform::win32 {

/// The drives and folders of a Windows system: the drives are the logical
/// drives ("c:", "d:"), named in lower case as the drive list shows them; the
/// drive of a UNC path is its "\\server\share"; a drive is ready when its
/// root can be read.
class Win32DrivesAndFolders : public platform::DrivesAndFolders {
 public:
  std::u16string CurrentFolder() override;
  std::u16string DriveOf(std::u16string_view path) override;
  bool IsReady(std::u16string_view drive) override;
  bool IsDrive(std::u16string_view path) override;
  std::optional<std::u16string> FindFolder(std::u16string_view path) override;

  /// The logical drives now, "a:" to "z:".
  std::vector<std::u16string> Drives() override;
};

/// The full form of a path as the system makes it (absolute against the
/// current folder of its drive, "." and ".." resolved, "/" turned into "\");
/// the path itself when the system cannot.
std::u16string fullPathName(std::u16string_view path);

/// A full path with each part spelled as the file system spells it and the
/// drive letter in upper case; a part that cannot be found stays as given.
std::u16string spelledOnDisk(std::u16string_view fullPath);

/// The root part of a full path: "C:\" or "\\server\share\"; "" when there is none.
std::u16string rootOf(std::u16string_view fullPath);

}  // namespace sigpatch::platform::win32
