#pragma once

// The rules by which an entry on a package's path (the package, its folder, a
// folder above, a link) is judged from its owner and access list: who besides
// the trusted accounts could change what runs through it.

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {

/// The accounts whose rights on a package's path are trusted: SYSTEM, the
/// Administrators and TrustedInstaller (NT SERVICE\TrustedInstaller, the owner
/// of the system's own files and of C:\), and those added.
class TrustedAccounts {
 public:
  TrustedAccounts();
  /// An account or group by its SID; a null SID adds nobody.
  void Add(PSID sid);
  /// An account or group by name (LookupAccountName: "sigfetch",
  /// "NT AUTHORITY\NETWORK SERVICE"); an empty or unknown name adds nobody.
  void AddAccount(std::u16string_view name);
  bool Holds(PSID sid) const;

 private:
  std::vector<std::vector<BYTE>> sids_;
};

/// Security attributes for an object the program makes, from an SDDL text;
/// Get() is null when the text cannot be read.
class SddlAttributes {
 public:
  explicit SddlAttributes(const wchar_t* sddl);
  ~SddlAttributes();
  SddlAttributes(const SddlAttributes&) = delete;
  SddlAttributes& operator=(const SddlAttributes&) = delete;
  SECURITY_ATTRIBUTES* Get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

 private:
  SECURITY_ATTRIBUTES attributes_{};
};

/// The SID of the account the program runs as; empty when it cannot be read.
std::vector<BYTE> processAccount();

/// What an entry is on a package's path, which says which rights change what runs.
enum class PathPart {
  /// The package: its data, attributes, extended attributes, its removal (and
  /// so its replacement), its access list and its owner.
  Package,
  /// The package's folder: those, and new files and folders in it and the
  /// removal of what lies in it.
  PackageFolder,
  /// A folder above: the removal of what lies in it, its own removal (or
  /// renaming), its access list and its owner. New entries in it change
  /// nothing below it.
  FolderAbove,
  /// A symbolic link or junction on the way: everything that could make it
  /// lead elsewhere, as for the package's folder.
  Link,
};

/// Who besides the trusted could change what runs through the entry at
/// `path` with this security descriptor (its owner and access list), in
/// words; "" when nobody. The owner must be trusted (an owner may always
/// change the access list); an entry without an access list is open to
/// everyone; otherwise every allowing entry that is not only handed down to
/// new entries is judged, its generic rights mapped as a file's, and deny
/// entries are not counted on. For the package's folder the text ends in how
/// to make it safe with icacls.
std::u16string OthersWhoCanChange(std::u16string_view path, PSECURITY_DESCRIPTOR descriptor,
                                  PathPart part, const TrustedAccounts& trusted);

}  // namespace sigpatch::platform::win32
