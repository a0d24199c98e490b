#include "util/TreeDisk.h"

#include <algorithm>

#include "runtime/RuntimeError.h"

namespace sigpatch::testing {
namespace {

class TreeFile : public platform::File {
 public:
  TreeFile(const TreeDiskService& service, std::unique_ptr<platform::File> inner)
      : service_(service), inner_(std::move(inner)) {}

  std::u16string Name() const override { return inner_->Name(); }
  std::u16string Path() const override { return service_.fromDisk(inner_->Path()); }
  std::int64_t Size() const override { return inner_->Size(); }
  platform::Clock::TimePoint DateLastModified() const override {
    return inner_->DateLastModified();
  }
  platform::Clock::TimePoint DateLastAccessed() const override {
    return inner_->DateLastAccessed();
  }
  std::int32_t Attributes() const override { return inner_->Attributes(); }
  void SetAttributes(std::int32_t value) override { inner_->SetAttributes(value); }

 private:
  const TreeDiskService& service_;
  std::unique_ptr<platform::File> inner_;
};

class TreeFolder : public platform::Folder {
 public:
  TreeFolder(const TreeDiskService& service, std::unique_ptr<platform::Folder> inner)
      : service_(service), inner_(std::move(inner)) {}

  std::u16string Name() const override { return inner_->Name(); }
  std::u16string Path() const override { return service_.fromDisk(inner_->Path()); }
  std::int32_t Attributes() const override { return inner_->Attributes(); }
  void SetAttributes(std::int32_t value) override { inner_->SetAttributes(value); }
  platform::FileList Files() const override {
    service_.fault(u"Files", Path());
    platform::FileList files;
    for (auto& file : inner_->Files()) {
      files.push_back(std::make_unique<TreeFile>(service_, std::move(file)));
    }
    return files;
  }
  platform::FolderList SubFolders() const override {
    service_.fault(u"SubFolders", Path());
    platform::FolderList folders;
    for (auto& folder : inner_->SubFolders()) {
      folders.push_back(std::make_unique<TreeFolder>(service_, std::move(folder)));
    }
    return folders;
  }

 private:
  const TreeDiskService& service_;
  std::unique_ptr<platform::Folder> inner_;
};

class TreeFileSystem : public platform::FileSystem {
 public:
  explicit TreeFileSystem(TreeDiskService& service) : service_(service), inner_(service.disk) {}

  bool FolderExists(std::u16string_view FolderSpec) override {
    service_.fault(u"FolderExists", FolderSpec);
    return inner_.FolderExists(service_.toDisk(FolderSpec));
  }
  std::u16string GetAbsolutePathName(std::u16string_view Path) override {
    return service_.fromDisk(inner_.GetAbsolutePathName(service_.toDisk(Path)));
  }
  bool FileExists(std::u16string_view FileSpec) override {
    service_.fault(u"FileExists", FileSpec);
    return inner_.FileExists(service_.toDisk(FileSpec));
  }
  std::unique_ptr<platform::Folder> GetFolder(std::u16string_view FolderSpec) override {
    service_.fault(u"GetFolder", FolderSpec);
    return std::make_unique<TreeFolder>(service_, inner_.GetFolder(service_.toDisk(FolderSpec)));
  }
  std::unique_ptr<platform::File> GetFile(std::u16string_view FileSpec) override {
    service_.fault(u"GetFile", FileSpec);
    return std::make_unique<TreeFile>(service_, inner_.GetFile(service_.toDisk(FileSpec)));
  }
  void CopyFile(std::u16string_view Source, std::u16string_view Destination,
                bool OverWriteFiles) override {
    service_.fault(u"CopyFile", Destination);
    inner_.CopyFile(service_.toDisk(Source), service_.toDisk(Destination), OverWriteFiles);
  }
  void DeleteFile(std::u16string_view FileSpec, bool Force) override {
    service_.fault(u"DeleteFile", FileSpec);
    inner_.DeleteFile(service_.toDisk(FileSpec), Force);
  }
  void DeleteFolder(std::u16string_view FolderSpec, bool Force) override {
    service_.fault(u"DeleteFolder", FolderSpec);
    // The fake disk deletes a folder whatever is read-only in it; a real one
    // refuses a read-only folder or file unless forced.
    const std::u16string path = service_.toDisk(FolderSpec);
    if (!Force) {
      for (const auto& [name, node] : service_.disk.nodes) {
        if ((name == path || name.starts_with(path + u"/")) &&
            (node.attributes & platform::attr::kReadOnly) != 0) {
          throw RuntimeError(err::kPermissionDenied);
        }
      }
    }
    inner_.DeleteFolder(path, Force);
  }
  std::unique_ptr<platform::Folder> CreateFolder(std::u16string_view Path) override {
    service_.fault(u"CreateFolder", Path);
    return std::make_unique<TreeFolder>(service_, inner_.CreateFolder(service_.toDisk(Path)));
  }
  std::unique_ptr<platform::TextStream> OpenTextFile(std::u16string_view FileName,
                                                     std::int32_t IOMode, bool Create,
                                                     std::int32_t Format) override {
    return inner_.OpenTextFile(service_.toDisk(FileName), IOMode, Create, Format);
  }

 private:
  TreeDiskService& service_;
  fakes::FakeFileSystem inner_;
};

}  // namespace

std::unique_ptr<platform::FileSystem> TreeDiskService::CreateObject() {
  if (!available) throw RuntimeError(err::kCannotCreateObject);
  ++created;
  return std::make_unique<TreeFileSystem>(*this);
}

std::u16string TreeDiskService::toDisk(std::u16string_view path) const {
  std::u16string onDisk(path);
  if (style == runtime::PathStyle::Windows && !onDisk.empty()) {
    std::replace(onDisk.begin(), onDisk.end(), u'\\', u'/');
    onDisk.insert(onDisk.begin(), u'/');
  }
  while (onDisk.size() > 1 && onDisk.back() == u'/') onDisk.pop_back();
  return onDisk;
}

std::u16string TreeDiskService::fromDisk(std::u16string_view path) const {
  std::u16string program(path);
  if (style == runtime::PathStyle::Windows) {
    program.erase(0, 1);
    std::replace(program.begin(), program.end(), u'/', u'\\');
  }
  return program;
}

void TreeDiskService::fault(std::u16string_view operation, std::u16string_view path) const {
  const auto found = faults.find(std::u16string(operation) + u" " + std::u16string(path));
  if (found != faults.end()) throw RuntimeError(found->second);
}

}  // namespace sigpatch::testing
