#pragma once

// Helpers of the tests of package trust: access lists and owners set and read
// in the system's words (SDDL), links, the account the tests run as, and the
// test's root certificate among the machine's trusted roots.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
// After <windows.h>:
#include <aclapi.h>
#include <wincrypt.h>
#include <winioctl.h>

namespace sigpatch::testing {

/// A security descriptor made from SDDL ("O:BAD:P(A;OICI;FA;;;SY)"), freed when done.
class Descriptor {
 public:
  explicit Descriptor(const wchar_t* sddl) {
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &parsed_,
                                                               nullptr) == 0) {
      return;
    }
    descriptor_ = parsed_;
    // No access list at all; Wine reads "D:NO_ACCESS_CONTROL" as an empty one.
    if (std::wstring_view(sddl).find(L"D:NO_ACCESS_CONTROL") != std::wstring_view::npos &&
        Dacl() != nullptr) {
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
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    return ::GetSecurityDescriptorDacl(descriptor_, &present, &dacl, &defaulted) != 0 && present;
  }
  /// The access list; nullptr for none ("D:NO_ACCESS_CONTROL").
  PACL Dacl() const {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
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

/// Turns on a privilege the token holds (SeRestorePrivilege lets an
/// administrator make another account the owner of a file).
inline bool enablePrivilege(const wchar_t* name) {
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token) ==
      0) {
    return false;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const bool enabled =
      ::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) != 0 &&
      ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != 0 &&
      ::GetLastError() == ERROR_SUCCESS;
  ::CloseHandle(token);
  return enabled;
}

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
    enablePrivilege(SE_RESTORE_NAME);
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
  if (asked.Owner() != nullptr &&
      (kept.Owner() == nullptr || !::EqualSid(asked.Owner(), kept.Owner()))) {
    return false;
  }
  if (!asked.HasDacl()) return true;
  if (asked.Dacl() == nullptr || kept.Dacl() == nullptr) return asked.Dacl() == kept.Dacl();
  for (DWORD i = 0; i < asked.Dacl()->AceCount; ++i) {
    void* want = nullptr;
    ::GetAce(asked.Dacl(), i, &want);
    const auto* wanted = static_cast<ACCESS_ALLOWED_ACE*>(want);
    bool found = false;
    for (DWORD j = 0; !found && j < kept.Dacl()->AceCount; ++j) {
      void* have = nullptr;
      ::GetAce(kept.Dacl(), j, &have);
      const auto* held = static_cast<ACCESS_ALLOWED_ACE*>(have);
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
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor.Get();
  return ::CreateDirectoryW(wide(path).c_str(), &attributes) != 0;
}

/// "DOMAIN\name" of the account the tests run as.
inline std::u16string testAccount() {
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<BYTE> user(512);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
  ::CloseHandle(token);
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD nameSize = 256;
  DWORD domainSize = 256;
  SID_NAME_USE use{};
  ::LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name,
                      &nameSize, domain, &domainSize, &use);
  return fromWide(domain) + u"\\" + fromWide(name);
}

/// The folder of the program's own where the copies it runs are made
/// (%ProgramData%\Sigpatch\packages).
inline std::u16string programCopies() {
  PWSTR path = nullptr;
  ::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
  const std::u16string folder = fromWide(path) + u"\\Sigpatch\\packages";
  ::CoTaskMemFree(path);
  return folder;
}

/// A junction (a link to a folder that every Windows makes without a
/// privilege) at `link`, an empty folder made here, to the folder `target`;
/// 0 or the system's error.
inline DWORD makeJunction(const std::u16string& link, const std::u16string& target) {
  if (::CreateDirectoryW(wide(link).c_str(), nullptr) == 0) return ::GetLastError();
  const HANDLE folder =
      ::CreateFileW(wide(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return ::GetLastError();
  const std::wstring substitute = L"\\??\\" + wide(target);
  const std::wstring print = wide(target);
  // The mount point's reparse data: tag, length, then the two names' offsets
  // and lengths and the names themselves, each ending in a NUL.
  std::vector<BYTE> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  auto* header = reinterpret_cast<DWORD*>(buffer.data());
  auto* words = reinterpret_cast<WORD*>(buffer.data() + 8);
  const WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  const WORD printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
  words[0] = 0;
  words[1] = substituteBytes;
  words[2] = static_cast<WORD>(substituteBytes + sizeof(wchar_t));
  words[3] = printBytes;
  auto* names = reinterpret_cast<wchar_t*>(buffer.data() + 16);
  std::copy(substitute.begin(), substitute.end(), names);
  std::copy(print.begin(), print.end(), names + substitute.size() + 1);
  const WORD dataLength = static_cast<WORD>(8 + substituteBytes + printBytes + 2 * sizeof(wchar_t));
  header[0] = IO_REPARSE_TAG_MOUNT_POINT;
  reinterpret_cast<WORD*>(buffer.data() + 4)[0] = dataLength;
  DWORD returned = 0;
  const bool made = ::DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                      8u + dataLength, nullptr, 0, &returned, nullptr) != 0;
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
    if (!added_) return;
    const HCERTSTORE roots = openRoots();
    if (roots == nullptr) return;
    if (const PCCERT_CONTEXT ours =
            ::CertCreateCertificateContext(X509_ASN_ENCODING, bytes(), size())) {
      if (const PCCERT_CONTEXT found = ::CertFindCertificateInStore(
              roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours, nullptr)) {
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
