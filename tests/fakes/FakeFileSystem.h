#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace sigpatch::fakes {

/// A file or folder of the fake disk.
struct FakeNode {
  bool folder = false;
  /// The contents, one byte a character.
  std::string bytes;
  /// A size that stands in for a file too large to hold.
  std::optional<std::int64_t> size;
  std::int32_t attributes = 0;
  platform::Clock::TimePoint modified{};
  platform::Clock::TimePoint accessed{};
  /// The order in which the folder's listing gives it.
  std::uint64_t order = 0;
};

/// An in-memory disk with "/" paths, shared by the file-system objects made
/// from it. Its faults stand for what a real disk does: a read-only file that
/// refuses deletion and overwriting (70), a missing file (53) or folder (76).
class FakeDisk {
 public:
  FakeDisk();

  /// A folder (and its parents).
  void AddFolder(const std::u16string& path);
  /// A file with its contents (and its folder).
  FakeNode& AddFile(const std::u16string& path, std::string bytes = {});
  bool Has(const std::u16string& path) const { return nodes.count(path) != 0; }
  FakeNode& Node(const std::u16string& path) { return nodes.at(path); }

  std::map<std::u16string, FakeNode> nodes;
  /// Operation name ("DeleteFile", "CopyFile", "GetFile", "GetFolder",
  /// "OpenTextFile", "Read", "SetAttributes", "Size") and the error number it
  /// raises on every call.
  std::map<std::u16string, std::int32_t> faults;
  /// Every call as "Operation path".
  std::vector<std::u16string> calls;
  std::uint64_t nextOrder = 0;
  /// The folder a relative path is taken from.
  std::u16string currentFolder = u"/home";

  void Fault(const std::u16string& operation) const;
};

/// The file-system object over a fake disk.
class FakeFileSystem : public platform::FileSystem {
 public:
  explicit FakeFileSystem(FakeDisk& disk) : disk_(disk) {}

  bool FolderExists(std::u16string_view FolderSpec) override;
  std::u16string GetAbsolutePathName(std::u16string_view Path) override;
  bool FileExists(std::u16string_view FileSpec) override;
  std::unique_ptr<platform::Folder> GetFolder(std::u16string_view FolderSpec) override;
  std::unique_ptr<platform::File> GetFile(std::u16string_view FileSpec) override;
  void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                bool OverWriteFiles) override;
  void DeleteFile(std::u16string_view FileSpec, bool Force) override;
  void DeleteFolder(std::u16string_view FolderSpec, bool Force) override;
  std::unique_ptr<platform::Folder> CreateFolder(std::u16string_view Path) override;
  std::unique_ptr<platform::TextStream> OpenTextFile(std::u16string_view FileName,
                                                     std::int32_t IOMode, bool Create,
                                                     std::int32_t Format) override;

 private:
  FakeDisk& disk_;
};

/// The service over a fake disk; it can be made unavailable.
class FakeFileSystemService : public platform::FileSystemService {
 public:
  std::unique_ptr<platform::FileSystem> CreateObject() override;

  FakeDisk disk;
  bool available = true;
  int created = 0;
};

}  // namespace sigpatch::fakes
