#pragma once

// The fake disk as the folder-tree synchroniser sees it, in either path style,
// with faults on one operation for one path.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "fakes/FakeFileSystem.h"
#include "platform/FileSystem.h"
#include "runtime/PathStyle.h"

namespace sigpatch::testing {

/// A file-system service over a fake disk. In the Windows style the program's
/// "C:\Data\a.txt" is the disk's "/C:/Data/a.txt", so that the synchroniser can
/// be run on Windows paths; in the POSIX style paths pass as they are.
/// `faults` raise an error number for "Operation path" (the path as the program
/// writes it): FolderExists, FileExists, GetFolder, GetFile, CopyFile (the
/// destination), DeleteFolder, CreateFolder, and the listings of a folder,
/// "Files" and "SubFolders".
class TreeDiskService : public platform::FileSystemService {
 public:
  explicit TreeDiskService(runtime::PathStyle pathStyle) : style(pathStyle) {}

  std::unique_ptr<platform::FileSystem> CreateObject() override;

  /// The disk's path of a program path.
  std::u16string toDisk(std::u16string_view path) const;
  /// The program's path of a disk path.
  std::u16string fromDisk(std::u16string_view path) const;
  /// Raises the fault set for `operation` on `path`, if any.
  void fault(std::u16string_view operation, std::u16string_view path) const;

  runtime::PathStyle style;
  fakes::FakeDisk disk;
  std::map<std::u16string, std::int32_t> faults;
  bool available = true;
  int created = 0;
};

}  // namespace sigpatch::testing
