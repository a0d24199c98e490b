#include "platform/FileSystem.h"

namespace sigpatch::platform {
namespace {

// Each copy is complete, in its place, as soon as it is added.
class ImmediateCopyBatch final : public CopyBatch {
 public:
  explicit ImmediateCopyBatch(FileSystem& fso) : fso_(fso) {}
  std::int64_t Add(std::u16string_view Source, std::u16string_view Destination) override {
    fso_.CopyFile(Source, Destination, true);
    return 0;
  }
  void Sync() override {}
  void Place(std::size_t /*index*/) override {}
  void SyncFolder(std::size_t /*index*/) override {}

 private:
  FileSystem& fso_;
};

}  // namespace

Clock::TimePoint FileSystem::FileDateLastModified(std::u16string_view FileSpec) {
  return GetFile(FileSpec)->DateLastModified();
}

std::unique_ptr<CopyBatch> FileSystem::NewCopyBatch() {
  return std::make_unique<ImmediateCopyBatch>(*this);
}

}  // namespace sigpatch::platform
