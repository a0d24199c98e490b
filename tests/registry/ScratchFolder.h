#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace sigpatch::testing {

/// A fresh folder in the system's temporary folder, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("sigpatch-scratch-" + std::to_string(std::random_device()()))) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path file(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }
  static void write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace sigpatch::testing
