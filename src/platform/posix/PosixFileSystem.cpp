#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

enum class Subject { File, Folder };

// The system's run-time error for an errno.
[[noreturn]] void raise(int error, Subject subject) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      throw RuntimeError(subject == Subject::File ? err::kFileNotFound : err::kPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      throw RuntimeError(err::kPermissionDenied);
    case EEXIST:
      throw RuntimeError(err::kFileAlreadyExists);
    case ENOSPC:
    case EDQUOT:
      throw RuntimeError(err::kDiskFull);
    case EIO:
      throw RuntimeError(err::kDeviceIOError);
    case ENOMEM:
      throw RuntimeError(err::kOutOfMemory);
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
      throw RuntimeError(err::kDiskNotReady);
    default:
      throw RuntimeError(err::kPathFileAccessError);
  }
}

std::string currentFolder() {
  std::string buffer(PATH_MAX, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) raise(errno, Subject::Folder);
  return buffer.c_str();
}

// The full path of what the caller names: made absolute against the working
// folder, "." and ".." and doubled separators taken out as written (links are
// not resolved), no trailing separator but for the root.
std::string fullPath(std::u16string_view given) {
  if (given.empty()) throw RuntimeError(err::kInvalidProcedureCall);
  std::string path = text::toUtf8(given);
  if (path.front() != '/') path = currentFolder() + "/" + path;
  // Most paths given are full already; a walk of a tree asks for many.
  const bool normal = path.find("//") == std::string::npos &&
                      path.find("/./") == std::string::npos &&
                      path.find("/../") == std::string::npos && !path.ends_with("/.") &&
                      !path.ends_with("/..") && (path.size() == 1 || path.back() != '/');
  if (normal) return path;
  path = std::filesystem::path(path).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::pair<std::string, std::string> splitPath(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == 0) return {"/", path.substr(1)};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

std::string join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

Clock::TimePoint timePoint(const timespec& t) {
  return Clock::TimePoint(std::chrono::duration_cast<Clock::TimePoint::duration>(
      std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

struct stat statOf(const std::string& path, Subject subject) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) raise(errno, subject);
  return st;
}

bool isReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

std::int32_t attributesOf(const std::string& path, const std::string& name, Subject subject) {
  const struct stat st = statOf(path, subject);
  std::int32_t attributes = attr::kNormal;
  if (isReadOnly(st)) attributes |= attr::kReadOnly;
  if (!name.empty() && name.front() == '.') attributes |= attr::kHidden;
  if (S_ISDIR(st.st_mode)) attributes |= attr::kDirectory;
  struct stat link {};
  if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) attributes |= attr::kAlias;
  return attributes;
}

// The read-only bit set takes every write permission away; cleared, it gives
// the owner's back. The other bits cannot be set here.
void setReadOnly(const std::string& path, std::int32_t value, Subject subject) {
  const struct stat st = statOf(path, subject);
  mode_t mode = st.st_mode & 07777;
  if ((value & attr::kReadOnly) != 0) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if (isReadOnly(st)) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && chmod(path.c_str(), mode) != 0) raise(errno, subject);
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

class PosixFile final : public File {
 public:
  PosixFile(std::shared_ptr<const std::string> folder, std::string name)
      : folder_(std::move(folder)), name_(std::move(name)) {}

  std::u16string Name() const override { return text::fromUtf8(name_); }
  std::u16string Path() const override { return text::fromUtf8(path()); }
  std::int64_t Size() const override { return statOf(path(), Subject::File).st_size; }
  Clock::TimePoint DateLastModified() const override {
    return timePoint(statOf(path(), Subject::File).st_mtim);
  }
  Clock::TimePoint DateLastAccessed() const override {
    return timePoint(statOf(path(), Subject::File).st_atim);
  }
  std::int32_t Attributes() const override { return attributesOf(path(), name_, Subject::File); }
  void SetAttributes(std::int32_t value) override { setReadOnly(path(), value, Subject::File); }

 private:
  std::string path() const { return join(*folder_, name_); }

  std::shared_ptr<const std::string> folder_;
  std::string name_;
};

// An open folder read entry by entry, "." and ".." left out.
class Directory {
 public:
  explicit Directory(const std::string& path) : dir_(opendir(path.c_str())) {
    if (dir_ == nullptr) raise(errno, Subject::Folder);
  }
  ~Directory() { closedir(dir_); }
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  int fd() const { return dirfd(dir_); }
  // The next entry, valid until the next call; nullptr after the last.
  const dirent* next() {
    while (true) {
      errno = 0;
      const dirent* entry = readdir(dir_);
      if (entry == nullptr) {
        if (errno != 0) raise(errno, Subject::Folder);
        return nullptr;
      }
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      return entry;
    }
  }

 private:
  DIR* dir_;
};

// Whether an entry is a regular file; the entry's type tells, but for a link
// or an untyped entry, whose status is read.
bool isFile(int dirFd, const dirent& entry) {
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return entry.d_type == DT_REG;
  struct stat st {};
  return fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

class PosixFileListing final : public FileListing {
 public:
  explicit PosixFileListing(std::string folder) : folder_(std::move(folder)), directory_(folder_) {}

  bool Next() override {
    while ((entry_ = directory_.next()) != nullptr) {
      if (!isFile(directory_.fd(), *entry_)) continue;
      text::fromUtf8(entry_->d_name, name_);
      return true;
    }
    return false;
  }
  std::u16string_view Name() const override { return name_; }
  std::u16string Path() const override { return text::fromUtf8(join(folder_, entry_->d_name)); }

 private:
  std::string folder_;
  Directory directory_;
  const dirent* entry_ = nullptr;
  std::u16string name_;
};

class PosixFolder final : public Folder {
 public:
  explicit PosixFolder(std::string path) : path_(std::move(path)) {}

  std::u16string Name() const override {
    return path_ == "/" ? std::u16string() : text::fromUtf8(splitPath(path_).second);
  }
  std::u16string Path() const override { return text::fromUtf8(path_); }
  std::int32_t Attributes() const override {
    return attributesOf(path_, path_ == "/" ? std::string() : splitPath(path_).second,
                        Subject::Folder);
  }
  void SetAttributes(std::int32_t value) override { setReadOnly(path_, value, Subject::Folder); }

  FileList Files() const override {
    FileList files;
    auto folder = std::make_shared<const std::string>(path_);
    Directory directory(path_);
    while (const dirent* entry = directory.next()) {
      if (isFile(directory.fd(), *entry)) {
        files.push_back(std::make_unique<PosixFile>(folder, entry->d_name));
      }
    }
    return files;
  }

  std::unique_ptr<FileListing> ListFiles() const override {
    return std::make_unique<PosixFileListing>(path_);
  }

  FolderList SubFolders() const override {
    FolderList folders;
    std::set<std::pair<dev_t, ino_t>> onPath;
    bool onPathKnown = false;
    Directory directory(path_);
    while (const dirent* entry = directory.next()) {
      if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
        continue;
      }
      if (entry->d_type != DT_DIR) {
        struct stat st {};
        if (fstatat(directory.fd(), entry->d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode)) continue;
        struct stat link {};
        if (fstatat(directory.fd(), entry->d_name, &link, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(link.st_mode)) {
          // A link back to this folder or to one above it would make a walk
          // down the tree go round for ever.
          if (!onPathKnown) {
            onPath = foldersOnPath();
            onPathKnown = true;
          }
          if (onPath.count({st.st_dev, st.st_ino}) != 0) continue;
        }
      }
      folders.push_back(std::make_unique<PosixFolder>(join(path_, entry->d_name)));
    }
    return folders;
  }

 private:
  // The identities of this folder and of every folder on its path, as the
  // path is written (through links).
  std::set<std::pair<dev_t, ino_t>> foldersOnPath() const {
    std::set<std::pair<dev_t, ino_t>> identities;
    std::string path = path_;
    while (true) {
      struct stat st {};
      if (stat(path.c_str(), &st) == 0) identities.insert({st.st_dev, st.st_ino});
      if (path == "/") break;
      path = splitPath(path).first;
    }
    return identities;
  }

  std::string path_;
};

class PosixTextStream final : public TextStream {
 public:
  explicit PosixTextStream(int fd) : fd_(fd) {}

  std::u16string Read(std::int32_t Characters) override {
    check(Characters);
    std::string bytes(static_cast<std::size_t>(Characters), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(fd_.get(), bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) raise(errno, Subject::File);
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return text::fromAnsi(bytes);
  }

  void Skip(std::int32_t Characters) override {
    check(Characters);
    if (lseek(fd_.get(), Characters, SEEK_CUR) >= 0) return;
    // A stream that cannot seek is read past.
    Read(Characters);
  }

  void Close() override { fd_.reset(); }

 private:
  void check(std::int32_t count) const {
    if (fd_.get() < 0 || count < 0) throw RuntimeError(err::kInvalidProcedureCall);
  }

  Descriptor fd_;
};

// Removes everything in an open folder, then the folder itself from its parent.
void removeTree(int parentFd, const std::string& name, bool force) {
  const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) raise(errno, Subject::Folder);
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    const int error = errno;
    close(fd);
    raise(error, Subject::Folder);
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string child = entry->d_name;
    if (child != "." && child != "..") names.push_back(child);
  }
  try {
    for (const auto& child : names) {
      struct stat st {};
      if (fstatat(fd, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) raise(errno, Subject::File);
      if (S_ISDIR(st.st_mode)) {
        removeTree(fd, child, force);
        continue;
      }
      if (!force && S_ISREG(st.st_mode) && isReadOnly(st)) {
        throw RuntimeError(err::kPermissionDenied);
      }
      if (unlinkat(fd, child.c_str(), 0) != 0) raise(errno, Subject::File);
    }
  } catch (...) {
    closedir(dir);
    throw;
  }
  closedir(dir);
  if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) raise(errno, Subject::Folder);
}

// Copies what is left of `from` to `to`; the number of bytes. In the kernel
// where the file systems allow it, else through a buffer from where that
// stopped. Nothing copied by the kernel is taken as an end only when reading
// confirms it: some file systems give 0 for files they cannot copy so.
std::int64_t copyContents(int from, int to) {
  std::int64_t total = 0;
  while (true) {
    const ssize_t n = copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
                  errno == EBADF)) {
      break;
    }
    if (n < 0) raise(errno, Subject::File);
    if (n == 0) break;
    total += n;
  }
  std::vector<char> buffer(1 << 16);
  while (true) {
    const ssize_t got = read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) raise(errno, Subject::File);
    if (got == 0) return total;
    total += got;
    ssize_t written = 0;
    while (written < got) {
      const ssize_t n = write(to, buffer.data() + written, static_cast<std::size_t>(got - written));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) raise(errno, Subject::File);
      written += n;
    }
  }
}

// A copy under a temporary name beside its destination, removed with the
// object unless it was moved into its place.
struct Staged {
  Staged() = default;
  Staged(const Staged&) = delete;
  Staged& operator=(const Staged&) = delete;
  ~Staged() {
    if (!placed && !temporary.empty()) unlink(temporary.c_str());
  }

  std::string temporary;
  std::string destination;
  Descriptor fd;  // open until the copy is durable, or as long as its batch
  bool placed = false;
};

// Checks and copies as CopyFile does, up to a complete temporary file with the
// contents, the permissions and the date of last change; the bytes copied.
std::int64_t stageCopy(PosixFileSystem& fso, std::u16string_view Source,
                       std::u16string_view Destination, bool OverWriteFiles, Staged& staged) {
  const std::string source = fullPath(Source);
  Descriptor from(open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (from.get() < 0) raise(errno, Subject::File);
  struct stat sourceStat {};
  if (fstat(from.get(), &sourceStat) != 0) raise(errno, Subject::File);
  if (!S_ISREG(sourceStat.st_mode)) throw RuntimeError(err::kFileNotFound);

  std::string destination = fullPath(Destination);
  const bool intoFolder = text::toUtf8(Destination).back() == '/' || fso.FolderExists(Destination);
  if (intoFolder) destination = join(destination, splitPath(source).second);
  struct stat existing {};
  if (lstat(destination.c_str(), &existing) == 0) {
    if (S_ISLNK(existing.st_mode)) {
      // Copying onto a link writes the file it leads to.
      if (char* target = realpath(destination.c_str(), nullptr)) {
        destination = target;
        std::free(target);
      }
    }
    if (stat(destination.c_str(), &existing) == 0) {
      if (S_ISDIR(existing.st_mode) || !OverWriteFiles) {
        throw RuntimeError(err::kFileAlreadyExists);
      }
      if (isReadOnly(existing)) throw RuntimeError(err::kPermissionDenied);
      if (existing.st_dev == sourceStat.st_dev && existing.st_ino == sourceStat.st_ino) {
        throw RuntimeError(err::kPermissionDenied);
      }
    }
  }

  // The copy goes to a temporary file beside the destination, which replaces
  // the destination only once it is complete and durable.
  const auto [folder, name] = splitPath(destination);
  std::string temporary = join(folder, "." + name + ".sigpatch-XXXXXX");
  staged.fd.reset(mkostemp(temporary.data(), O_CLOEXEC));
  if (staged.fd.get() < 0) raise(errno, Subject::Folder);
  staged.temporary = temporary;
  staged.destination = destination;
  const int to = staged.fd.get();
  const std::int64_t bytes = copyContents(from.get(), to);
  if (fchmod(to, sourceStat.st_mode & 07777) != 0) raise(errno, Subject::File);
  const timespec times[2] = {{0, UTIME_NOW}, sourceStat.st_mtim};
  if (futimens(to, times) != 0) raise(errno, Subject::File);
  return bytes;
}

// Starts the write-back of finished copies on a thread of its own, so that
// the file system's share of one copy (placing its blocks, sending them to the
// disk) goes on beside the copying of the next. Where no thread can be had,
// each write-back starts on the caller's.
class WriteBack {
 public:
  WriteBack() = default;
  WriteBack(const WriteBack&) = delete;
  WriteBack& operator=(const WriteBack&) = delete;
  ~WriteBack() { finish(); }

  void start(int fd) {
    std::unique_lock lock(mutex_);
    if (!finished_ && !thread_.joinable()) {
      try {
        thread_ = std::thread([this] { run(); });
      } catch (const std::system_error&) {
        finished_ = true;
      }
    }
    if (finished_) {
      lock.unlock();
      sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
      return;
    }
    waiting_.push_back(fd);
    wake_.notify_one();
  }

  // Returns once the write-back of every copy given has started; any given
  // later starts on the caller's thread.
  void finish() {
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return finished_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      const int fd = waiting_.front();
      waiting_.pop_front();
      lock.unlock();
      sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<int> waiting_;
  bool finished_ = false;
  std::thread thread_;
};

// The copies of a batch are made durable together. Each one's write-back
// starts as soon as it is complete, on a thread of its own. Sync waits for
// every copy's data, which also gives the faults of its write-back, and then
// syncs each file system that holds copies once, which writes their sizes,
// dates and blocks and empties the disk's cache: one cache flush for the
// batch, where an fsync of each copy flushes once for every file. The
// folders' entries are made durable the same way once the copies are placed.
// A file system's sync gives the faults met in writing it since the copy was
// opened (Linux 5.8 and later).
class PosixCopyBatch final : public CopyBatch {
 public:
  explicit PosixCopyBatch(PosixFileSystem& fso) : fso_(fso) {}

  std::int64_t Add(std::u16string_view Source, std::u16string_view Destination) override {
    auto staged = std::make_unique<Staged>();
    const std::int64_t bytes = stageCopy(fso_, Source, Destination, true, *staged);
    const int fd = staged->fd.get();
    struct stat st {};
    if (fstat(fd, &st) != 0) raise(errno, Subject::File);
    devices_.emplace(st.st_dev, Device{fd, 0});
    copies_.push_back({std::move(staged), st.st_dev});
    writeBack_.start(fd);
    synced_ = false;
    return bytes;
  }

  void Sync() override {
    writeBack_.finish();
    for (const auto& copy : copies_) {
      constexpr unsigned kWait =
          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
      if (sync_file_range(copy.staged->fd.get(), 0, 0, kWait) != 0) raise(errno, Subject::File);
    }
    for (const auto& [dev, device] : devices_) {
      if (syncfs(device.fd) != 0) raise(errno, Subject::File);
    }
    synced_ = true;
  }

  void Place(std::size_t index) override {
    if (!synced_) throw RuntimeError(err::kInvalidProcedureCall);
    Staged& copy = *copies_.at(index).staged;
    if (rename(copy.temporary.c_str(), copy.destination.c_str()) != 0) raise(errno, Subject::File);
    copy.placed = true;
    placedSinceSync_ = true;
  }

  void SyncFolder(std::size_t index) override {
    const Copy& copy = copies_.at(index);
    if (!copy.staged->placed) throw RuntimeError(err::kInvalidProcedureCall);
    if (placedSinceSync_) {
      placedSinceSync_ = false;
      for (auto& [dev, device] : devices_) {
        if (device.error == 0 && syncfs(device.fd) != 0) device.error = errno;
      }
    }
    const int error = devices_.at(copy.dev).error;
    if (error != 0) raise(error, Subject::Folder);
  }

 private:
  struct Copy {
    std::unique_ptr<Staged> staged;
    dev_t dev;
  };
  // A file system that holds copies: the descriptor of its first copy, and
  // the fault of the last sync of its folders (0 when it held).
  struct Device {
    int fd;
    int error;
  };

  PosixFileSystem& fso_;
  std::vector<Copy> copies_;
  std::map<dev_t, Device> devices_;
  bool synced_ = false;
  bool placedSinceSync_ = false;
  // Last, so that it is done with the descriptors before they close.
  WriteBack writeBack_;
};

}  // namespace

std::u16string PosixFileSystem::GetAbsolutePathName(std::u16string_view Path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path absolute = fs::absolute(fs::path(text::toUtf8(Path)), error);
  if (error) absolute = fs::path(text::toUtf8(Path));
  std::string normal = absolute.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return text::fromUtf8(normal);
}

bool PosixFileSystem::FolderExists(std::u16string_view FolderSpec) {
  if (FolderSpec.empty()) return false;
  struct stat st {};
  return stat(text::toUtf8(FolderSpec).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::FileExists(std::u16string_view FileSpec) {
  if (FileSpec.empty()) return false;
  struct stat st {};
  return stat(text::toUtf8(FileSpec).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<Folder> PosixFileSystem::GetFolder(std::u16string_view FolderSpec) {
  const std::string path = fullPath(FolderSpec);
  if (!S_ISDIR(statOf(path, Subject::Folder).st_mode)) throw RuntimeError(err::kPathNotFound);
  return std::make_unique<PosixFolder>(path);
}

std::unique_ptr<File> PosixFileSystem::GetFile(std::u16string_view FileSpec) {
  const std::string path = fullPath(FileSpec);
  if (!S_ISREG(statOf(path, Subject::File).st_mode)) throw RuntimeError(err::kFileNotFound);
  auto [folder, name] = splitPath(path);
  return std::make_unique<PosixFile>(std::make_shared<const std::string>(std::move(folder)),
                                     std::move(name));
}

Clock::TimePoint PosixFileSystem::FileDateLastModified(std::u16string_view FileSpec) {
  const struct stat st = statOf(fullPath(FileSpec), Subject::File);
  if (!S_ISREG(st.st_mode)) throw RuntimeError(err::kFileNotFound);
  return timePoint(st.st_mtim);
}

void PosixFileSystem::CopyFile(std::u16string_view Source, std::u16string_view Destination,
                               bool OverWriteFiles) {
  Staged staged;
  stageCopy(*this, Source, Destination, OverWriteFiles, staged);
  if (fsync(staged.fd.get()) != 0) raise(errno, Subject::File);
  staged.fd.reset();
  if (rename(staged.temporary.c_str(), staged.destination.c_str()) != 0) {
    raise(errno, Subject::File);
  }
  staged.placed = true;
}

std::unique_ptr<CopyBatch> PosixFileSystem::NewCopyBatch() {
  return std::make_unique<PosixCopyBatch>(*this);
}

void PosixFileSystem::DeleteFile(std::u16string_view FileSpec, bool Force) {
  const std::string path = fullPath(FileSpec);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) raise(errno, Subject::File);
  if (S_ISDIR(st.st_mode)) throw RuntimeError(err::kFileNotFound);
  // The service refuses a read-only file unless forced, though POSIX would
  // let it go with the folder's permission alone.
  if (!Force && S_ISREG(st.st_mode) && isReadOnly(st)) throw RuntimeError(err::kPermissionDenied);
  if (unlink(path.c_str()) != 0) raise(errno, Subject::File);
}

void PosixFileSystem::DeleteFolder(std::u16string_view FolderSpec, bool Force) {
  const std::string path = fullPath(FolderSpec);
  if (path == "/") throw RuntimeError(err::kPermissionDenied);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) raise(errno, Subject::Folder);
  const auto [parent, name] = splitPath(path);
  if (S_ISLNK(st.st_mode)) {
    // A link to a folder goes; what it leads to stays.
    struct stat target {};
    if (stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
      throw RuntimeError(err::kPathNotFound);
    }
    if (unlink(path.c_str()) != 0) raise(errno, Subject::Folder);
    return;
  }
  if (!S_ISDIR(st.st_mode)) throw RuntimeError(err::kPathNotFound);
  Descriptor parentFd(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parentFd.get() < 0) raise(errno, Subject::Folder);
  removeTree(parentFd.get(), name, Force);
}

std::unique_ptr<Folder> PosixFileSystem::CreateFolder(std::u16string_view Path) {
  const std::string path = fullPath(Path);
  if (mkdir(path.c_str(), 0777) != 0) raise(errno, Subject::Folder);
  return std::make_unique<PosixFolder>(path);
}

std::unique_ptr<TextStream> PosixFileSystem::OpenTextFile(std::u16string_view FileName,
                                                          std::int32_t IOMode, bool Create,
                                                          std::int32_t Format) {
  if (IOMode != kForReading || Create || Format != kTristateFalse) {
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  const std::string path = fullPath(FileName);
  Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) raise(errno, Subject::File);
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) raise(errno, Subject::File);
  if (S_ISDIR(st.st_mode)) throw RuntimeError(err::kPermissionDenied);
  return std::make_unique<PosixTextStream>(fd.release());
}

std::unique_ptr<FileSystem> PosixFileSystemService::CreateObject() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace sigpatch::platform::posix
