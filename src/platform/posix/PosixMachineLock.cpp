#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/Text.h"
#include "platform/posix/PosixSystem.h"

namespace sigpatch::platform::posix {
namespace {

// An advisory lock on an open file; the system drops it when the file is
// closed, also when the process dies.
class FileLock final : public MachineLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  ~FileLock() override { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool TryLock() override {
    if (held_) return true;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EINTR) return false;
    }
    held_ = true;
    return true;
  }

 private:
  int fd_;
  bool held_ = false;
};

// FNV-1a of the scope, so that every path makes a short, safe file name.
std::uint64_t fingerprint(const std::string& scope) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (unsigned char c : scope) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::string safeName(std::u16string_view name) {
  std::string safe;
  for (char c : text::toUtf8(name)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    safe.push_back(plain ? c : '_');
  }
  return safe;
}

// Opens (or makes, readable and writable by every user, so that a run by hand
// and the boot run meet at the same file) the lock file; -1 when it cannot.
int openLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd >= 0) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid()) ::fchmod(fd, 0666);
    return fd;
  }
  // A lock file that another user made and this one may only read still locks.
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

}  // namespace

std::unique_ptr<MachineLock> PosixSystem::CreateMachineLock(std::u16string_view name) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "-%016llx.lock",
                static_cast<unsigned long long>(fingerprint(lockScope_)));
  const std::string file = "sigpatch-" + safeName(name) + suffix;
  const std::string folders[] = {lockFolder_, "/run/lock", "/tmp"};
  for (const auto& folder : folders) {
    if (folder.empty()) continue;
    const int fd = openLockFile(folder + "/" + file);
    if (fd >= 0) return std::make_unique<FileLock>(fd);
  }
  return nullptr;
}

}  // namespace sigpatch::platform::posix
