#pragma once

// Helpers of the tests of the Windows services: temporary folders, files written byte for byte,
// the paths of the programs the build made, and what tells Wine from Windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"

namespace sigpatch::testing {

using platform::win32::fromWide;
using platform::win32::wide;

/// Whether the tests run under Wine, which says so through ntdll.
inline bool underWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

/// A path of the build machine as this system names it: under Wine a POSIX path becomes the drive
/// path that leads to it (Z:\...); anything else stays.
inline std::u16string hostPath(const char* path) {
  using DosName = wchar_t*(CDECL*)(const char*);
  const auto dosName = reinterpret_cast<DosName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (wchar_t* name = path[0] == '/' && dosName != nullptr ? dosName(path) : nullptr) {
    std::u16string result = fromWide(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
  }
  std::u16string result = text::fromUtf8(path);
  for (auto& c : result) c = c == u'/' ? u'\\' : c;
  return result;
}

/// The path of a program the build made beside the test program.
inline std::u16string builtProgram(const char* path) { return hostPath(path); }

/// A folder of its own (in the system's temporary folder unless another is given), removed with
/// everything in it afterwards.
class TempFolder {
 public:
  explicit TempFolder(std::u16string_view prefix = u"sigpatch-test-", std::u16string parent = {}) {
    if (parent.empty()) {
      wchar_t temp[MAX_PATH + 1] = {};
      ::GetTempPathW(MAX_PATH + 1, temp);
      parent = fromWide(temp);
    }
    path_ = parent + std::u16string(prefix) + text::dec(std::random_device()() % 1000000000) +
            text::dec(::GetCurrentProcessId());
    ::CreateDirectoryW(wide(path_).c_str(), nullptr);
  }
  ~TempFolder() { remove(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::u16string& path() const { return path_; }
  std::u16string operator/(std::u16string_view name) const {
    return path_ + u"\\" + std::u16string(name);
  }

  /// Removes a file or a folder tree, read-only bits and all.
  static void remove(const std::u16string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    ::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(path), error))
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(fs::path(path), error);
  }

 private:
  std::u16string path_;
};

inline void writeFile(const std::u16string& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary);
  ASSERT_TRUE(file << bytes) << text::toUtf8(path);
}
inline std::string readFile(const std::u16string& path) {
  std::stringstream contents;
  contents << std::ifstream(std::filesystem::path(path), std::ios::binary).rdbuf();
  return contents.str();
}

/// The text with every mark ("{folder}") replaced by what it stands for.
inline std::u16string fill(
    std::u16string text,
    std::initializer_list<std::pair<std::u16string_view, std::u16string>> marks) {
  for (const auto& [mark, value] : marks) {
    for (auto at = text.find(mark); at != text.npos; at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  }
  return text;
}

inline DWORD attributes(const std::u16string& path) {
  return ::GetFileAttributesW(wide(path).c_str());
}
inline bool exists(const std::u16string& path) {
  return attributes(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace sigpatch::testing
