#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/TextStream.h"

namespace sigpatch::platform {

/// The modes and formats of OpenTextFile.
inline constexpr std::int32_t kForReading = 1;
inline constexpr std::int32_t kTristateFalse = 0;

/// Copies of many files made durable together rather than one by one. Add
/// writes a copy beside its destination under a temporary name; Sync makes
/// every copy added durable, with its date and attributes; Place then moves one
/// into its destination's place, and SyncFolder makes that move durable. A copy
/// not placed is removed with the batch.
class CopyBatch {
 public:
  virtual ~CopyBatch() = default;
  /// Copies as FileSystem::CopyFile over an existing destination does, with its
  /// faults, but leaves the copy under its temporary name; the bytes copied.
  virtual std::int64_t Add(std::u16string_view Source, std::u16string_view Destination) = 0;
  /// Makes every copy added durable; a fault when any one may not be, and then
  /// none of them may be placed.
  virtual void Sync() = 0;
  /// Moves copy `index` (counted from 0 in the order added) into its place:
  /// the destination is replaced in one step. Error 5 before a Sync that held.
  virtual void Place(std::size_t index) = 0;
  /// Makes the entry of placed copy `index` in its folder durable; a folder is
  /// synced once in a batch, and its fault is given for each of its copies.
  virtual void SyncFolder(std::size_t index) = 0;
};

/// One object of the scripting file-system service. Every failure is a
/// RuntimeError with the system's number: 53 file not found, 58 file already
/// exists, 70 permission denied, 71 disk not ready, 75 path/file access error,
/// 76 path not found.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// True when a folder of that path exists (a link to a folder counts).
  virtual bool FolderExists(std::u16string_view FolderSpec) = 0;
  /// The absolute form of a path: a relative path taken from the current
  /// folder, "." and ".." resolved, no separator at the end but at a root.
  virtual std::u16string GetAbsolutePathName(std::u16string_view Path) = 0;
  /// True when a regular file of that path exists (a link to one counts).
  virtual bool FileExists(std::u16string_view FileSpec) = 0;
  /// The folder item; error 76 when there is no such folder.
  virtual std::unique_ptr<Folder> GetFolder(std::u16string_view FolderSpec) = 0;
  /// The file item; error 53 when there is no such file.
  virtual std::unique_ptr<File> GetFile(std::u16string_view FileSpec) = 0;
  /// The date of last change of a file, with the faults of GetFile. The
  /// default asks GetFile; a system may read it in one step.
  virtual Clock::TimePoint FileDateLastModified(std::u16string_view FileSpec);
  /// Copies a file, keeping its contents, date of last change and read-only
  /// bit. A destination that ends in a separator or names a folder receives the
  /// file under its own name. An existing destination raises 58 unless
  /// `OverWriteFiles`, a read-only one 70 always. The destination is replaced
  /// only once the copy is complete.
  virtual void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                        bool OverWriteFiles) = 0;
  /// Deletes a file; a read-only file raises 70 unless `Force`.
  virtual void DeleteFile(std::u16string_view FileSpec, bool Force) = 0;
  /// Deletes a folder and everything in it; links inside are removed, never
  /// followed. A read-only file inside raises 70 unless `Force`.
  virtual void DeleteFolder(std::u16string_view FolderSpec, bool Force) = 0;
  /// Creates one folder whose parent exists; 58 when it exists already, 76 when
  /// the parent is missing.
  virtual std::unique_ptr<Folder> CreateFolder(std::u16string_view Path) = 0;
  /// Opens a file for reading as single-byte text. Only mode 1 (reading),
  /// `Create` false and format 0 (single-byte) are offered; others raise 5.
  virtual std::unique_ptr<TextStream> OpenTextFile(std::u16string_view FileName,
                                                   std::int32_t IOMode, bool Create,
                                                   std::int32_t Format) = 0;
  /// A new, empty batch of copies. The default batch copies with CopyFile at
  /// once; syncing and placing then have nothing left to do.
  virtual std::unique_ptr<CopyBatch> NewCopyBatch();
};

/// The service that makes file-system objects ("Scripting.FileSystemObject").
class FileSystemService {
 public:
  virtual ~FileSystemService() = default;
  /// A new file-system object; error 429 when the service is not available.
  virtual std::unique_ptr<FileSystem> CreateObject() = 0;
};

}  // namespace sigpatch::platform
