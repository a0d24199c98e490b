#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "runtime/PathStyle.h"

namespace sigpatch {

/// Files and folders: system folder names, path forms, reading a file's text or
/// its first or last bytes, sizes and dates, copying and deleting with the
/// read-only bit cleared first, age-based deletion, the largest file of a
/// folder and the archive and executable signature tests. The file operations
/// go through one file-system object, made on first use and kept.
class FileUtilities {
 public:
  /// `style` decides whether system folder names are upper-cased (Windows) or
  /// left as they are (POSIX, where an upper-cased path names another folder).
  explicit FileUtilities(runtime::PathStyle style = runtime::kNativePathStyle);
  ~FileUtilities();
  FileUtilities(const FileUtilities&) = delete;
  FileUtilities& operator=(const FileUtilities&) = delete;

  /// The long, resolved form of a path; "" when it does not exist.
  std::u16string GetLongPath(std::u16string_view strShort) const;
  /// The short form of a path; "" when it does not exist.
  std::u16string GetShortPath(std::u16string_view strShort) const;
  /// True when a directory search finds a folder or file of that name (or
  /// anything matching a wildcard pattern); false otherwise or on an error.
  bool CheckDirExists(std::u16string_view strPath) const;
  std::u16string GetWindowsDir() const;
  std::u16string GetWindowsSystemDir() const;
  /// The temporary folder, with its trailing separator.
  std::u16string GetTempDir() const;
  /// The folder of a CSIDL number; "" for one without a folder.
  std::u16string GetSpecialPath(const std::int32_t& CSIDL) const;
  /// The whole file as single-byte text; "" on any error.
  std::u16string GetFileString(std::u16string_view strFileName);
  /// The last `lngN` bytes as single-byte text; "" on any error.
  std::u16string GetLastBytesFromFile(std::u16string_view strFileName, std::int32_t lngN);
  /// The first `lngN` bytes as single-byte text; "" on any error.
  std::u16string GetFirstBytesFromFile(std::u16string_view strFileName, std::int32_t lngN);
  /// The file-system object, made on the first call. When the service is not
  /// available, says "Windows Scripting Host not available!" and ends the
  /// program at once.
  platform::FileSystem& FSO();
  /// The size in bytes; the service's faults pass to the caller, a file of 2 GiB
  /// or more raises error 6.
  std::int32_t GetFileSize(std::u16string_view strPath);
  /// The date of the last change as file date text ("2004-03-07 09.05.01", local
  /// time); the service's faults pass to the caller.
  std::u16string GetFileModDate(std::u16string_view strPath);
  /// The date of the last access as file date text; faults pass to the caller.
  std::u16string GetFileAccessedDate(std::u16string_view strPath);
  /// Copies, overwriting; a read-only destination is made writable first. False
  /// on any error.
  bool CopyFile(std::u16string_view strSFile, std::u16string_view strDFile);
  /// The name of the first of the largest files directly in the folder; "" when
  /// all are empty; the name found so far on an error.
  std::u16string FindLargestFile(const std::u16string& strFolder);
  /// Deletes a file, clearing its read-only bit first. False on any error.
  bool DeleteFile(const std::u16string& strPath);
  /// Deletes the file when both its last change and its last access lie before
  /// now less `lngOld` days. False when it stays or on any error.
  bool DeleteOldFile(std::u16string_view strPath, std::int32_t lngOld);
  /// A ZIP archive, or a self-extracting ZIP executable.
  bool IsRealZipFile(std::u16string_view strFileName);
  bool IsRealRarFile(std::u16string_view strFileName);
  bool IsRealAceFile(std::u16string_view strFileName);
  /// A Windows executable ("MZ" and the header start the common linkers write).
  bool IsRealEXEFile(std::u16string_view strFileName);
  /// A time as GetFileModDate gives the date of last change, as file date text.
  std::u16string fileDateText(platform::Clock::TimePoint t) const;

 private:
  std::u16string systemFolderName(std::u16string folder) const;
  bool reportUnreadable(std::u16string_view strFileName) const;

  runtime::PathStyle style_;
  std::unique_ptr<platform::FileSystem> fso_;
};

/// The holder's file-system object, made on first use. When the service cannot
/// make one, says "Windows Scripting Host not available!" and ends the program.
platform::FileSystem& fileSystemOf(std::unique_ptr<platform::FileSystem>& holder);

}  // namespace sigpatch
