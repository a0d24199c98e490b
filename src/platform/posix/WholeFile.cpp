#include "platform/posix/WholeFile.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

constexpr int kMostLinks = 40;  // as many as the kernel follows in one path

std::u16string words(const std::string& text) { return text::fromUtf8(text); }
std::u16string reason(int number) { return words(std::strerror(number)); }

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names, its symbolic links followed; a link that names
// nothing yet gives the place where the file it names would be made. An error
// number when the path cannot be followed.
int follow(std::string path, std::string& file) {
  for (int links = 0; links <= kMostLinks; ++links) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno != ENOENT) return errno;
      file = path;
      return 0;
    }
    if (!S_ISLNK(info.st_mode)) {
      file = path;
      return 0;
    }
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    while (true) {
      const auto length = ::readlink(path.c_str(), target.data(), target.size());
      if (length < 0) return errno;
      if (static_cast<std::size_t>(length) < target.size()) {
        target.resize(static_cast<std::size_t>(length));
        break;
      }
      target.resize(target.size() * 2);
    }
    path = target.front() == '/' ? target : folderOf(path) + "/" + target;
  }
  return ELOOP;
}

std::u16string userName(uid_t uid) {
  if (const passwd* entry = ::getpwuid(uid); entry != nullptr && entry->pw_name != nullptr) {
    return words(entry->pw_name);
  }
  return u"uid " + text::dec(static_cast<std::int64_t>(uid));
}

std::u16string groupName(gid_t gid) {
  if (const group* entry = ::getgrgid(gid); entry != nullptr && entry->gr_name != nullptr) {
    return words(entry->gr_name);
  }
  return u"gid " + text::dec(static_cast<std::int64_t>(gid));
}

// What a path holds when it is not a regular file, in words; empty for a file.
std::u16string notAFile(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return u"it is a folder, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return u"it is a device, not a file";
  if (S_ISFIFO(mode)) return u"it is a pipe (FIFO), not a file";
  if (S_ISSOCK(mode)) return u"it is a socket, not a file";
  return u"it is not a regular file";
}

std::u16string writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return reason(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

// A new file that is removed again unless it was put in its place.
class NewFile {
 public:
  explicit NewFile(std::string name) : name_(std::move(name)) {}
  ~NewFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(name_.c_str());
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool Make() {
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    return fd_ >= 0;
  }
  int Fd() const { return fd_; }
  const std::string& Name() const { return name_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void Keep() { kept_ = true; }

 private:
  std::string name_;
  int fd_ = -1;
  bool kept_ = false;
};

}  // namespace

std::u16string writeWholeFile(const std::string& path, std::string_view bytes) {
  std::string file;
  if (const int number = follow(path, file); number != 0) return reason(number);
  struct stat old {};
  const bool exists = ::stat(file.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return reason(errno);
  if (exists) {
    if (auto kind = notAFile(old.st_mode); !kind.empty()) return kind;
    // Replacing a file by a rename needs no right to the file itself; a file
    // the user may not write is left alone all the same.
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return reason(errno);
  }

  const auto folder = folderOf(file);
  const auto base = file.substr(file.rfind('/') == std::string::npos ? 0 : file.rfind('/') + 1);
  NewFile temporary(folder + "/." + base + ".sigreg-XXXXXX");
  if (!temporary.Make()) {
    return u"no new file can be made in " + words(folder) + u": " + reason(errno);
  }
  if (exists) {
    struct stat made {};
    if (::fstat(temporary.Fd(), &made) != 0) return reason(errno);
    if (made.st_uid != old.st_uid && ::fchown(temporary.Fd(), old.st_uid, gid_t(-1)) != 0) {
      return u"its owner " + userName(old.st_uid) + u" cannot be kept: " + reason(errno);
    }
    if (made.st_gid != old.st_gid && ::fchown(temporary.Fd(), uid_t(-1), old.st_gid) != 0) {
      return u"its group " + groupName(old.st_gid) + u" cannot be kept: " + reason(errno);
    }
    // After the owner: a change of owner clears the set-user-ID bit.
    if (::fchmod(temporary.Fd(), old.st_mode & 07777) != 0) {
      return u"its mode cannot be kept: " + reason(errno);
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(temporary.Fd(), 0666 & ~mask) != 0) return reason(errno);
  }
  if (auto fault = writeAll(temporary.Fd(), bytes); !fault.empty()) return fault;
  if (::fsync(temporary.Fd()) != 0) return reason(errno);
  if (temporary.Close() != 0) return reason(errno);
  if (::rename(temporary.Name().c_str(), file.c_str()) != 0) return reason(errno);
  temporary.Keep();
  // The rename itself made durable.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

std::u16string writeStandardOutput(std::string_view bytes) {
  std::cout.flush();
  std::fflush(stdout);
  return writeAll(STDOUT_FILENO, bytes);
}

}  // namespace sigpatch::platform::posix
