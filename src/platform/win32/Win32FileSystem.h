#pragma once

#include "platform/FileSystem.h"

namespace sigpatch::platform::win32 {

/// The file-system service on the Windows file functions: the attributes are
/// the system's own bits (read-only 1, hidden 2, system 4, folder 16, archive
/// 32, link 1024); faults carry the same run-time error numbers as on POSIX.
class Win32FileSystem final : public FileSystem {
 public:
  bool FolderExists(std::u16string_view FolderSpec) override;
  /// GetFullPathName, without a separator at the end but at a root.
  std::u16string GetAbsolutePathName(std::u16string_view Path) override;
  bool FileExists(std::u16string_view FileSpec) override;
  std::unique_ptr<Folder> GetFolder(std::u16string_view FolderSpec) override;
  std::unique_ptr<File> GetFile(std::u16string_view FileSpec) override;
  void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                bool OverWriteFiles) override;
  void DeleteFile(std::u16string_view FileSpec, bool Force) override;
  void DeleteFolder(std::u16string_view FolderSpec, bool Force) override;
  std::unique_ptr<Folder> CreateFolder(std::u16string_view Path) override;
  std::unique_ptr<TextStream> OpenTextFile(std::u16string_view FileName, std::int32_t IOMode,
                                           bool Create, std::int32_t Format) override;
};

/// Makes Win32FileSystem objects; always available.
class Win32FileSystemService final : public FileSystemService {
 public:
  std::unique_ptr<FileSystem> CreateObject() override;
};

}  // namespace sigpatch::platform::win32
