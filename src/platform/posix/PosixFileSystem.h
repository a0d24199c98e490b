#pragma once

#include "platform/FileSystem.h"

namespace sigpatch::platform::posix {

/// The file-system service on POSIX calls. The read-only attribute is the
/// absence of the owner's write permission; a folder lists its regular files
/// and folders from the directory entries' types, reading a file's status only
/// when a link or an untyped entry needs it, or when asked for size or dates.
class PosixFileSystem final : public FileSystem {
 public:
  bool FolderExists(std::u16string_view FolderSpec) override;
  std::u16string GetAbsolutePathName(std::u16string_view Path) override;
  bool FileExists(std::u16string_view FileSpec) override;
  std::unique_ptr<Folder> GetFolder(std::u16string_view FolderSpec) override;
  std::unique_ptr<File> GetFile(std::u16string_view FileSpec) override;
  /// One status read.
  Clock::TimePoint FileDateLastModified(std::u16string_view FileSpec) override;
  void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                bool OverWriteFiles) override;
  void DeleteFile(std::u16string_view FileSpec, bool Force) override;
  void DeleteFolder(std::u16string_view FolderSpec, bool Force) override;
  std::unique_ptr<Folder> CreateFolder(std::u16string_view Path) override;
  std::unique_ptr<TextStream> OpenTextFile(std::u16string_view FileName, std::int32_t IOMode,
                                           bool Create, std::int32_t Format) override;
  /// Copies whose data is waited for and whose file system is synced once,
  /// then moved into place.
  std::unique_ptr<CopyBatch> NewCopyBatch() override;
};

/// Makes PosixFileSystem objects; always available.
class PosixFileSystemService final : public FileSystemService {
 public:
  std::unique_ptr<FileSystem> CreateObject() override;
};

}  // namespace sigpatch::platform::posix
