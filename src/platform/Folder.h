#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace sigpatch::platform {

class Folder;

using FileList = std::vector<std::unique_ptr<File>>;
using FolderList = std::vector<std::unique_ptr<Folder>>;

/// The files of a folder one at a time, as Files gives them, without an item
/// for each: a name is converted once, a path made only when asked. Name and
/// Path are those of the file that Next has moved to, until the next Next.
class FileListing {
 public:
  virtual ~FileListing() = default;
  /// Moves to the next file; false after the last. Faults as Files.
  virtual bool Next() = 0;
  /// The file name without folder, in its own letter case.
  virtual std::u16string_view Name() const = 0;
  /// The full path.
  virtual std::u16string Path() const = 0;
};

/// A folder of the file-system service.
class Folder {
 public:
  virtual ~Folder() = default;
  /// The folder's name without its parent.
  virtual std::u16string Name() const = 0;
  /// The full path, without a trailing separator (except for the root).
  virtual std::u16string Path() const = 0;
  /// The attribute bits (attr::kDirectory, attr::kReadOnly ...).
  virtual std::int32_t Attributes() const = 0;
  /// Sets the read-only bit as given; the other bits are the system's and stay.
  virtual void SetAttributes(std::int32_t value) = 0;
  /// The files directly in the folder, in the service's order; a folder that
  /// cannot be read raises error 70, one that has gone error 76.
  virtual FileList Files() const = 0;
  /// The same files as Files, listed as the caller moves on; by default
  /// over the items of Files.
  virtual std::unique_ptr<FileListing> ListFiles() const;
  /// The folders directly in the folder. A link to a folder counts as a folder,
  /// except one that leads back to this folder or to a folder on its path, so
  /// that a walk down the tree ends.
  virtual FolderList SubFolders() const = 0;
};

}  // namespace sigpatch::platform
