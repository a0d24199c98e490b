#include "platform/Folder.h"

#include <cstddef>
#include <utility>

namespace sigpatch::platform {
namespace {

class ItemListing final : public FileListing {
 public:
  explicit ItemListing(FileList files) : files_(std::move(files)) {}
  bool Next() override {
    if (next_ == files_.size()) return false;
    name_ = files_[next_++]->Name();
    return true;
  }
  std::u16string_view Name() const override { return name_; }
  std::u16string Path() const override { return files_[next_ - 1]->Path(); }

 private:
  FileList files_;
  std::size_t next_ = 0;
  std::u16string name_;
};

}  // namespace

std::unique_ptr<FileListing> Folder::ListFiles() const {
  return std::make_unique<ItemListing>(Files());
}

}  // namespace sigpatch::platform
