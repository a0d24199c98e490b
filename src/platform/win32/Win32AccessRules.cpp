#include "platform/win32/Win32AccessRules.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/Wide.h"

namespace sigpatch::platform::win32 {
namespace {

constexpr ACCESS_MASK kChangesPackage = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                        FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK kChangesFolder =
    kChangesPackage | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kChangesFolderAbove = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

ACCESS_MASK changesOf(PathPart part) {
  switch (part) {
    case PathPart::Package:
      return kChangesPackage;
    case PathPart::FolderAbove:
      return kChangesFolderAbove;
    case PathPart::PackageFolder:
    case PathPart::Link:
      break;
  }
  return kChangesFolder;
}

constexpr const wchar_t* kSystemAccounts[] = {
    L"S-1-5-18", L"S-1-5-32-544",
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
// The Users, who may read and run what is in a safe folder.
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
// CREATOR OWNER and CREATOR GROUP stand in entries that are handed down to new
// files; an entry of theirs on the object itself lets nobody in. OWNER RIGHTS
// are the owner's, whose trust is judged on its own.
constexpr const wchar_t* kNobody[] = {L"S-1-3-0", L"S-1-3-1", L"S-1-3-4"};

std::vector<BYTE> copySid(PSID sid) {
  const auto* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

bool isSid(PSID sid, const wchar_t* text) {
  PSID known = nullptr;
  if (::ConvertStringSidToSidW(text, &known) == 0) return false;
  const bool same = ::EqualSid(known, sid) != 0;
  ::LocalFree(known);
  return same;
}

std::u16string sidText(PSID sid) {
  wchar_t* text = nullptr;
  if (::ConvertSidToStringSidW(sid, &text) == 0) return u"(unknown)";
  std::u16string result = fromWide(text);
  ::LocalFree(text);
  return result;
}

// "DOMAIN\name" (or "name" for an account without a domain, such as Everyone),
// else the SID.
std::u16string accountName(PSID sid) {
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD nameSize = 256;
  DWORD domainSize = 256;
  SID_NAME_USE use{};
  if (::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use) == 0) {
    return sidText(sid);
  }
  return domain[0] == L'\0' ? fromWide(name) : fromWide(domain) + u"\\" + fromWide(name);
}

std::u16string listed(const std::vector<std::u16string>& names) {
  std::u16string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? u" and " : u", ";
    text += names[i];
  }
  return text;
}

// How to make a folder safe: an access list of its own instead of the one it
// inherits, with full control for SYSTEM and the Administrators and reading
// and running for the Users, handed down to what is in it; and the entries of
// its own for others taken away.
std::u16string accessAdvice(std::u16string_view folder, const std::vector<std::u16string>& own) {
  std::u16string advice = u" (icacls \"" + std::u16string(folder) +
                          u"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F "
                          u"*S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX";
  if (!own.empty()) {
    advice += u" /remove:g";
    for (const auto& sid : own) advice += u" *" + sid;
  }
  return advice + u")";
}

std::u16string ownerAdvice(std::u16string_view folder) {
  return u" (icacls \"" + std::u16string(folder) + u"\" /setowner *S-1-5-32-544)";
}

// The SID and the rights of an entry that allows; nullptr for an entry of
// another kind (deny, audit). `known` is false for an allowing entry whose
// layout the check does not know.
PSID allowed(const ACE_HEADER* header, ACCESS_MASK& rights, bool& known) {
  known = true;
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
      const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
      rights = ace->Mask;
      return const_cast<DWORD*>(&ace->SidStart);
    }
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
      const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_OBJECT_ACE*>(header);
      rights = ace->Mask;
      // The SID follows the object types that the flags say are there.
      const BYTE* sid = reinterpret_cast<const BYTE*>(&ace->ObjectType);
      if ((ace->Flags & ACE_OBJECT_TYPE_PRESENT) != 0) sid += sizeof(GUID);
      if ((ace->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) != 0) sid += sizeof(GUID);
      return const_cast<BYTE*>(sid);
    }
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      known = false;
      return nullptr;
    default:
      return nullptr;
  }
}

}  // namespace

TrustedAccounts::TrustedAccounts() {
  for (const wchar_t* account : kSystemAccounts) {
    PSID sid = nullptr;
    if (::ConvertStringSidToSidW(account, &sid) != 0) {
      Add(sid);
      ::LocalFree(sid);
    }
  }
}

void TrustedAccounts::Add(PSID sid) {
  if (sid != nullptr && ::IsValidSid(sid) != 0) sids_.push_back(copySid(sid));
}

void TrustedAccounts::AddAccount(std::u16string_view name) {
  if (name.empty()) return;
  BYTE sid[SECURITY_MAX_SID_SIZE] = {};
  DWORD sidSize = sizeof sid;
  wchar_t domain[256] = {};
  DWORD domainSize = 256;
  SID_NAME_USE use{};
  if (::LookupAccountNameW(nullptr, wide(name).c_str(), sid, &sidSize, domain, &domainSize, &use) !=
      0) {
    Add(sid);
  }
}

bool TrustedAccounts::Holds(PSID sid) const {
  return std::any_of(sids_.begin(), sids_.end(), [&](const std::vector<BYTE>& trusted) {
    return ::EqualSid(const_cast<BYTE*>(trusted.data()), sid) != 0;
  });
}

std::u16string OthersWhoCanChange(std::u16string_view path, PSECURITY_DESCRIPTOR descriptor,
                                  PathPart part, const TrustedAccounts& trusted) {
  const std::u16string named(path);
  const bool advise = part == PathPart::PackageFolder;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) == 0 || owner == nullptr) {
    return named + u" has no owner";
  }
  // The owner may always change the access list.
  if (!trusted.Holds(owner)) {
    return named + u" belongs to " + accountName(owner) + (advise ? ownerAdvice(path) : u"");
  }
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) == 0) {
    return named + u" has an access list that cannot be read";
  }
  if (present == FALSE || dacl == nullptr) {
    return named + u" is writable by everyone, as it has no access list" +
           (advise ? accessAdvice(path, {}) : u"");
  }
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  const ACCESS_MASK changes = changesOf(part);
  std::vector<std::u16string> names;
  std::vector<std::u16string> own;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (::GetAce(dacl, i, &ace) == 0) return named + u" has an access list that cannot be read";
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    // An entry only handed down to what is made in a folder grants nothing on it.
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    ACCESS_MASK rights = 0;
    bool known = true;
    const PSID sid = allowed(header, rights, known);
    if (!known) return named + u" has an access entry of a kind the check does not know";
    if (sid == nullptr) continue;
    ::MapGenericMask(&rights, &mapping);
    if ((rights & changes) == 0 || trusted.Holds(sid)) continue;
    if (std::any_of(std::begin(kNobody), std::end(kNobody),
                    [&](const wchar_t* nobody) { return isSid(sid, nobody); })) {
      continue;
    }
    const std::u16string name = accountName(sid);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    // An entry of the folder's own must go (the Users' is replaced by the
    // advice's grant); an inherited one goes with the inheritance.
    const std::u16string text = sidText(sid);
    if ((header->AceFlags & INHERITED_ACE) == 0 && !isSid(sid, kUsers) &&
        std::find(own.begin(), own.end(), text) == own.end()) {
      own.push_back(text);
    }
  }
  if (names.empty()) return {};
  return named + u" is writable by " + listed(names) + (advise ? accessAdvice(path, own) : u"");
}

SddlAttributes::SddlAttributes(const wchar_t* sddl) {
  attributes_.nLength = sizeof attributes_;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                             nullptr) != 0) {
    attributes_.lpSecurityDescriptor = descriptor;
  }
}

SddlAttributes::~SddlAttributes() {
  if (attributes_.lpSecurityDescriptor != nullptr) ::LocalFree(attributes_.lpSecurityDescriptor);
}

std::vector<BYTE> processAccount() {
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == 0) return {};
  std::vector<BYTE> user(256);
  DWORD needed = 0;
  bool found = ::GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()),
                                     &needed) != 0;
  if (!found && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    user.resize(needed);
    found = ::GetTokenInformation(token, TokenUser, user.data(), needed, &needed) != 0;
  }
  ::CloseHandle(token);
  if (!found) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const auto* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

}  // namespace sigpatch::platform::win32
