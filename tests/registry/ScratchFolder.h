#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace sigpatch::testing {

/// A fresh folder in the system's temporary folder, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("sigpatch-scratch-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path file(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace sigpatch::testing
