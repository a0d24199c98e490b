#include "fakes/FakeFolders.h"

#include "runtime/Text.h"

namespace sigpatch::fakes {

FakeFolders::FakeFolders(runtime::PathStyle pathStyle) : style(pathStyle) {
  if (style == runtime::PathStyle::Windows) {
    drives = {u"c:"};
    current = u"C:\\Users\\user";
  } else {
    drives = {u"/"};
    current = u"/home/user";
  }
  AddFolder(current);
}

std::u16string FakeFolders::Key(std::u16string_view path) const {
  return style == runtime::PathStyle::Windows ? text::toLower(path) : std::u16string(path);
}

std::u16string FakeFolders::Normal(std::u16string_view path) const {
  const char16_t sep = runtime::separatorOf(style);
  std::u16string folder(path);
  if (style == runtime::PathStyle::Windows && folder.size() == 2 && folder[1] == u':') {
    folder += sep;  // a drive alone names its root
  }
  const std::size_t root = style == runtime::PathStyle::Windows ? 3 : 1;
  while (folder.size() > root && folder.back() == sep) folder.pop_back();
  return folder;
}

std::u16string FakeFolders::DriveOf(std::u16string_view path) {
  const auto key = Key(path);
  std::u16string best;
  for (const auto& drive : drives) {
    const auto driveKey = Key(drive);
    if (key.compare(0, driveKey.size(), driveKey) == 0 && driveKey.size() > best.size()) {
      best = drive;
    }
  }
  return best.empty() ? DriveOf(current) : best;
}

bool FakeFolders::IsReady(std::u16string_view drive) { return notReady.count(Key(drive)) == 0; }

bool FakeFolders::IsDrive(std::u16string_view path) {
  for (const auto& drive : drives) {
    if (Key(drive) == Key(path)) return true;
  }
  return false;
}

std::optional<std::u16string> FakeFolders::FindFolder(std::u16string_view path) {
  const auto wanted = Key(Normal(path));
  for (const auto& folder : folders) {
    if (Key(folder) == wanted) return folder;
  }
  return std::nullopt;
}

void FakeFolders::AddFolder(std::u16string_view path) {
  const char16_t sep = runtime::separatorOf(style);
  auto folder = Normal(path);
  folders.insert(folder);
  for (auto at = folder.rfind(sep); at != std::u16string::npos && at > 0;
       at = folder.rfind(sep, at - 1)) {
    const auto above = Normal(folder.substr(0, at + 1));
    folders.insert(above);
    if (at == 0) break;
  }
  if (style == runtime::PathStyle::Posix) folders.insert(u"/");
}

}  // namespace sigpatch::fakes
