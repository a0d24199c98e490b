#include "platform/posix/PosixDrivesAndFolders.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

namespace fs = std::filesystem;

// File systems that hold no user files.
const std::set<std::string> kVirtualTypes = {
    "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
    "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
    "proc",   "pstore",      "rpc_pipefs", "securityfs", "selinuxfs", "sysfs",    "tracefs",
};

// Undoes the octal escapes of the mount table ("\040" for a blank).
std::string unescape(const std::string& field) {
  std::string plain;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const auto digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        plain += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    plain += field[i];
  }
  return plain;
}

bool under(const std::u16string& path, const std::u16string& drive) {
  if (drive == u"/") return !path.empty() && path[0] == u'/';
  return path.compare(0, drive.size(), drive) == 0 &&
         (path.size() == drive.size() || path[drive.size()] == u'/');
}

}  // namespace

PosixDrivesAndFolders::PosixDrivesAndFolders(std::string mountTable) {
  std::set<std::u16string> found{u"/"};
  std::ifstream table(mountTable);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    if (kVirtualTypes.count(type) != 0) continue;
    found.insert(text::fromUtf8(unescape(point)));
  }
  drives_.assign(found.begin(), found.end());  // "/" sorts first
}

std::u16string PosixDrivesAndFolders::CurrentFolder() {
  std::error_code error;
  const auto current = fs::current_path(error);
  return error ? u"/" : text::fromUtf8(current.string());
}

std::u16string PosixDrivesAndFolders::Absolute(std::u16string_view path) {
  fs::path native(text::toUtf8(path));
  std::error_code error;
  if (native.is_relative()) native = fs::current_path(error) / native;
  auto normal = native.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return text::fromUtf8(normal);
}

std::u16string PosixDrivesAndFolders::DriveOf(std::u16string_view path) {
  const auto absolute = Absolute(path);
  std::u16string best = u"/";
  for (const auto& drive : drives_) {
    if (under(absolute, drive) && drive.size() > best.size()) best = drive;
  }
  return best;
}

bool PosixDrivesAndFolders::IsReady(std::u16string_view drive) {
  return ::access(text::toUtf8(drive).c_str(), R_OK | X_OK) == 0;
}

bool PosixDrivesAndFolders::IsDrive(std::u16string_view path) {
  return std::find(drives_.begin(), drives_.end(), Absolute(path)) != drives_.end();
}

std::optional<std::u16string> PosixDrivesAndFolders::FindFolder(std::u16string_view path) {
  const auto absolute = Absolute(path);
  std::error_code error;
  if (!fs::is_directory(fs::path(text::toUtf8(absolute)), error)) return std::nullopt;
  return absolute;
}

}  // namespace sigpatch::platform::posix
