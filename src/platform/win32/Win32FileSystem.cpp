#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32FileErrors.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

// The attribute bits the service shows: read-only, hidden, system, volume,
// folder, archive, link and compressed.
constexpr DWORD kShownAttributes = 0x0C3F;
// The bits SetFileAttributes takes.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The full path of what the caller names, as the system makes it, without a
// trailing separator but for a root.
std::wstring fullPath(std::u16string_view given) {
  if (given.empty()) throw RuntimeError(err::kInvalidProcedureCall);
  std::u16string path = fullPathName(given);
  const auto root = rootOf(path);
  while (path.size() > root.size() && path.size() > 1 && path.back() == u'\\') path.pop_back();
  return wide(path);
}

bool isRoot(const std::wstring& path) {
  const auto root = rootOf(fromWide(path));
  return !root.empty() && root.size() == path.size();
}

// The folder and the name of a full path; the folder of "C:\x" is "C:\".
std::pair<std::wstring, std::wstring> splitPath(const std::wstring& path) {
  const auto slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return {std::wstring(), path};
  std::wstring folder = path.substr(0, slash);
  if (isRoot(folder + L'\\')) folder += L'\\';
  return {folder, path.substr(slash + 1)};
}

std::wstring join(const std::wstring& folder, const std::wstring& name) {
  return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

bool endsInSeparator(std::u16string_view path) {
  return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

Clock::TimePoint timePoint(const FILETIME& time) {
  // 100-nanosecond steps since 1601, 11644473600 seconds before 1970.
  const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const auto sinceEpoch =
      std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>(ticks - 116444736000000000LL);
  return Clock::TimePoint(std::chrono::duration_cast<Clock::TimePoint::duration>(sinceEpoch));
}

WIN32_FILE_ATTRIBUTE_DATA statOf(const std::wstring& path, Subject subject) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == 0) {
    raiseLastError(subject);
  }
  return data;
}

DWORD attributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool isReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// What SetFileAttributes takes to set these bits: "normal" stands for none.
DWORD settable(DWORD attributes) {
  const DWORD bits = attributes & kSettableAttributes;
  return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
}
bool isFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool isFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Sets the read-only bit as given and keeps the system's other bits.
void setReadOnly(const std::wstring& path, bool readOnly, Subject subject) {
  const DWORD current = statOf(path, subject).dwFileAttributes;
  DWORD wanted = current & kSettableAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (readOnly) wanted |= FILE_ATTRIBUTE_READONLY;
  if (wanted == (current & kSettableAttributes)) return;
  if (::SetFileAttributesW(path.c_str(), settable(wanted)) == 0) {
    raiseLastError(subject);
  }
}

// Where a file or folder lives on its volume: the same pair is the same item,
// whatever path or link leads to it.
struct Identity {
  DWORD volume = 0;
  std::uint64_t index = 0;
  bool operator<(const Identity& other) const {
    return std::tie(volume, index) < std::tie(other.volume, other.index);
  }
  bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const std::wstring& path) {
  const HANDLE handle =
      ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  if (!known) return std::nullopt;
  return Identity{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A folder's entries from the system's search, "." and ".." left out.
class Search {
 public:
  explicit Search(const std::wstring& folder)
      : search_(::FindFirstFileExW(join(folder, L"*").c_str(), FindExInfoBasic, &entry_,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH)) {
    if (search_ != INVALID_HANDLE_VALUE) return;
    const DWORD error = ::GetLastError();
    // The root of an empty drive has no entries at all, not even ".".
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) {
      throw RuntimeError(fileErrorNumber(error, Subject::Folder));
    }
  }
  ~Search() {
    if (search_ != INVALID_HANDLE_VALUE) ::FindClose(search_);
  }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  // The next entry, valid until the next call; nullptr after the last.
  const WIN32_FIND_DATAW* next() {
    while (search_ != INVALID_HANDLE_VALUE && !done_) {
      if (started_ && ::FindNextFileW(search_, &entry_) == 0) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_NO_MORE_FILES)
          throw RuntimeError(fileErrorNumber(error, Subject::Folder));
        done_ = true;
        break;
      }
      started_ = true;
      const std::wstring_view name = entry_.cFileName;
      if (name != L"." && name != L"..") return &entry_;
    }
    return nullptr;
  }

 private:
  WIN32_FIND_DATAW entry_{};
  HANDLE search_;
  bool started_ = false;
  bool done_ = false;
};

// Calls `visit` for every entry of a folder but "." and "..".
void listFolder(const std::wstring& folder,
                const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
  Search search(folder);
  while (const WIN32_FIND_DATAW* entry = search.next()) visit(*entry);
}

bool isFileEntry(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Win32FileListing final : public FileListing {
 public:
  explicit Win32FileListing(std::wstring folder) : folder_(std::move(folder)), search_(folder_) {}

  bool Next() override {
    while ((entry_ = search_.next()) != nullptr) {
      if (!isFileEntry(*entry_)) continue;
      const std::wstring_view name = entry_->cFileName;
      name_.assign(name.begin(), name.end());
      return true;
    }
    return false;
  }
  std::u16string_view Name() const override { return name_; }
  std::u16string Path() const override { return fromWide(join(folder_, entry_->cFileName)); }

 private:
  std::wstring folder_;
  Search search_;
  const WIN32_FIND_DATAW* entry_ = nullptr;
  std::u16string name_;
};

class Win32File final : public File {
 public:
  Win32File(std::shared_ptr<const std::wstring> folder, std::wstring name)
      : folder_(std::move(folder)), name_(std::move(name)) {}

  std::u16string Name() const override { return fromWide(name_); }
  std::u16string Path() const override { return fromWide(path()); }
  std::int64_t Size() const override {
    const auto data = stat();
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  Clock::TimePoint DateLastModified() const override { return timePoint(stat().ftLastWriteTime); }
  Clock::TimePoint DateLastAccessed() const override { return timePoint(stat().ftLastAccessTime); }
  std::int32_t Attributes() const override {
    return static_cast<std::int32_t>(stat().dwFileAttributes & kShownAttributes);
  }
  void SetAttributes(std::int32_t value) override {
    setReadOnly(path(), (value & attr::kReadOnly) != 0, Subject::File);
  }

 private:
  std::wstring path() const { return join(*folder_, name_); }
  WIN32_FILE_ATTRIBUTE_DATA stat() const {
    auto data = statOf(path(), Subject::File);
    // A file that has become a folder is no longer this file.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw RuntimeError(err::kFileNotFound);
    }
    return data;
  }

  std::shared_ptr<const std::wstring> folder_;
  std::wstring name_;
};

class Win32Folder final : public Folder {
 public:
  explicit Win32Folder(std::wstring path) : path_(std::move(path)) {}

  std::u16string Name() const override {
    return isRoot(path_) ? std::u16string() : fromWide(splitPath(path_).second);
  }
  std::u16string Path() const override { return fromWide(path_); }
  std::int32_t Attributes() const override {
    return static_cast<std::int32_t>(statOf(path_, Subject::Folder).dwFileAttributes &
                                     kShownAttributes);
  }
  void SetAttributes(std::int32_t value) override {
    setReadOnly(path_, (value & attr::kReadOnly) != 0, Subject::Folder);
  }

  FileList Files() const override {
    FileList files;
    auto folder = std::make_shared<const std::wstring>(path_);
    listFolder(path_, [&](const WIN32_FIND_DATAW& entry) {
      if (isFileEntry(entry)) files.push_back(std::make_unique<Win32File>(folder, entry.cFileName));
    });
    return files;
  }

  std::unique_ptr<FileListing> ListFiles() const override {
    return std::make_unique<Win32FileListing>(path_);
  }

  FolderList SubFolders() const override {
    FolderList folders;
    std::optional<std::set<Identity>> onPath;
    listFolder(path_, [&](const WIN32_FIND_DATAW& entry) {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
      const std::wstring child = join(path_, entry.cFileName);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link (or junction) back to this folder or to one above it would
        // make a walk down the tree go round for ever; one that leads nowhere
        // is no folder.
        const auto target = identityOf(child);
        if (!target) return;
        if (!onPath) onPath = foldersOnPath();
        if (onPath->count(*target) != 0) return;
      }
      folders.push_back(std::make_unique<Win32Folder>(child));
    });
    return folders;
  }

 private:
  std::set<Identity> foldersOnPath() const {
    std::set<Identity> identities;
    std::wstring path = path_;
    while (true) {
      if (const auto identity = identityOf(path)) identities.insert(*identity);
      if (isRoot(path)) break;
      auto parent = splitPath(path).first;
      if (parent.empty() || parent == path) break;
      path = std::move(parent);
    }
    return identities;
  }

  std::wstring path_;
};

class Win32TextStream final : public TextStream {
 public:
  explicit Win32TextStream(HANDLE file) : file_(file) {}
  ~Win32TextStream() override { Close(); }
  Win32TextStream(const Win32TextStream&) = delete;
  Win32TextStream& operator=(const Win32TextStream&) = delete;

  std::u16string Read(std::int32_t Characters) override {
    check(Characters);
    std::string bytes(static_cast<std::size_t>(Characters), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
      DWORD read = 0;
      const auto wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1 << 20));
      if (::ReadFile(file_, bytes.data() + got, wanted, &read, nullptr) == 0) {
        if (::GetLastError() == ERROR_BROKEN_PIPE) break;
        raiseLastError(Subject::File);
      }
      if (read == 0) break;
      got += read;
    }
    bytes.resize(got);
    return text::fromAnsi(bytes);
  }

  void Skip(std::int32_t Characters) override {
    check(Characters);
    LARGE_INTEGER distance{};
    distance.QuadPart = Characters;
    if (::GetFileType(file_) == FILE_TYPE_DISK &&
        ::SetFilePointerEx(file_, distance, nullptr, FILE_CURRENT) != 0) {
      return;
    }
    // A stream that cannot seek is read past.
    Read(Characters);
  }

  void Close() override {
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  void check(std::int32_t count) const {
    if (file_ == INVALID_HANDLE_VALUE || count < 0) throw RuntimeError(err::kInvalidProcedureCall);
  }

  HANDLE file_;
};

// Deletes a file, clearing its read-only bit first when forced.
void deleteOneFile(const std::wstring& path, DWORD attributes, bool force) {
  if (isReadOnly(attributes)) {
    if (!force) throw RuntimeError(err::kPermissionDenied);
    if (::SetFileAttributesW(path.c_str(),
                             settable(attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) ==
        0) {
      raiseLastError(Subject::File);
    }
  }
  if (::DeleteFileW(path.c_str()) == 0) raiseLastError(Subject::File);
}

// Removes everything in a folder, then the folder. Links inside go; what they
// lead to stays.
void removeTree(const std::wstring& folder, bool force) {
  listFolder(folder, [&](const WIN32_FIND_DATAW& entry) {
    const std::wstring child = join(folder, entry.cFileName);
    const DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      deleteOneFile(child, attributes, force);
    } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      if (::RemoveDirectoryW(child.c_str()) == 0) raiseLastError(Subject::Folder);
    } else {
      removeTree(child, force);
    }
  });
  const DWORD attributes = attributesOf(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES && isReadOnly(attributes)) {
    if (!force) throw RuntimeError(err::kPermissionDenied);
    setReadOnly(folder, false, Subject::Folder);
  }
  if (::RemoveDirectoryW(folder.c_str()) == 0) raiseLastError(Subject::Folder);
}

// The name of the file that a file path names, in the file system's letter case.
std::wstring nameOnDisk(const std::wstring& path) {
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return splitPath(path).second;
  ::FindClose(search);
  return entry.cFileName;
}

}  // namespace

std::u16string Win32FileSystem::GetAbsolutePathName(std::u16string_view Path) {
  const std::wstring path = wide(Path);
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::u16string(Path);
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  full.resize(length);
  // "C:\" keeps its separator; "C:\x\" loses it.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return fromWide(full);
}

bool Win32FileSystem::FolderExists(std::u16string_view FolderSpec) {
  return !FolderSpec.empty() && isFolder(attributesOf(wide(FolderSpec)));
}

bool Win32FileSystem::FileExists(std::u16string_view FileSpec) {
  return !FileSpec.empty() && isFile(attributesOf(wide(FileSpec)));
}

std::unique_ptr<Folder> Win32FileSystem::GetFolder(std::u16string_view FolderSpec) {
  const std::wstring path = fullPath(FolderSpec);
  if ((statOf(path, Subject::Folder).dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    throw RuntimeError(err::kPathNotFound);
  }
  return std::make_unique<Win32Folder>(path);
}

std::unique_ptr<File> Win32FileSystem::GetFile(std::u16string_view FileSpec) {
  const std::wstring path = fullPath(FileSpec);
  if ((statOf(path, Subject::File).dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    throw RuntimeError(err::kFileNotFound);
  }
  auto folder = splitPath(path).first;
  return std::make_unique<Win32File>(std::make_shared<const std::wstring>(std::move(folder)),
                                     nameOnDisk(path));
}

void Win32FileSystem::CopyFile(std::u16string_view Source, std::u16string_view Destination,
                               bool OverWriteFiles) {
  const std::wstring source = fullPath(Source);
  const DWORD sourceAttributes = statOf(source, Subject::File).dwFileAttributes;
  if ((sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) throw RuntimeError(err::kFileNotFound);
  std::wstring destination = fullPath(Destination);
  if (endsInSeparator(Destination) || FolderExists(Destination)) {
    destination = join(destination, splitPath(source).second);
  }
  const DWORD existing = attributesOf(destination);
  if (existing != INVALID_FILE_ATTRIBUTES) {
    if (isFolder(existing) || !OverWriteFiles) throw RuntimeError(err::kFileAlreadyExists);
    if (isReadOnly(existing)) throw RuntimeError(err::kPermissionDenied);
    const auto from = identityOf(source);
    if (from && from == identityOf(destination)) throw RuntimeError(err::kPermissionDenied);
  }

  // The copy goes to a temporary file beside the destination, which replaces
  // the destination only once it is complete.
  const std::wstring folder = splitPath(destination).first;
  wchar_t temporary[MAX_PATH + 1] = {};
  if (::GetTempFileNameW(folder.c_str(), L"sgp", 0, temporary) == 0) {
    raiseLastError(Subject::Folder);
  }
  auto discard = [&] {
    ::SetFileAttributesW(temporary, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temporary);
  };
  // CopyFile keeps the contents, the date of last change and the attributes;
  // the read-only bit is set again in case the system left it out (Wine does).
  const DWORD copied = ::CopyFileW(source.c_str(), temporary, FALSE) == 0
                           ? INVALID_FILE_ATTRIBUTES
                           : ::GetFileAttributesW(temporary);
  if (copied == INVALID_FILE_ATTRIBUTES ||
      (isReadOnly(copied) != isReadOnly(sourceAttributes) &&
       ::SetFileAttributesW(temporary,
                            settable((copied & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) |
                                     (sourceAttributes & FILE_ATTRIBUTE_READONLY))) == 0)) {
    const DWORD error = ::GetLastError();
    discard();
    throw RuntimeError(fileErrorNumber(error, Subject::File));
  }
  if (::MoveFileExW(temporary, destination.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    const DWORD error = ::GetLastError();
    discard();
    throw RuntimeError(fileErrorNumber(error, Subject::File));
  }
}

void Win32FileSystem::DeleteFile(std::u16string_view FileSpec, bool Force) {
  const std::wstring path = fullPath(FileSpec);
  const DWORD attributes = statOf(path, Subject::File).dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) throw RuntimeError(err::kFileNotFound);
  deleteOneFile(path, attributes, Force);
}

void Win32FileSystem::DeleteFolder(std::u16string_view FolderSpec, bool Force) {
  const std::wstring path = fullPath(FolderSpec);
  if (isRoot(path)) throw RuntimeError(err::kPermissionDenied);
  const DWORD attributes = statOf(path, Subject::Folder).dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw RuntimeError(err::kPathNotFound);
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link to a folder goes; what it leads to stays.
    if (::RemoveDirectoryW(path.c_str()) == 0) raiseLastError(Subject::Folder);
    return;
  }
  removeTree(path, Force);
}

std::unique_ptr<Folder> Win32FileSystem::CreateFolder(std::u16string_view Path) {
  const std::wstring path = fullPath(Path);
  if (::CreateDirectoryW(path.c_str(), nullptr) == 0) raiseLastError(Subject::Folder);
  return std::make_unique<Win32Folder>(path);
}

std::unique_ptr<TextStream> Win32FileSystem::OpenTextFile(std::u16string_view FileName,
                                                          std::int32_t IOMode, bool Create,
                                                          std::int32_t Format) {
  if (IOMode != kForReading || Create || Format != kTristateFalse) {
    throw RuntimeError(err::kInvalidProcedureCall);
  }
  const std::wstring path = fullPath(FileName);
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raiseLastError(Subject::File);
  return std::make_unique<Win32TextStream>(file);
}

std::unique_ptr<FileSystem> Win32FileSystemService::CreateObject() {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace sigpatch::platform::win32
