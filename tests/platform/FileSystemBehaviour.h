#pragma once

// The file-system service's rules, run against the fake disk and each
// system's service, so that the fake cannot drift from the real disks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "runtime/RuntimeError.h"

namespace sigpatch::testing {

/// The error number a call raises; 0 when it raises none.
inline int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

/// The names of the items of a listing, sorted.
template <typename List>
std::vector<std::u16string> names(const List& items) {
  std::vector<std::u16string> found;
  for (const auto& item : items) found.push_back(item->Name());
  std::sort(found.begin(), found.end());
  return found;
}

/// The names a folder's listing gives, sorted.
inline std::vector<std::u16string> listedNames(const platform::Folder& folder) {
  std::vector<std::u16string> found;
  for (const auto files = folder.ListFiles(); files->Next();) found.emplace_back(files->Name());
  std::sort(found.begin(), found.end());
  return found;
}

/// A file-system service under test with an empty folder of its own.
class FileSystemSubject {
 public:
  virtual ~FileSystemSubject() = default;
  virtual platform::FileSystemService& service() = 0;
  /// The folder of its own, in the system's path style.
  virtual std::u16string root() const = 0;
  /// Writes a file (its folder exists) byte for byte.
  virtual void write(const std::u16string& path, const std::string& bytes) = 0;
  /// Sets the dates of last change and last access, in seconds since 1970.
  virtual void setTimes(const std::u16string& path, std::int64_t written, std::int64_t read) = 0;
  /// Whether "." and ".." in a path are resolved (the fake keeps them).
  virtual bool resolvesDots() const { return true; }
};

/// The suite's parameter: a name and a maker of the subject.
struct FileSystemKind {
  const char* name;
  std::function<std::unique_ptr<FileSystemSubject>()> make;
  friend void PrintTo(const FileSystemKind& kind, std::ostream* out) { *out << kind.name; }
};

/// The parameter of one subject, for INSTANTIATE_TEST_SUITE_P.
template <typename Subject>
auto subjectOf(const char* name) {
  return ::testing::Values(
      FileSystemKind{name, [] { return std::unique_ptr<FileSystemSubject>(new Subject); }});
}

inline std::string fileSystemName(const ::testing::TestParamInfo<FileSystemKind>& param) {
  return param.param.name;
}

class FileSystemBehaviourTest : public ::testing::TestWithParam<FileSystemKind> {
 protected:
  void SetUp() override;
  platform::FileSystem& fs() { return *fs_; }
  /// The path of a name (written with "/") below the subject's folder.
  std::u16string p(std::u16string_view name) const;
  void write(std::u16string_view name, const std::string& bytes) { subject->write(p(name), bytes); }
  void mkdir(std::u16string_view name) { fs().CreateFolder(p(name)); }
  void makeReadOnly(std::u16string_view name) {
    fs().GetFile(p(name))->SetAttributes(platform::attr::kReadOnly);
  }
  /// The whole file, read through a text stream.
  std::u16string contents(std::u16string_view name) {
    return fs().OpenTextFile(p(name), platform::kForReading, false, 0)->Read(1 << 20);
  }

  std::unique_ptr<FileSystemSubject> subject;
  std::unique_ptr<platform::FileSystem> fs_;
};

}  // namespace sigpatch::testing
