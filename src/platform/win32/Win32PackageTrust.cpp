// Whether a package can be trusted before it runs with the program's rights:
// who could change it, a folder on its path or a link on the way (their owners
// and access lists, judged against a list of those who may), and a folder of
// the program's own for the copy that runs.

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32AccessRules.h"
#include "platform/win32/Win32ErrorText.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/WindowsHeaders.h"
// After <windows.h>:
#include <aclapi.h>
#include <knownfolders.h>
#include <winioctl.h>

namespace sigpatch::platform::win32 {
namespace {

// How many links a path may lead through.
constexpr int kMostLinks = 40;

using Sid = std::vector<BYTE>;

Sid sidOf(const wchar_t* text) {
  PSID sid = nullptr;
  if (::ConvertStringSidToSidW(text, &sid) == 0) return {};
  const auto* bytes = static_cast<const BYTE*>(sid);
  Sid copy(bytes, bytes + ::GetLengthSid(sid));
  ::LocalFree(sid);
  return copy;
}

// The system's text of an error, without its closing full stop and line break.
std::u16string errorText(DWORD code) {
  const std::u16string text = systemErrorText(code);
  return text.empty() ? u"error " + fromWide(std::to_wstring(code)) : text;
}

// An open file, folder or link, not followed when it is a link.
class Entry {
 public:
  explicit Entry(const std::u16string& path)
      : handle_(::CreateFileW(wide(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)),
        error_(handle_ == INVALID_HANDLE_VALUE ? ::GetLastError() : 0) {
    if (handle_ != INVALID_HANDLE_VALUE &&
        ::GetFileInformationByHandleEx(handle_, FileAttributeTagInfo, &tag_, sizeof tag_) == 0) {
      error_ = ::GetLastError();
    }
  }
  ~Entry() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;

  /// 0 when the entry could be opened and read, else the system's error.
  DWORD Error() const { return error_; }
  HANDLE Handle() const { return handle_; }
  bool IsFolder() const { return (tag_.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsReparsePoint() const { return (tag_.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  /// A symbolic link, a junction or another entry that stands for a name
  /// elsewhere (not a file that is only stored elsewhere, such as a cloud file).
  bool IsLink() const { return IsReparsePoint() && IsReparseTagNameSurrogate(tag_.ReparseTag); }

 private:
  HANDLE handle_;
  DWORD error_;
  FILE_ATTRIBUTE_TAG_INFO tag_{};
};

// The reparse data of symbolic links and junctions (their layout as the
// system's driver kit describes it).
struct LinkData {
  DWORD ReparseTag;
  WORD ReparseDataLength;
  WORD Reserved;
  WORD SubstituteNameOffset;
  WORD SubstituteNameLength;
  WORD PrintNameOffset;
  WORD PrintNameLength;
  union {
    struct {
      ULONG Flags;
      WCHAR PathBuffer[1];
    } SymbolicLink;
    struct {
      WCHAR PathBuffer[1];
    } MountPoint;
  };
};

// A path in the system's own "\??\" form as a Win32 path: "\??\C:\x" is
// "C:\x", "\??\UNC\server\share" is "\\server\share", a volume stays a volume.
std::optional<std::u16string> win32Form(const std::u16string& name) {
  if (name.rfind(u"\\??\\UNC\\", 0) == 0) return u"\\\\" + name.substr(8);
  if (name.rfind(u"\\??\\Volume{", 0) == 0) return u"\\\\?\\" + name.substr(4);
  if (name.rfind(u"\\??\\", 0) == 0) return name.substr(4);
  return std::nullopt;
}

// Where a link leads, as a full path; nullopt when it leads somewhere the
// check cannot follow.
std::optional<std::u16string> linkTarget(const Entry& link, const std::u16string& folder) {
  std::vector<BYTE> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD size = 0;
  if (::DeviceIoControl(link.Handle(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &size, nullptr) == 0) {
    return std::nullopt;
  }
  const auto* data = reinterpret_cast<const LinkData*>(buffer.data());
  const WCHAR* names = nullptr;
  if (data->ReparseTag == IO_REPARSE_TAG_SYMLINK) {
    names = data->SymbolicLink.PathBuffer;
  } else if (data->ReparseTag == IO_REPARSE_TAG_MOUNT_POINT) {
    names = data->MountPoint.PathBuffer;
  } else {
    return std::nullopt;
  }
  const std::u16string substitute =
      fromWide(std::wstring_view(names + data->SubstituteNameOffset / sizeof(WCHAR),
                                 data->SubstituteNameLength / sizeof(WCHAR)));
  if (data->ReparseTag == IO_REPARSE_TAG_SYMLINK &&
      (data->SymbolicLink.Flags & SYMLINK_FLAG_RELATIVE) != 0) {
    return folder + (folder.back() == u'\\' ? u"" : u"\\") + substitute;
  }
  return win32Form(substitute);
}

// The full form of a path ("..", "." and "/" resolved); nullopt when the system
// cannot make one.
std::optional<std::u16string> fullPath(const std::u16string& path) {
  const std::wstring given = wide(path);
  std::wstring full(MAX_PATH + 1, L'\0');
  while (true) {
    const DWORD length =
        ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < full.size()) return fromWide(std::wstring_view(full.data(), length));
    full.resize(length + 1);
  }
}

// A full path split into its root ("C:\", "\\server\share\", "\\?\Volume{...}\")
// and the names below it; an empty root for a path of another kind.
struct SplitPath {
  std::u16string root;
  std::vector<std::u16string> names;
};

SplitPath splitPath(std::u16string path) {
  SplitPath split;
  if (path.rfind(u"\\\\?\\UNC\\", 0) == 0) {
    path = u"\\\\" + path.substr(8);
  } else if (path.rfind(u"\\\\?\\", 0) == 0 && path.rfind(u"\\\\?\\Volume{", 0) != 0) {
    path = path.substr(4);
  }
  std::size_t rest = 0;
  if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') {
    rest = 3;
  } else if (path.rfind(u"\\\\?\\Volume{", 0) == 0) {
    rest = path.find(u'\\', 4);
    if (rest == std::u16string::npos) return split;
    ++rest;
  } else if (path.rfind(u"\\\\", 0) == 0 && path.rfind(u"\\\\.\\", 0) != 0 &&
             path.rfind(u"\\\\?\\", 0) != 0) {
    // \\server\share\: the share is the root.
    const std::size_t share = path.find(u'\\', 2);
    if (share == std::u16string::npos || share == 2) return split;
    rest = path.find(u'\\', share + 1);
    if (rest == std::u16string::npos) {
      path += u'\\';
      rest = path.size() - 1;
    }
    ++rest;
  } else {
    return split;
  }
  split.root = path.substr(0, rest);
  while (rest < path.size()) {
    std::size_t end = path.find(u'\\', rest);
    if (end == std::u16string::npos) end = path.size();
    if (end > rest) split.names.push_back(path.substr(rest, end - rest));
    rest = end + 1;
  }
  return split;
}

std::u16string joined(const std::u16string& folder, const std::u16string& name) {
  return folder.back() == u'\\' ? folder + name : folder + u"\\" + name;
}

// The path the system itself reaches for `path`, after every link, including
// those it does not show as links (the host's own links under Wine); nullopt
// when it cannot say.
std::optional<std::u16string> finalPath(const std::u16string& path) {
  const HANDLE file = ::CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring final(MAX_PATH + 1, L'\0');
  DWORD length = 0;
  for (const DWORD kind :
       {FILE_NAME_NORMALIZED | VOLUME_NAME_DOS, FILE_NAME_NORMALIZED | VOLUME_NAME_GUID}) {
    final.assign(MAX_PATH + 1, L'\0');
    length =
        ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), kind);
    if (length >= final.size()) {
      final.assign(length + 1, L'\0');
      length =
          ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), kind);
    }
    if (length > 0 && length < final.size()) break;
    length = 0;
  }
  ::CloseHandle(file);
  if (length == 0) return std::nullopt;
  std::u16string result = fromWide(std::wstring_view(final.data(), length));
  if (result.rfind(u"\\\\?\\UNC\\", 0) == 0) return u"\\\\" + result.substr(8);
  if (result.rfind(u"\\\\?\\Volume{", 0) == 0) return result;
  if (result.rfind(u"\\\\?\\", 0) == 0) return result.substr(4);
  return result;
}

bool samePath(const std::u16string& a, const std::u16string& b) {
  auto trimmed = [](std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
  };
  const std::wstring left = trimmed(wide(a));
  const std::wstring right = trimmed(wide(b));
  return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

// Who besides the trusted could change one entry, in words; "" when nobody.
std::u16string othersOf(const std::u16string& path, const Entry& entry, PathPart part,
                        const TrustedAccounts& trusted) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD result = ::GetSecurityInfo(entry.Handle(), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (result != ERROR_SUCCESS) return path + u" cannot be read: " + errorText(result);
  std::u16string others = OthersWhoCanChange(path, descriptor, part, trusted);
  ::LocalFree(descriptor);
  return others;
}

// The walk along a path, from its root to the package.
class PathCheck {
 public:
  explicit PathCheck(TrustedAccounts trusted) : trusted_(std::move(trusted)) {}

  // The first entry on the path that others could change, in words; "" when none.
  std::u16string Check(const std::u16string& path, int depth = 0) {
    if (depth > kMostLinks) return path + u" leads through too many links";
    const auto full = fullPath(path);
    if (!full) return path + u" cannot be read: " + errorText(::GetLastError());
    const SplitPath split = splitPath(*full);
    if (split.root.empty())
      return *full + u" is on no drive or share whose access lists can be read";
    std::u16string folder;
    for (std::size_t i = 0; i <= split.names.size(); ++i) {
      const std::u16string current = i == 0 ? split.root : joined(folder, split.names[i - 1]);
      const Entry entry(current);
      if (entry.Error() != 0) return current + u" cannot be read: " + errorText(entry.Error());
      const bool package = i == split.names.size();
      const bool packageFolder = i + 1 == split.names.size();
      if (entry.IsLink()) {
        // The link itself, then where it leads, from that path's root.
        if (auto open = othersOf(current, entry, PathPart::Link, trusted_); !open.empty()) {
          return open;
        }
        const auto target = linkTarget(entry, folder.empty() ? split.root : folder);
        if (!target) return current + u" is a link that the check cannot follow";
        std::u16string rest = *target;
        for (std::size_t j = i; j < split.names.size(); ++j) rest = joined(rest, split.names[j]);
        return Check(rest, depth + 1);
      }
      const PathPart part = package         ? PathPart::Package
                            : packageFolder ? PathPart::PackageFolder
                                            : PathPart::FolderAbove;
      if (auto open = othersOf(current, entry, part, trusted_); !open.empty()) return open;
      folder = current;
    }
    // What the system reaches in the end, when that is another path: links it
    // does not show as links, a drive letter that stands for a folder.
    const auto final = finalPath(*full);
    if (!final) return *full + u" cannot be read: " + errorText(::GetLastError());
    if (!samePath(*final, *full)) return Check(*final, depth + 1);
    return {};
  }

 private:
  TrustedAccounts trusted_;
};

// Only SYSTEM and the Administrators, for the folders the program makes for itself.
constexpr wchar_t kPrivateAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool makePrivateFolder(const std::u16string& path) {
  SddlAttributes attributes(kPrivateAccess);
  if (attributes.Get() == nullptr) return false;
  return ::CreateDirectoryW(wide(path).c_str(), attributes.Get()) != 0 ||
         ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool Win32System::RunsPrivileged() {
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0 &&
      elevation.TokenIsElevated != 0;
  ::CloseHandle(token);
  if (elevated) return true;
  const Sid user = processAccount();
  const Sid system = sidOf(L"S-1-5-18");
  if (!user.empty() &&
      ::EqualSid(const_cast<BYTE*>(user.data()), const_cast<BYTE*>(system.data()))) {
    return true;
  }
  // The Administrators group enabled in the token (not only present for denying).
  Sid administrators = sidOf(L"S-1-5-32-544");
  BOOL member = FALSE;
  return ::CheckTokenMembership(nullptr, administrators.data(), &member) != 0 && member != FALSE;
}

std::u16string Win32System::WhoElseCanChange(std::u16string_view path,
                                             std::u16string_view trustedOwner) {
  TrustedAccounts trusted;
  trusted.AddAccount(trustedOwner);
  return PathCheck(std::move(trusted)).Check(std::u16string(path));
}

std::u16string Win32System::PrivateFolder() {
  // A folder made by an ordinary user would belong to that user, and the
  // program's runs with the system's rights would refuse it from then on.
  if (!RunsPrivileged()) return {};
  PWSTR programData = nullptr;
  if (::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &programData) != S_OK) {
    ::CoTaskMemFree(programData);
    return {};
  }
  const std::u16string ours = fromWide(programData) + u"\\Sigpatch";
  ::CoTaskMemFree(programData);
  const std::u16string packages = ours + u"\\packages";
  // The program writes its copies as the account it runs as (SYSTEM at boot).
  TrustedAccounts trusted;
  Sid user = processAccount();
  if (!user.empty()) trusted.Add(user.data());
  for (const std::u16string& folder : {ours, packages}) {
    if (!makePrivateFolder(folder)) return {};
    // Made now, or there before: ours only when nobody else may change it,
    // and no link that could lead elsewhere (nor one the system does not show
    // as a link: the path it reaches must be this one).
    const Entry entry(folder);
    if (entry.Error() != 0 || !entry.IsFolder() || entry.IsReparsePoint()) return {};
    if (!othersOf(folder, entry, PathPart::PackageFolder, trusted).empty()) return {};
    const auto reached = finalPath(folder);
    if (!reached || !samePath(*reached, folder)) return {};
  }
  return packages;
}

}  // namespace sigpatch::platform::win32
