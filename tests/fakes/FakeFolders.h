#pragma once

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/DrivesAndFolders.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {

/// Drives and folders a test sets up, in either path style: POSIX, the drive "/" with the current
/// folder "/home/user"; Windows, the drive "c:" with the current folder "C:\Users\user", and drives
/// and folders compared without regard to case.
class FakeFolders : public platform::DrivesAndFolders {
 public:
  explicit FakeFolders(runtime::PathStyle pathStyle = runtime::kNativePathStyle)
      : style(pathStyle),
        drives{windows() ? u"c:" : u"/"},
        current(windows() ? u"C:\\Users\\user" : u"/home/user") {
    AddFolder(current);
  }

  std::vector<std::u16string> Drives() override { return drives; }
  std::u16string CurrentFolder() override { return current; }
  /// The longest drive the path starts with; else the drive of the current folder.
  std::u16string DriveOf(std::u16string_view path) override {
    std::u16string best;
    for (const auto& drive : drives)
      if (Key(path).starts_with(Key(drive)) && drive.size() > best.size()) best = drive;
    return best.empty() ? DriveOf(current) : best;
  }
  bool IsReady(std::u16string_view drive) override { return !notReady.contains(Key(drive)); }
  bool IsDrive(std::u16string_view path) override {
    return std::ranges::any_of(drives, [&](const auto& drive) { return Key(drive) == Key(path); });
  }
  std::optional<std::u16string> FindFolder(std::u16string_view path) override {
    for (const auto& folder : folders)
      if (Key(folder) == Key(Normal(path))) return folder;
    return std::nullopt;
  }
  /// Adds a folder and every folder above it.
  void AddFolder(std::u16string_view path) {
    const auto folder = Normal(path);
    folders.insert(folder);
    for (auto at = folder.rfind(separator()); at != std::u16string::npos && at > 0;
         at = folder.rfind(separator(), at - 1))
      folders.insert(Normal(folder.substr(0, at + 1)));
    if (!windows()) folders.insert(u"/");
  }

  runtime::PathStyle style;
  /// The drives: "c:", "d:" (Windows); "/", "/media/usb" (POSIX).
  std::vector<std::u16string> drives;
  std::set<std::u16string> notReady, folders;
  std::u16string current;

 private:
  bool windows() const { return style == runtime::PathStyle::Windows; }
  char16_t separator() const { return runtime::separatorOf(style); }
  std::u16string Key(std::u16string_view path) const {
    return windows() ? text::toLower(path) : std::u16string(path);
  }
  // Without the separators at its end; a drive alone ("c:") names its root.
  std::u16string Normal(std::u16string_view path) const {
    std::u16string folder(path);
    if (windows() && folder.size() == 2 && folder[1] == u':') folder += u'\\';
    while (folder.size() > (windows() ? 3u : 1u) && folder.back() == separator()) folder.pop_back();
    return folder;
  }
};

}  // namespace sigpatch::fakes
