#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/DrivesAndFolders.h"
#include "runtime/PathStyle.h"

namespace sigpatch::fakes {

/// Drives and folders a test sets up, in either path style. Drives and folders
/// are compared without regard to case in the Windows style.
class FakeFolders : public platform::DrivesAndFolders {
 public:
  /// POSIX: the drive "/" with the current folder "/home/user". Windows: the
  /// drive "c:" with the current folder "C:\Users\user".
  explicit FakeFolders(runtime::PathStyle style = runtime::kNativePathStyle);

  std::vector<std::u16string> Drives() override { return drives; }
  std::u16string CurrentFolder() override { return current; }
  std::u16string DriveOf(std::u16string_view path) override;
  bool IsReady(std::u16string_view drive) override;
  bool IsDrive(std::u16string_view path) override;
  std::optional<std::u16string> FindFolder(std::u16string_view path) override;

  /// Adds a folder and every folder above it.
  void AddFolder(std::u16string_view path);

  runtime::PathStyle style;
  /// The drives: "c:", "d:" (Windows); "/", "/media/usb" (POSIX).
  std::vector<std::u16string> drives;
  std::set<std::u16string> notReady;
  std::set<std::u16string> folders;
  std::u16string current;

 private:
  std::u16string Key(std::u16string_view path) const;
  std::u16string Normal(std::u16string_view path) const;
};

}  // namespace sigpatch::fakes
