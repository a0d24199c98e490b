#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// A write lock (an open file description lock) on a file opened for writing.
// Only those who may write the file can take it, so a user who may only read
// it cannot hold the updates back; the system drops the lock when the file is
// closed, also when the process dies.
class FileLock final : public MachineLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  ~FileLock() override { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool TryLock() override {
    if (held_) return true;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) {
      if (errno != EINTR) return false;
    }
    held_ = true;
    return true;
  }

 private:
  int fd_;
  bool held_ = false;
};

std::string safeName(std::u16string_view name) {
  std::string safe;
  for (char c : text::toUtf8(name)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    safe.push_back(plain ? c : '_');
  }
  return safe;
}

}  // namespace

std::unique_ptr<MachineLock> PosixSystem::CreateMachineLock(std::u16string_view name) {
  // The lock lives beside the machine-wide store and may be written by those
  // who may write the store: its mode is the store's.
  const std::string path = lockScope_.empty() ? (lockFolder_.empty() ? "/run/lock" : lockFolder_) +
                                                    "/sigpatch-" + safeName(name) + ".lock"
                                              : lockScope_ + "-" + safeName(name) + ".lock";
  struct stat store {};
  const bool storeKnown = !lockScope_.empty() && ::stat(lockScope_.c_str(), &store) == 0;
  const mode_t mode = storeKnown ? (store.st_mode & 0666) : 0644;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  // A new file gets the store's mode and owner whatever the umask.
  if (info.st_uid == ::geteuid() && storeKnown) {
    if ((info.st_mode & 07777) != mode) ::fchmod(fd, mode);
    if (::geteuid() == 0 && (info.st_uid != store.st_uid || info.st_gid != store.st_gid)) {
      if (::fchown(fd, store.st_uid, store.st_gid) != 0) {
        // The lock still works for root; others may then not take it.
      }
    }
  }
  return std::make_unique<FileLock>(fd);
}

}  // namespace sigpatch::platform::posix
