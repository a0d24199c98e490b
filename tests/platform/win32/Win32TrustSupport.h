#pragma once

// Helpers of the tests of package trust and of the program's runs: access lists set in the
// system's words (SDDL), the account the tests run as, the test's root certificate among the
// trusted roots, and the program's settings in the machine's registry.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
// After <windows.h>:
#include <aclapi.h>
#include <shlobj.h>
#include <wincrypt.h>

namespace sigpatch::testing {

/// A security descriptor made from SDDL ("O:BAD:P(A;OICI;FA;;;SY)"), freed when done; Wine reads
/// "D:NO_ACCESS_CONTROL" (no access list at all) as an empty list, so that one is made by hand.
class Descriptor {
 public:
  explicit Descriptor(const wchar_t* sddl) {
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &parsed_, {});
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (parsed_ != nullptr && std::wstring_view(sddl).ends_with(L"D:NO_ACCESS_CONTROL")) {
      ::GetSecurityDescriptorOwner(parsed_, &owner, &defaulted);
      ::InitializeSecurityDescriptor(&open_, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorOwner(&open_, owner, FALSE);
      ::SetSecurityDescriptorDacl(&open_, TRUE, nullptr, FALSE);
    }
  }
  ~Descriptor() { ::LocalFree(parsed_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  PSECURITY_DESCRIPTOR Get() { return open_.Revision != 0 ? &open_ : parsed_; }
  PACL Dacl() {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(Get(), &present, &dacl, &defaulted);
    return dacl;
  }

 private:
  PSECURITY_DESCRIPTOR parsed_ = nullptr;
  SECURITY_DESCRIPTOR open_{};
};

/// Gives a file or folder the access list of the SDDL ("D:P(...)"), keeping out what the folder
/// above hands down; the system's result.
inline DWORD setSecurity(const std::u16string& path, const wchar_t* sddl) {
  Descriptor descriptor(sddl);
  if (descriptor.Get() == nullptr) return ERROR_INVALID_PARAMETER;
  return ::SetNamedSecurityInfoW(wide(path).data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, descriptor.Dacl(), nullptr);
}

/// "DOMAIN\name" of the account the tests run as.
inline std::u16string testAccount() {
  HANDLE token = nullptr;
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
  std::vector<BYTE> user(512);
  DWORD size = 0, nameSize = 256, domainSize = 256;
  ::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
  ::CloseHandle(token);
  wchar_t name[256] = {}, domain[256] = {};
  SID_NAME_USE use{};
  ::LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, name,
                      &nameSize, domain, &domainSize, &use);
  return fromWide(domain) + u"\\" + fromWide(name);
}

/// The program's own folder in %ProgramData%, and the one in it for the copies it runs.
inline std::u16string programFolder() {
  PWSTR path = nullptr;
  ::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path);
  const std::u16string folder = fromWide(path) + u"\\Sigpatch";
  ::CoTaskMemFree(path);
  return folder;
}
inline std::u16string programCopies() { return programFolder() + u"\\packages"; }

/// The test's root certificate (DER) among the machine's trusted roots while the object lives.
/// The store is closed after each change: a system store writes its changes to the registry,
/// where the chain engine reads them, once nothing holds it open.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::u16string& certificateFile) : der_(readFile(certificateFile)) {
    const HCERTSTORE roots = openRoots();
    added_ = ::CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, bytes(), size(),
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != 0;
    ::CertCloseStore(roots, 0);
  }
  ~TrustedRoot() {
    const HCERTSTORE roots = openRoots();
    const auto ours = ::CertCreateCertificateContext(X509_ASN_ENCODING, bytes(), size());
    if (const auto found = added_ ? ::CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0,
                                                                 CERT_FIND_EXISTING, ours, nullptr)
                                  : nullptr) {
      ::CertDeleteCertificateFromStore(found);
    }
    ::CertFreeCertificateContext(ours);
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

/// The program's settings in the machine's registry; none at all, as where it never ran.
constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ferrolite\\Sigpatch";
inline void setSetting(const wchar_t* name, const std::u16string& value) {
  const std::wstring data = wide(value);
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}
inline void clearSettings() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey); }

}  // namespace sigpatch::testing
