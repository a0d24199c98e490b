#include "platform/win32/Win32DrivesAndFolders.h"

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

bool isDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// "c:" of "C:\Temp"; "\\server\share" of a UNC path; "" otherwise.
std::u16string driveOfFull(std::u16string_view full) {
  if (full.size() >= 2 && isDriveLetter(full[0]) && full[1] == u':') {
    return text::toLower(full.substr(0, 2));
  }
  const auto root = rootOf(full);
  return root.empty() ? std::u16string() : root.substr(0, root.size() - 1);
}

// While it lives, a drive without a medium answers with an error instead of a
// dialog that asks for a disk.
class QuietErrors {
 public:
  QuietErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~QuietErrors() { ::SetThreadErrorMode(previous_, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  DWORD previous_ = 0;
};

}  // namespace

std::u16string fullPathName(std::u16string_view path) {
  const std::wstring given = wide(path);
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(buffer.size()),
                                            buffer.data(), nullptr);
    if (length == 0) return std::u16string(path);
    if (length < buffer.size()) return fromWide(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

std::u16string rootOf(std::u16string_view full) {
  if (full.size() >= 3 && isDriveLetter(full[0]) && full[1] == u':' && full[2] == u'\\') {
    return std::u16string(full.substr(0, 3));
  }
  if (full.size() > 2 && full[0] == u'\\' && full[1] == u'\\' && full[2] != u'?' &&
      full[2] != u'.') {
    const auto server = full.find(u'\\', 2);
    if (server == std::u16string_view::npos || server == 2) return {};
    const auto share = full.find(u'\\', server + 1);
    if (share == server + 1) return {};
    if (share == std::u16string_view::npos) return std::u16string(full) + u"\\";
    return std::u16string(full.substr(0, share + 1));
  }
  return {};
}

std::u16string spelledOnDisk(std::u16string_view fullPath) {
  const auto root = rootOf(fullPath);
  std::u16string spelled = root;
  if (spelled.size() == 3 && spelled[1] == u':')
    spelled[0] = text::toUpper(spelled.substr(0, 1))[0];
  std::size_t at = root.size();
  while (at < fullPath.size()) {
    auto end = fullPath.find(u'\\', at);
    if (end == std::u16string_view::npos) end = fullPath.size();
    const auto part = fullPath.substr(at, end - at);
    std::u16string name(part);
    // A search for the exact name gives it back in the file system's spelling.
    if (!part.empty() && part.find_first_of(u"*?") == std::u16string_view::npos) {
      WIN32_FIND_DATAW entry{};
      const HANDLE search = ::FindFirstFileW(wide(spelled + name).c_str(), &entry);
      if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
        name = fromWide(entry.cFileName);
      }
    }
    spelled += name;
    if (end < fullPath.size()) spelled += u'\\';
    at = end + 1;
  }
  return spelled;
}

std::u16string Win32DrivesAndFolders::CurrentFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return u"C:\\";
    if (length < buffer.size()) return fromWide(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

std::u16string Win32DrivesAndFolders::DriveOf(std::u16string_view path) {
  auto drive = driveOfFull(fullPathName(path.empty() ? u"." : path));
  return drive.empty() ? driveOfFull(CurrentFolder()) : drive;
}

bool Win32DrivesAndFolders::IsReady(std::u16string_view drive) {
  if (drive.empty()) return false;
  std::wstring root = wide(drive);
  if (root.back() != L'\\') root += L'\\';
  // A drive whose root can be read is ready; an empty disk drive answers "not
  // ready". (The volume's label is not asked for: a volume may refuse it and
  // still be readable, as Wine's drives of POSIX folders do.)
  QuietErrors quiet;
  return ::GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32DrivesAndFolders::IsDrive(std::u16string_view path) {
  std::u16string given(path);
  while (given.size() > 2 && (given.back() == u'\\' || given.back() == u'/')) given.pop_back();
  if (given.size() == 2 && isDriveLetter(given[0]) && given[1] == u':') {
    for (const auto& drive : Drives()) {
      if (drive == text::toLower(given)) return true;
    }
    return false;
  }
  const auto root = rootOf(fullPathName(given));
  return !root.empty() && text::toLower(root.substr(0, root.size() - 1)) == text::toLower(given);
}

std::optional<std::u16string> Win32DrivesAndFolders::FindFolder(std::u16string_view path) {
  std::u16string given(path);
  if (given.empty()) given = u".";
  // A drive alone names its root, not the current folder of that drive.
  if (given.size() == 2 && isDriveLetter(given[0]) && given[1] == u':') given += u'\\';
  const auto full = wide(fullPathName(given));
  QuietErrors quiet;
  const DWORD attributes = ::GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  std::u16string folder = spelledOnDisk(fromWide(full));
  const auto root = rootOf(folder);
  while (folder.size() > root.size() && folder.back() == u'\\') folder.pop_back();
  return folder;
}

std::vector<std::u16string> Win32DrivesAndFolders::Drives() {
  std::vector<std::u16string> drives;
  wchar_t buffer[4 * 26 + 1] = {};
  const DWORD length = ::GetLogicalDriveStringsW(sizeof buffer / sizeof buffer[0], buffer);
  for (const wchar_t* root = buffer; root < buffer + length && *root != L'\0';
       root += std::wstring_view(root).size() + 1) {
    drives.push_back(text::toLower(fromWide(std::wstring_view(root, 2))));
  }
  return drives;
}

}  // namespace sigpatch::platform::win32
