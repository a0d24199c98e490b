// A package's Authenticode signature: sound, by a certificate the machine
// trusts, and by the publisher named in the settings.

#include <string>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32ErrorText.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/WindowsHeaders.h"
// After <windows.h>:
#include <wincrypt.h>
#include <wintrust.h>
// After <wintrust.h>:
#include <softpub.h>

namespace sigpatch::platform::win32 {
namespace {

// The system's texts of the trust results that count here, for a system that
// has none of its own (Wine).
struct TrustText {
  HRESULT code;
  const char16_t* text;
};
constexpr TrustText kTrustTexts[] = {
    {TRUST_E_NO_SIGNER_CERT,
     u"The certificate for the signer of the message is invalid or not found"},
    {TRUST_E_BAD_DIGEST, u"The digital signature of the object did not verify"},
    {TRUST_E_CERT_SIGNATURE, u"The signature of the certificate cannot be verified"},
    {TRUST_E_BASIC_CONSTRAINTS,
     u"The basic constraint extension of a certificate has not been observed"},
    {TRUST_E_EXPLICIT_DISTRUST, u"The certificate was explicitly marked as untrusted by the user"},
    {TRUST_E_SUBJECT_NOT_TRUSTED, u"The subject is not trusted for the specified action"},
    {TRUST_E_SUBJECT_FORM_UNKNOWN,
     u"The form specified for the subject is not one supported or known by the specified trust "
     u"provider"},
    {CERT_E_UNTRUSTEDROOT,
     u"A certificate chain processed, but terminated in a root certificate which is not trusted "
     u"by the trust provider"},
    {CERT_E_CHAINING, u"A certificate chain could not be built to a trusted root authority"},
    {CERT_E_EXPIRED,
     u"A required certificate is not within its validity period when verifying against the "
     u"current system clock or the timestamp in the signed file"},
    {CERT_E_REVOKED, u"A certificate was explicitly revoked by its issuer"},
    {CERT_E_WRONG_USAGE, u"The certificate is not valid for the requested usage"},
    {CRYPT_E_FILE_ERROR, u"An error occurred while reading or writing to a file"},
};

// The system's text of a trust result, without its closing full stop.
std::u16string trustText(HRESULT code) {
  if (auto text = systemErrorText(static_cast<DWORD>(code)); !text.empty()) return text;
  for (const TrustText& known : kTrustTexts) {
    if (known.code == code) return known.text;
  }
  wchar_t hex[16] = {};
  ::wsprintfW(hex, L"0x%08lX", static_cast<unsigned long>(code));
  return u"error " + fromWide(hex);
}

// What the chain of the signer's certificate says against it, as a trust
// result; S_OK when nothing. WinVerifyTrust weighs this itself on Windows;
// Wine's does not (it passes a chain that ends in an unknown or untrusted root,
// or holds an expired certificate), so it is weighed here again.
HRESULT chainResult(PCCERT_CHAIN_CONTEXT chain) {
  if (chain == nullptr) return TRUST_E_NO_SIGNER_CERT;
  const DWORD status = chain->TrustStatus.dwErrorStatus;
  if ((status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) != 0) return TRUST_E_CERT_SIGNATURE;
  if ((status & CERT_TRUST_IS_EXPLICIT_DISTRUST) != 0) return TRUST_E_EXPLICIT_DISTRUST;
  if ((status & CERT_TRUST_IS_REVOKED) != 0) return CERT_E_REVOKED;
  if ((status & (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC)) != 0) return CERT_E_CHAINING;
  if ((status & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0) return CERT_E_UNTRUSTEDROOT;
  if ((status & CERT_TRUST_IS_NOT_TIME_VALID) != 0) return CERT_E_EXPIRED;
  if ((status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) != 0) return CERT_E_WRONG_USAGE;
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  if (::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain, &policy,
                                         &verdict) == 0) {
    return TRUST_E_SUBJECT_NOT_TRUSTED;
  }
  return static_cast<HRESULT>(verdict.dwError);
}

// Whether a certificate may sign programs: its enhanced key usage names code
// signing, or it has none (valid for every use).
bool signsCode(PCCERT_CONTEXT certificate) {
  DWORD size = 0;
  if (::CertGetEnhancedKeyUsage(certificate, 0, nullptr, &size) == 0) {
    return ::GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND);
  }
  std::string buffer(size, '\0');
  auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
  if (::CertGetEnhancedKeyUsage(certificate, 0, usage, &size) == 0) return false;
  if (usage->cUsageIdentifier == 0)
    return ::GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND);
  for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
    if (std::string(usage->rgpszUsageIdentifier[i]) == szOID_PKIX_KP_CODE_SIGNING) return true;
  }
  return false;
}

// WinVerifyTrust's state, closed when done.
class Verification {
 public:
  explicit Verification(const std::wstring& path) {
    file_.cbStruct = sizeof file_;
    file_.pcwszFilePath = path.c_str();
    data_.cbStruct = sizeof data_;
    data_.dwUIChoice = WTD_UI_NONE;
    // No revocation lists and nothing fetched from the network: a boot run
    // may have none.
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    result_ = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  ~Verification() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  Verification(const Verification&) = delete;
  Verification& operator=(const Verification&) = delete;

  LONG Result() const { return result_; }
  /// The first signer, as the verification found it; nullptr when none.
  CRYPT_PROVIDER_SGNR* Signer() const {
    if (data_.hWVTStateData == nullptr) return nullptr;
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
    return provider == nullptr ? nullptr : ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  }

 private:
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  LONG result_ = 0;
};

}  // namespace

std::u16string Win32System::SignatureSetting() { return u"PackagePublisher"; }

std::u16string Win32System::CheckSignature(std::u16string_view file, std::u16string_view,
                                           std::u16string_view anchor) {
  // The signature is in the file itself: the copy is what is checked, and what runs.
  const std::wstring path = wide(file);
  const Verification verification(path);
  const LONG result = verification.Result();
  if (result == TRUST_E_NOSIGNATURE) return u"it is not signed";
  if (result != ERROR_SUCCESS) return u"its signature is not trusted: " + trustText(result);
  CRYPT_PROVIDER_SGNR* signer = verification.Signer();
  CRYPT_PROVIDER_CERT* certificate =
      signer == nullptr ? nullptr : ::WTHelperGetProvCertFromChain(signer, 0);
  if (certificate == nullptr || certificate->pCert == nullptr) {
    return u"its signature is not trusted: " + trustText(TRUST_E_NO_SIGNER_CERT);
  }
  if (const HRESULT chain = chainResult(signer->pChainContext); chain != S_OK) {
    return u"its signature is not trusted: " + trustText(chain);
  }
  if (!signsCode(certificate->pCert)) {
    return u"its signature is not trusted: " + trustText(CERT_E_WRONG_USAGE);
  }
  wchar_t name[512] = {};
  ::CertGetNameStringW(certificate->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512);
  const std::wstring publisher = name;
  const std::wstring wanted = wide(anchor);
  if (::CompareStringOrdinal(publisher.c_str(), static_cast<int>(publisher.size()), wanted.c_str(),
                             static_cast<int>(wanted.size()), TRUE) != CSTR_EQUAL) {
    return u"it is signed by " + fromWide(publisher) + u", not by " + std::u16string(anchor);
  }
  return {};
}

}  // namespace sigpatch::platform::win32
