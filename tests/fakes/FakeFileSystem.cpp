#include "fakes/FakeFileSystem.h"

#include <algorithm>

#include "runtime/PathStyle.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {
namespace {

// The separators of the disk's paths: "/", and on Windows "\\" too, so that
// the program's own paths ("C:\\updates\\") name the disk's nodes.
constexpr std::u16string_view kSeparators =
    runtime::kNativePathStyle == runtime::PathStyle::Windows ? u"/\\" : u"/";

bool isSeparator(char16_t c) { return kSeparators.find(c) != std::u16string_view::npos; }

std::u16string parentOf(const std::u16string& path) {
  const auto slash = path.find_last_of(kSeparators);
  if (slash == std::u16string::npos || slash == 0) return u"/";
  return path.substr(0, slash);
}

std::u16string nameOf(const std::u16string& path) {
  const auto slash = path.find_last_of(kSeparators);
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string normal(std::u16string_view path) {
  std::u16string p(path);
  while (p.size() > 1 && isSeparator(p.back())) p.pop_back();
  return p;
}

class FakeFile : public platform::File {
 public:
  FakeFile(FakeDisk& disk, std::u16string path) : disk_(disk), path_(std::move(path)) {}

  std::u16string Name() const override { return nameOf(path_); }
  std::u16string Path() const override { return path_; }
  std::int64_t Size() const override {
    disk_.Fault(u"Size");
    const auto& node = node_();
    return node.size ? *node.size : static_cast<std::int64_t>(node.bytes.size());
  }
  platform::Clock::TimePoint DateLastModified() const override { return node_().modified; }
  platform::Clock::TimePoint DateLastAccessed() const override { return node_().accessed; }
  std::int32_t Attributes() const override { return node_().attributes; }
  void SetAttributes(std::int32_t value) override {
    disk_.calls.push_back(u"SetAttributes " + path_ + u" " + text::dec(value));
    disk_.Fault(u"SetAttributes");
    node_().attributes = value;
  }

 private:
  FakeNode& node_() const {
    const auto found = disk_.nodes.find(path_);
    if (found == disk_.nodes.end()) throw RuntimeError(err::kFileNotFound);
    return found->second;
  }

  FakeDisk& disk_;
  std::u16string path_;
};

class FakeFolder : public platform::Folder {
 public:
  FakeFolder(FakeDisk& disk, std::u16string path) : disk_(disk), path_(std::move(path)) {}

  std::u16string Name() const override { return nameOf(path_); }
  std::u16string Path() const override { return path_; }
  std::int32_t Attributes() const override { return disk_.Node(path_).attributes; }
  void SetAttributes(std::int32_t value) override {
    disk_.Node(path_).attributes = value | platform::attr::kDirectory;
  }
  platform::FileList Files() const override {
    platform::FileList files;
    for (const auto& path : children(false))
      files.push_back(std::make_unique<FakeFile>(disk_, path));
    return files;
  }
  platform::FolderList SubFolders() const override {
    platform::FolderList folders;
    for (const auto& path : children(true)) {
      folders.push_back(std::make_unique<FakeFolder>(disk_, path));
    }
    return folders;
  }

 private:
  // The paths directly in the folder, in the order they were made.
  std::vector<std::u16string> children(bool folders) const {
    if (!disk_.Has(path_)) throw RuntimeError(err::kPathNotFound);
    std::vector<std::pair<std::uint64_t, std::u16string>> found;
    for (const auto& [path, node] : disk_.nodes) {
      if (path != path_ && parentOf(path) == path_ && node.folder == folders) {
        found.emplace_back(node.order, path);
      }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::u16string> paths;
    for (auto& entry : found) paths.push_back(std::move(entry.second));
    return paths;
  }

  FakeDisk& disk_;
  std::u16string path_;
};

class FakeStream : public platform::TextStream {
 public:
  explicit FakeStream(FakeDisk& disk, std::string bytes) : disk_(disk), bytes_(std::move(bytes)) {}

  std::u16string Read(std::int32_t Characters) override {
    disk_.Fault(u"Read");
    check(Characters);
    const std::string part = bytes_.substr(position_, static_cast<std::size_t>(Characters));
    position_ += part.size();
    return text::fromAnsi(part);
  }
  void Skip(std::int32_t Characters) override {
    check(Characters);
    position_ = std::min(bytes_.size(), position_ + static_cast<std::size_t>(Characters));
  }
  void Close() override { closed_ = true; }

 private:
  void check(std::int32_t count) const {
    if (closed_ || count < 0) throw RuntimeError(err::kInvalidProcedureCall);
  }

  FakeDisk& disk_;
  std::string bytes_;
  std::size_t position_ = 0;
  bool closed_ = false;
};

}  // namespace

FakeDisk::FakeDisk() { nodes[u"/"] = FakeNode{true, {}, {}, platform::attr::kDirectory}; }

void FakeDisk::AddFolder(const std::u16string& path) {
  if (path == u"/" || Has(path)) return;
  AddFolder(parentOf(path));
  FakeNode node;
  node.folder = true;
  node.attributes = platform::attr::kDirectory;
  node.order = nextOrder++;
  nodes[path] = node;
}

FakeNode& FakeDisk::AddFile(const std::u16string& path, std::string bytes) {
  AddFolder(parentOf(path));
  FakeNode node;
  node.bytes = std::move(bytes);
  node.order = nextOrder++;
  return nodes[path] = node;
}

void FakeDisk::Fault(const std::u16string& operation) const {
  const auto found = faults.find(operation);
  if (found != faults.end()) throw RuntimeError(found->second);
}

std::u16string FakeFileSystem::GetAbsolutePathName(std::u16string_view Path) {
  const bool absolute = !Path.empty() && (Path.front() == u'/' || Path.front() == u'\\' ||
                                          (Path.size() > 1 && Path[1] == u':'));
  std::u16string path =
      absolute ? std::u16string(Path) : disk_.currentFolder + u"/" + std::u16string(Path);
  if (!absolute && disk_.currentFolder.find(u'\\') != std::u16string::npos) {
    for (auto& c : path) {
      if (c == u'/') c = u'\\';
    }
  }
  return normal(path);
}

bool FakeFileSystem::FolderExists(std::u16string_view FolderSpec) {
  const auto found = disk_.nodes.find(normal(FolderSpec));
  return found != disk_.nodes.end() && found->second.folder;
}

bool FakeFileSystem::FileExists(std::u16string_view FileSpec) {
  const auto found = disk_.nodes.find(std::u16string(FileSpec));
  return found != disk_.nodes.end() && !found->second.folder;
}

std::unique_ptr<platform::Folder> FakeFileSystem::GetFolder(std::u16string_view FolderSpec) {
  disk_.calls.push_back(u"GetFolder " + std::u16string(FolderSpec));
  disk_.Fault(u"GetFolder");
  if (!FolderExists(FolderSpec)) throw RuntimeError(err::kPathNotFound);
  return std::make_unique<FakeFolder>(disk_, normal(FolderSpec));
}

std::unique_ptr<platform::File> FakeFileSystem::GetFile(std::u16string_view FileSpec) {
  disk_.calls.push_back(u"GetFile " + std::u16string(FileSpec));
  disk_.Fault(u"GetFile");
  if (!FileExists(FileSpec)) throw RuntimeError(err::kFileNotFound);
  return std::make_unique<FakeFile>(disk_, std::u16string(FileSpec));
}

void FakeFileSystem::CopyFile(std::u16string_view Source, std::u16string_view Destination,
                              bool OverWriteFiles) {
  disk_.calls.push_back(u"CopyFile " + std::u16string(Source) + u" " + std::u16string(Destination));
  disk_.Fault(u"CopyFile");
  if (!FileExists(Source)) throw RuntimeError(err::kFileNotFound);
  const std::u16string destination(Destination);
  if (!FolderExists(parentOf(destination))) throw RuntimeError(err::kPathNotFound);
  if (disk_.Has(destination)) {
    const auto& existing = disk_.Node(destination);
    if (existing.folder || !OverWriteFiles) throw RuntimeError(err::kFileAlreadyExists);
    if ((existing.attributes & platform::attr::kReadOnly) != 0) {
      throw RuntimeError(err::kPermissionDenied);
    }
  }
  FakeNode copy = disk_.Node(std::u16string(Source));
  copy.order = disk_.Has(destination) ? disk_.Node(destination).order : disk_.nextOrder++;
  disk_.nodes[destination] = copy;
}

void FakeFileSystem::DeleteFile(std::u16string_view FileSpec, bool Force) {
  disk_.calls.push_back(u"DeleteFile " + std::u16string(FileSpec));
  disk_.Fault(u"DeleteFile");
  if (!FileExists(FileSpec)) throw RuntimeError(err::kFileNotFound);
  const std::u16string path(FileSpec);
  if (!Force && (disk_.Node(path).attributes & platform::attr::kReadOnly) != 0) {
    throw RuntimeError(err::kPermissionDenied);
  }
  disk_.nodes.erase(path);
}

void FakeFileSystem::DeleteFolder(std::u16string_view FolderSpec, bool /*Force*/) {
  disk_.calls.push_back(u"DeleteFolder " + std::u16string(FolderSpec));
  disk_.Fault(u"DeleteFolder");
  const std::u16string path = normal(FolderSpec);
  if (!FolderExists(path)) throw RuntimeError(err::kPathNotFound);
  std::erase_if(disk_.nodes, [&](const auto& entry) {
    const std::u16string& name = entry.first;
    return name == path || (name.size() > path.size() && name.compare(0, path.size(), path) == 0 &&
                            isSeparator(name[path.size()]));
  });
}

std::unique_ptr<platform::Folder> FakeFileSystem::CreateFolder(std::u16string_view Path) {
  disk_.calls.push_back(u"CreateFolder " + std::u16string(Path));
  disk_.Fault(u"CreateFolder");
  const std::u16string path = normal(Path);
  if (disk_.Has(path)) throw RuntimeError(err::kFileAlreadyExists);
  if (!FolderExists(parentOf(path))) throw RuntimeError(err::kPathNotFound);
  disk_.AddFolder(path);
  return std::make_unique<FakeFolder>(disk_, path);
}

std::unique_ptr<platform::TextStream> FakeFileSystem::OpenTextFile(std::u16string_view FileName,
                                                                   std::int32_t IOMode, bool Create,
                                                                   std::int32_t Format) {
  disk_.calls.push_back(u"OpenTextFile " + std::u16string(FileName));
  disk_.Fault(u"OpenTextFile");
  if (IOMode != platform::kForReading || Create || Format != platform::kTristateFalse) {
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  if (!FileExists(FileName)) throw RuntimeError(err::kFileNotFound);
  return std::make_unique<FakeStream>(disk_, disk_.Node(std::u16string(FileName)).bytes);
}

std::unique_ptr<platform::FileSystem> FakeFileSystemService::CreateObject() {
  if (!available) throw RuntimeError(err::kCannotCreateObject);
  ++created;
  return std::make_unique<FakeFileSystem>(disk);
}

}  // namespace sigpatch::fakes
