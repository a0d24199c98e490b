#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "runtime/PathStyle.h"

namespace sigpatch::fakes {

/// A file or folder: its contents one byte a character, a size standing in for a
/// file too large to hold, and its place in its folder's listing (`order`).
struct FakeNode {
  bool folder = false;
  std::string bytes;
  std::optional<std::int64_t> size;
  std::int32_t attributes = 0;
  platform::Clock::TimePoint modified{};
  platform::Clock::TimePoint accessed{};
  std::uint64_t order = 0;
};

/// An in-memory disk shared by the file-system objects made from it. Paths are
/// kept as written, in one path style: "C:\Data\a.txt" lies in "C:\Data", in
/// "C:", in "/". tests/platform's behaviour suite holds it to the real disks.
class FakeDisk {
 public:
  explicit FakeDisk(runtime::PathStyle style = runtime::kNativePathStyle);

  /// A folder (and its parents); a file with its contents (and its folder).
  void AddFolder(const std::u16string& path);
  FakeNode& AddFile(const std::u16string& path, std::string bytes = {});
  bool Has(const std::u16string& path) const { return nodes.count(path) != 0; }
  FakeNode& Node(const std::u16string& path) { return nodes.at(path); }
  bool IsFolder(const std::u16string& path) const { return Has(path) && nodes.at(path).folder; }
  bool IsFile(const std::u16string& path) const { return Has(path) && !nodes.at(path).folder; }

  /// Raises the fault set for "operation" or for "operation path", if any.
  void Fault(std::u16string_view operation, std::u16string_view path = {}) const;
  bool isSeparator(char16_t c) const;
  /// The folder a path lies in ("/" at the top), its last name, and the path
  /// without separators at its end.
  std::u16string parentOf(std::u16string_view path) const;
  std::u16string nameOf(std::u16string_view path) const;
  std::u16string normal(std::u16string_view path) const;

  runtime::PathStyle style;
  std::map<std::u16string, FakeNode> nodes;
  /// An error number raised on every call of an operation ("DeleteFile") or on the
  /// calls for one path ("CopyFile /d/a.txt", a copy's destination): the FileSystem
  /// operations, and Files, SubFolders, SetAttributes, Size, Read.
  std::map<std::u16string, std::int32_t> faults;
  /// Every call that reads or changes the disk as "Operation path".
  std::vector<std::u16string> calls;
  std::uint64_t nextOrder = 0;
  /// The folder a relative path is taken from.
  std::u16string currentFolder = u"/home";
};

/// The service over a fake disk; it can be made unavailable.
class FakeFileSystemService : public platform::FileSystemService {
 public:
  explicit FakeFileSystemService(runtime::PathStyle style = runtime::kNativePathStyle)
      : disk(style) {}
  std::unique_ptr<platform::FileSystem> CreateObject() override;

  FakeDisk disk;
  bool available = true;
  int created = 0;
};

}  // namespace sigpatch::fakes
