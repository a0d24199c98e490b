#pragma once

// Helpers of the tests of package trust: access lists and owners set and read
// in the system's words (SDDL), links, folders of the test's own, the account
// the tests run as, and the test's root certificate among the trusted roots.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
// After <windows.h>:
#include <aclapi.h>
#include <shlobj.h>
#include <wincrypt.h>
#include <winioctl.h>

namespace sigpatch::testing {

/// A security descriptor made from SDDL ("O:BAD:P(A;OICI;FA;;;SY)"), freed when done.
class Descriptor {
 public:
  explicit Descriptor(const wchar_t* sddl) {
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &parsed_,
                                                                nullptr)) {
      return;
    }
    descriptor_ = parsed_;
    // No access list at all; Wine reads "D:NO_ACCESS_CONTROL" as an empty one.
    if (std::wstring_view(sddl).find(L"D:NO_ACCESS_CONTROL") != std::wstring_view::npos && Dacl()) {
      ::InitializeSecurityDescriptor(&open_, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorOwner(&open_, Owner(), FALSE);
      ::SetSecurityDescriptorDacl(&open_, TRUE, nullptr, FALSE);
      descriptor_ = &open_;
    }
  }
  ~Descriptor() { ::LocalFree(parsed_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  bool Valid() const { return descriptor_ != nullptr; }
  PSECURITY_DESCRIPTOR Get() const { return descriptor_; }
  bool HasDacl() const {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    return ::GetSecurityDescriptorDacl(descriptor_, &present, &dacl, &defaulted) && present;
  }
  /// The access list; nullptr for none ("D:NO_ACCESS_CONTROL").
  PACL Dacl() const {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor_, &present, &dacl, &defaulted);
    return dacl;
  }
  PSID Owner() const {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorOwner(descriptor_, &owner, &defaulted);
    return owner;
  }
  bool Protected() const {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor_, &control, &revision);
    return (control & SE_DACL_PROTECTED) != 0;
  }

 private:
  PSECURITY_DESCRIPTOR parsed_ = nullptr;
  SECURITY_DESCRIPTOR open_{};
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

/// Sets what the SDDL gives (its owner, its access list; "P" keeps out what
/// the folder above hands down) on a file or folder; the system's result.
inline DWORD setSecurity(const std::u16string& path, const wchar_t* sddl) {
  const Descriptor descriptor(sddl);
  if (!descriptor.Valid()) return ERROR_INVALID_PARAMETER;
  SECURITY_INFORMATION what = 0;
  if (descriptor.HasDacl()) {
    what |= DACL_SECURITY_INFORMATION |
            (descriptor.Protected() ? PROTECTED_DACL_SECURITY_INFORMATION
                                    : UNPROTECTED_DACL_SECURITY_INFORMATION);
  }
  if (descriptor.Owner() != nullptr) {
    // SeRestorePrivilege lets an administrator make another account the owner.
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES privileges{1, {{{}, SE_PRIVILEGE_ENABLED}}};
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
      if (::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &privileges.Privileges[0].Luid))
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      ::CloseHandle(token);
    }
    what |= OWNER_SECURITY_INFORMATION;
  }
  std::wstring name = wide(path);
  return ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, what, descriptor.Owner(), nullptr,
                                 descriptor.Dacl(), nullptr);
}

/// The owner and the access list of a file or folder as SDDL (of a link
/// itself, not of where it leads); "(unreadable: N)" when they cannot be read.
inline std::string securityOf(const std::u16string& path) {
  const HANDLE entry = ::CreateFileW(
      wide(path).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (entry == INVALID_HANDLE_VALUE)
    return "(unreadable: " + std::to_string(::GetLastError()) + ")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD result = ::GetSecurityInfo(entry, SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &descriptor);
  ::CloseHandle(entry);
  if (result != ERROR_SUCCESS) return "(unreadable: " + std::to_string(result) + ")";
  wchar_t* text = nullptr;
  ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
      nullptr);
  const std::string sddl = text == nullptr ? "" : text::toUtf8(fromWide(text));
  ::LocalFree(text);
  ::LocalFree(descriptor);
  return sddl;
}

/// Whether a file or folder kept what the SDDL gave it: its owner, and every
/// entry of its access list (handed down to what lies in it or not).
inline bool keeps(const std::u16string& path, const wchar_t* sddl) {
  const Descriptor asked(sddl);
  const std::wstring keptText = wide(text::fromUtf8(securityOf(path)));
  const Descriptor kept(keptText.c_str());
  if (!asked.Valid() || !kept.Valid()) return false;
  if (asked.Owner() && (!kept.Owner() || !::EqualSid(asked.Owner(), kept.Owner()))) return false;
  if (!asked.HasDacl()) return true;
  if (asked.Dacl() == nullptr || kept.Dacl() == nullptr) return asked.Dacl() == kept.Dacl();
  auto ace = [](PACL list, DWORD i) {
    void* entry = nullptr;
    ::GetAce(list, i, &entry);
    return static_cast<ACCESS_ALLOWED_ACE*>(entry);
  };
  for (DWORD i = 0; i < asked.Dacl()->AceCount; ++i) {
    const auto* wanted = ace(asked.Dacl(), i);
    bool found = false;
    for (DWORD j = 0; !found && j < kept.Dacl()->AceCount; ++j) {
      const auto* held = ace(kept.Dacl(), j);
      found =
          held->Header.AceType == wanted->Header.AceType &&
          (held->Header.AceFlags & ~INHERITED_ACE) == (wanted->Header.AceFlags & ~INHERITED_ACE) &&
          held->Mask == wanted->Mask &&
          ::EqualSid(const_cast<DWORD*>(&held->SidStart), const_cast<DWORD*>(&wanted->SidStart));
    }
    if (!found) return false;
  }
  return true;
}

/// A folder made with the security the SDDL gives.
inline bool makeFolder(const std::u16string& path, const wchar_t* sddl) {
  const Descriptor descriptor(sddl);
  SECURITY_ATTRIBUTES attributes{static_cast<DWORD>(sizeof(SECURITY_ATTRIBUTES)), descriptor.Get(),
                                 FALSE};
  return ::CreateDirectoryW(wide(path).c_str(), &attributes) != 0;
}

/// A folder of the test's own at the top of the system's drive, so that the
/// folders above it are the system's (a temporary folder lies in the
/// account's profile, which the account owns); only SYSTEM and the
/// Administrators may change it.
class TrustFolder {
 public:
  TrustFolder() {
    wchar_t drive[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemDrive", drive, MAX_PATH);
    path_ = fromWide(drive) + u"\\sigpatch-trust-" + text::dec(::GetCurrentProcessId()) + u"-" +
            text::dec(::GetTickCount());
    made_ = makeFolder(path_, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
  }
  ~TrustFolder() { TempFolder::remove(path_); }
  TrustFolder(const TrustFolder&) = delete;
  TrustFolder& operator=(const TrustFolder&) = delete;

  bool Made() const { return made_; }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
  bool made_ = false;
};

/// "DOMAIN\name" of the account the tests run as.
inline std::u16string testAccount() {
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<BYTE> user(512);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
  ::CloseHandle(token);
  wchar_t name[256] = {}, domain[256] = {};
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use{};
  ::LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name,
                      &nameSize, domain, &domainSize, &use);
  return fromWide(domain) + u"\\" + fromWide(name);
}

/// %ProgramData%, where the program keeps its own folder.
inline std::u16string programData() {
  PWSTR path = nullptr;
  ::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
  const std::u16string folder = fromWide(path);
  ::CoTaskMemFree(path);
  return folder;
}

/// The folder of the program's own where the copies it runs are made.
inline std::u16string programCopies() { return programData() + u"\\Sigpatch\\packages"; }

/// A junction (a link to a folder that every Windows makes without a
/// privilege) at `link`, an empty folder made here, to the folder `target`;
/// 0 or the system's error.
inline DWORD makeJunction(const std::u16string& link, const std::u16string& target) {
  if (!::CreateDirectoryW(wide(link).c_str(), nullptr)) return ::GetLastError();
  const HANDLE folder =
      ::CreateFileW(wide(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return ::GetLastError();
  // The mount point's reparse data: tag, length, reserved, then the offsets and
  // lengths of the two names, and the names themselves, each ending in a NUL.
  const std::wstring names = L"\\??\\" + wide(target) + L'\0' + wide(target) + L'\0';
  const WORD substitute = static_cast<WORD>((target.size() + 4) * sizeof(wchar_t));
  const WORD print = static_cast<WORD>(target.size() * sizeof(wchar_t));
  const WORD length = static_cast<WORD>(8 + names.size() * sizeof(wchar_t));
  std::vector<WORD> data{0, 0, length, 0, 0, substitute, static_cast<WORD>(substitute + 2), print};
  *reinterpret_cast<DWORD*>(data.data()) = IO_REPARSE_TAG_MOUNT_POINT;
  data.insert(data.end(), names.begin(), names.end());
  DWORD returned = 0;
  const bool made = ::DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), 8u + length,
                                      nullptr, 0, &returned, nullptr) != 0;
  const DWORD error = made ? 0 : ::GetLastError();
  ::CloseHandle(folder);
  if (!made) ::RemoveDirectoryW(wide(link).c_str());
  return error;
}

/// The test's root certificate (DER) among the machine's trusted roots while
/// the object lives. The store is closed after each change: a system store
/// writes its changes to the registry, where the chain engine reads them,
/// once nothing holds it open.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::u16string& certificateFile) : der_(readFile(certificateFile)) {
    const HCERTSTORE roots = openRoots();
    if (roots == nullptr || der_.empty()) return;
    added_ = ::CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, bytes(), size(),
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != 0;
    ::CertCloseStore(roots, 0);
  }
  ~TrustedRoot() {
    const HCERTSTORE roots = added_ ? openRoots() : nullptr;
    if (roots == nullptr) return;
    if (const auto ours = ::CertCreateCertificateContext(X509_ASN_ENCODING, bytes(), size())) {
      if (const auto found = ::CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, ours, nullptr)) {
        ::CertDeleteCertificateFromStore(found);
      }
      ::CertFreeCertificateContext(ours);
    }
    ::CertCloseStore(roots, 0);
  }
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;

  bool Added() const { return added_; }

 private:
  static HCERTSTORE openRoots() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                           L"ROOT");
  }
  const BYTE* bytes() const { return reinterpret_cast<const BYTE*>(der_.data()); }
  DWORD size() const { return static_cast<DWORD>(der_.size()); }

  std::string der_;
  bool added_ = false;
};

}  // namespace sigpatch::testing
