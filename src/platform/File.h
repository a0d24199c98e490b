#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"

namespace sigpatch::platform {

/// The attribute bits of files and folders.
namespace attr {
inline constexpr std::int32_t kNormal = 0;
inline constexpr std::int32_t kReadOnly = 1;
inline constexpr std::int32_t kHidden = 2;
inline constexpr std::int32_t kDirectory = 16;
/// A symbolic link (an alias of another file or folder).
inline constexpr std::int32_t kAlias = 1024;
}  // namespace attr

/// Clears the read-only bit of a file or folder item when it is set.
template <typename Item>
void clearReadOnly(Item& item) {
  const std::int32_t attributes = item.Attributes();
  if ((attributes & attr::kReadOnly) != 0) item.SetAttributes(attributes & ~attr::kReadOnly);
}

/// A file of the file-system service. Its facts are read from the file when
/// asked; a file that has gone raises error 53.
class File {
 public:
  virtual ~File() = default;
  /// The file name without folder, in its own letter case.
  virtual std::u16string Name() const = 0;
  /// The full path.
  virtual std::u16string Path() const = 0;
  /// The size in bytes.
  virtual std::int64_t Size() const = 0;
  virtual Clock::TimePoint DateLastModified() const = 0;
  virtual Clock::TimePoint DateLastAccessed() const = 0;
  /// The attribute bits (attr::kReadOnly ...).
  virtual std::int32_t Attributes() const = 0;
  /// Sets the read-only bit as given; the other bits are the system's and stay.
  virtual void SetAttributes(std::int32_t value) = 0;
};

}  // namespace sigpatch::platform
