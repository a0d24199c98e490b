#include "fakes/FakeFileSystem.h"

#include <algorithm>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {
namespace {

using platform::attr::kReadOnly;

// A file or folder: the node of a path, read when asked.
class FakeItem : public platform::File, public platform::Folder {
 public:
  FakeItem(FakeDisk& disk, std::u16string path, bool folder)
      : disk_(disk), path_(std::move(path)), folder_(folder) {}
  std::u16string Name() const override { return disk_.nameOf(path_); }
  std::u16string Path() const override { return path_; }
  std::int64_t Size() const override {
    disk_.Fault(u"Size", path_);
    return node().size.value_or(static_cast<std::int64_t>(node().bytes.size()));
  }
  platform::Clock::TimePoint DateLastModified() const override { return node().modified; }
  platform::Clock::TimePoint DateLastAccessed() const override { return node().accessed; }
  std::int32_t Attributes() const override { return node().attributes; }
  void SetAttributes(std::int32_t value) override {
    if (!folder_) {
      disk_.calls.push_back(u"SetAttributes " + path_ + u" " + text::dec(value));
      disk_.Fault(u"SetAttributes", path_);
    }
    node().attributes = folder_ ? value | platform::attr::kDirectory : value;
  }
  platform::FileList Files() const override { return children<platform::File>(false); }
  platform::FolderList SubFolders() const override { return children<platform::Folder>(true); }

 private:
  FakeNode& node() const {
    if (!folder_ && !disk_.IsFile(path_)) throw RuntimeError(err::kFileNotFound);
    return disk_.Node(path_);
  }
  // The items directly in the folder, in the order they were made.
  template <typename Item>
  std::vector<std::unique_ptr<Item>> children(bool folders) const {
    disk_.Fault(folders ? u"SubFolders" : u"Files", path_);
    if (!disk_.IsFolder(path_)) throw RuntimeError(err::kPathNotFound);
    std::map<std::uint64_t, std::u16string> found;
    for (const auto& [path, node] : disk_.nodes)
      if (path != path_ && node.folder == folders && disk_.parentOf(path) == path_)
        found[node.order] = path;
    std::vector<std::unique_ptr<Item>> items;
    for (const auto& [order, path] : found)
      items.push_back(std::make_unique<FakeItem>(disk_, path, folders));
    return items;
  }

  FakeDisk& disk_;
  std::u16string path_;
  bool folder_;
};

// A stream over the bytes the file held when it was opened.
class FakeStream : public platform::TextStream {
 public:
  FakeStream(FakeDisk& disk, std::u16string path) : disk_(disk), path_(std::move(path)) {}
  std::u16string Read(std::int32_t Characters) override {
    disk_.Fault(u"Read", path_);
    const std::string part = bytes_.substr(position_, check(Characters));
    position_ += part.size();
    return text::fromAnsi(part);
  }
  void Skip(std::int32_t Characters) override {
    position_ = std::min(bytes_.size(), position_ + check(Characters));
  }
  void Close() override { closed_ = true; }

 private:
  std::size_t check(std::int32_t count) const {
    if (closed_ || count < 0) throw RuntimeError(err::kInvalidProcedureCall);
    return static_cast<std::size_t>(count);
  }

  FakeDisk& disk_;
  std::u16string path_;
  std::string bytes_ = disk_.Node(path_).bytes;
  std::size_t position_ = 0;
  bool closed_ = false;
};

void require(bool condition, std::int32_t error) {
  if (!condition) throw RuntimeError(error);
}

// The file-system object over a fake disk.
class FakeFileSystem : public platform::FileSystem {
 public:
  explicit FakeFileSystem(FakeDisk& disk) : disk_(disk) {}

  std::u16string GetAbsolutePathName(std::u16string_view Path) override {
    if (!Path.empty() && (Path[0] == u'/' || Path[0] == u'\\' || Path.substr(1, 1) == u":"))
      return disk_.normal(Path);
    std::u16string path = disk_.currentFolder + u"/" + std::u16string(Path);
    if (disk_.currentFolder.find(u'\\') != std::u16string::npos)
      std::ranges::replace(path, u'/', u'\\');
    return disk_.normal(path);
  }
  bool FolderExists(std::u16string_view FolderSpec) override {
    disk_.Fault(u"FolderExists", FolderSpec);
    return disk_.IsFolder(disk_.normal(FolderSpec));
  }
  bool FileExists(std::u16string_view FileSpec) override {
    disk_.Fault(u"FileExists", FileSpec);
    return disk_.IsFile(std::u16string(FileSpec));
  }
  std::unique_ptr<platform::Folder> GetFolder(std::u16string_view FolderSpec) override {
    record(u"GetFolder", FolderSpec);
    require(!FolderSpec.empty(), err::kInvalidProcedureCall);
    require(disk_.IsFolder(disk_.normal(FolderSpec)), err::kPathNotFound);
    return std::make_unique<FakeItem>(disk_, disk_.normal(FolderSpec), true);
  }
  std::unique_ptr<platform::File> GetFile(std::u16string_view FileSpec) override {
    record(u"GetFile", FileSpec);
    require(disk_.IsFile(std::u16string(FileSpec)), err::kFileNotFound);
    return std::make_unique<FakeItem>(disk_, std::u16string(FileSpec), false);
  }
  void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                bool OverWriteFiles) override {
    const std::u16string source(Source);
    std::u16string destination(Destination);
    disk_.calls.push_back(u"CopyFile " + source + u" " + destination);
    disk_.Fault(u"CopyFile", destination);
    require(disk_.IsFile(source), err::kFileNotFound);
    const std::u16string folder = disk_.normal(destination);
    if (disk_.isSeparator(destination.back()) || disk_.IsFolder(folder)) {
      destination = folder + runtime::separatorOf(disk_.style) + disk_.nameOf(source);
    }
    require(disk_.IsFolder(disk_.parentOf(destination)), err::kPathNotFound);
    FakeNode copy = disk_.Node(source);
    copy.order = disk_.nextOrder++;
    if (disk_.Has(destination)) {
      const auto& existing = disk_.Node(destination);
      require(!existing.folder && OverWriteFiles, err::kFileAlreadyExists);
      require((existing.attributes & kReadOnly) == 0 && destination != source,
              err::kPermissionDenied);
      copy.order = existing.order;
    }
    disk_.nodes[destination] = copy;
  }
  void DeleteFile(std::u16string_view FileSpec, bool Force) override {
    record(u"DeleteFile", FileSpec);
    const std::u16string path(FileSpec);
    require(disk_.IsFile(path), err::kFileNotFound);
    require(Force || (disk_.Node(path).attributes & kReadOnly) == 0, err::kPermissionDenied);
    disk_.nodes.erase(path);
  }
  void DeleteFolder(std::u16string_view FolderSpec, bool Force) override {
    record(u"DeleteFolder", FolderSpec);
    const std::u16string path = disk_.normal(FolderSpec);
    require(disk_.IsFolder(path), err::kPathNotFound);
    const auto inTree = [&](const auto& entry) {
      const std::u16string& name = entry.first;
      return name.starts_with(path) &&
             (name.size() == path.size() || disk_.isSeparator(name[path.size()]));
    };
    // A real disk refuses a read-only folder, or a read-only file in it, unless forced.
    for (const auto& entry : disk_.nodes)
      require(Force || !inTree(entry) || !(entry.second.attributes & kReadOnly),
              err::kPermissionDenied);
    std::erase_if(disk_.nodes, inTree);
  }
  std::unique_ptr<platform::Folder> CreateFolder(std::u16string_view Path) override {
    record(u"CreateFolder", Path);
    const std::u16string path = disk_.normal(Path);
    require(!disk_.Has(path), err::kFileAlreadyExists);
    require(disk_.IsFolder(disk_.parentOf(path)), err::kPathNotFound);
    disk_.AddFolder(path);
    return std::make_unique<FakeItem>(disk_, path, true);
  }
  std::unique_ptr<platform::TextStream> OpenTextFile(std::u16string_view FileName,
                                                     std::int32_t IOMode, bool Create,
                                                     std::int32_t Format) override {
    record(u"OpenTextFile", FileName);
    require(IOMode == platform::kForReading && !Create && Format == platform::kTristateFalse,
            err::kInvalidProcedureCall);
    const std::u16string path(FileName);
    require(!disk_.IsFolder(path), err::kPermissionDenied);
    require(disk_.IsFile(path), err::kFileNotFound);
    return std::make_unique<FakeStream>(disk_, path);
  }

 private:
  void record(std::u16string_view operation, std::u16string_view path) {
    disk_.calls.push_back(std::u16string(operation) + u" " + std::u16string(path));
    disk_.Fault(operation, path);
  }

  FakeDisk& disk_;
};

}  // namespace

FakeDisk::FakeDisk(runtime::PathStyle pathStyle) : style(pathStyle) {
  nodes[u"/"] = FakeNode{true, {}, {}, platform::attr::kDirectory, {}, {}, 0};
}

bool FakeDisk::isSeparator(char16_t c) const {
  return c == u'/' || (style == runtime::PathStyle::Windows && c == u'\\');
}

std::u16string FakeDisk::parentOf(std::u16string_view path) const {
  const std::size_t at = path.size() - nameOf(path).size();
  return at <= 1 ? u"/" : normal(path.substr(0, at));
}

std::u16string FakeDisk::nameOf(std::u16string_view path) const {
  std::size_t at = path.size();
  while (at > 0 && !isSeparator(path[at - 1])) --at;
  return std::u16string(path.substr(at));
}

std::u16string FakeDisk::normal(std::u16string_view path) const {
  while (path.size() > 1 && isSeparator(path.back())) path.remove_suffix(1);
  return std::u16string(path);
}

void FakeDisk::AddFolder(const std::u16string& path) {
  if (Has(path)) return;
  AddFolder(parentOf(path));
  nodes[path] = FakeNode{true, {}, {}, platform::attr::kDirectory, {}, {}, nextOrder++};
}

FakeNode& FakeDisk::AddFile(const std::u16string& path, std::string bytes) {
  AddFolder(parentOf(path));
  return nodes[path] = FakeNode{false, std::move(bytes), {}, 0, {}, {}, nextOrder++};
}

void FakeDisk::Fault(std::u16string_view operation, std::u16string_view path) const {
  for (const auto& key :
       {std::u16string(operation), std::u16string(operation) + u" " + std::u16string(path)})
    if (faults.contains(key)) throw RuntimeError(faults.at(key));
}

std::unique_ptr<platform::FileSystem> FakeFileSystemService::CreateObject() {
  require(available, err::kCannotCreateObject);
  ++created;
  return std::make_unique<FakeFileSystem>(disk);
}

}  // namespace sigpatch::fakes
