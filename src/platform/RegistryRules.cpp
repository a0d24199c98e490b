#include "platform/RegistryRules.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "platform/RegistryApi.h"
#include "runtime/Text.h"

namespace sigpatch::platform::regrules {

std::int32_t splitSubKey(std::u16string_view lpSubKey, std::vector<std::u16string>& names) {
  names.clear();
  if (lpSubKey.empty()) return kErrorSuccess;
  if (lpSubKey.front() == u'\\') return kErrorBadPathname;
  while (lpSubKey.back() == u'\\') lpSubKey.remove_suffix(1);
  std::size_t start = 0;
  while (true) {
    const auto end = lpSubKey.find(u'\\', start);
    const auto name = lpSubKey.substr(start, end == std::u16string_view::npos ? end : end - start);
    if (name.empty()) return kErrorBadPathname;
    if (name.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
    names.emplace_back(name);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return kErrorSuccess;
}

std::int32_t splitOpenPath(RegKey hKey, std::u16string_view lpSubKey,
                           std::vector<std::u16string>& names) {
  if (hKey == kHkeyClassesRoot && !lpSubKey.empty() && lpSubKey.front() == u'\\') {
    lpSubKey.remove_prefix(1);
  }
  return splitSubKey(lpSubKey, names);
}

const RootKey* findRootKey(std::u16string_view name) {
  const auto upper = fold(name);
  for (const auto& root : kRootKeys) {
    if (upper == root.name || upper == root.shortName) return &root;
  }
  return nullptr;
}

int rootIndex(RegKey hKey) {
  for (int i = 0; i < static_cast<int>(std::size(kRootKeys)); ++i) {
    if (kRootKeys[i].handle == hKey) return i;
  }
  return -1;
}

std::int32_t checkValueName(std::u16string_view lpValueName) {
  return lpValueName.size() > kMaxValueNameLength ? kErrorInvalidParameter : kErrorSuccess;
}

std::u16string fold(std::u16string_view name) { return text::toUpper(name); }

std::int32_t grantedAccess(std::uint32_t samDesired, bool writable, std::uint32_t& granted) {
  std::uint32_t asked = samDesired & ~(kKeyWow64Mask | kMaximumAllowed);
  if (asked & kGenericRead) asked |= kKeyRead;
  if (asked & kGenericWrite) asked |= kKeyWrite;
  if (asked & kGenericAll) asked |= kKeyAllAccess;
  asked &= ~(kGenericRead | kGenericWrite | kGenericAll);
  if (!writable && (asked & kKeyChangingRights) != 0) return kErrorAccessDenied;
  if (samDesired & kMaximumAllowed) asked |= writable ? kKeyAllAccess : kKeyRead;
  granted = asked;
  return kErrorSuccess;
}

std::int32_t deliverName(std::u16string_view name, char16_t* buffer, std::uint32_t* lpcch) {
  if (buffer == nullptr || lpcch == nullptr) return kErrorInvalidParameter;
  if (name.size() + 1 > *lpcch) return kErrorMoreData;
  name.copy(buffer, name.size());
  buffer[name.size()] = u'\0';
  *lpcch = static_cast<std::uint32_t>(name.size());
  return kErrorSuccess;
}

bool isText(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

std::int32_t dataToStore(std::uint32_t type, const std::uint8_t* lpData, std::uint32_t cbData,
                         std::uint32_t& size) {
  size = cbData;
  if (cbData == 0) return kErrorSuccess;
  if (reinterpret_cast<std::uintptr_t>(lpData) >> 16 == 0) return kErrorNoAccess;
  // The character that ends the given size, and the one after it, as whole
  // characters from the start (with an odd size the second begins in the data).
  const std::size_t count = cbData / 2;
  if (!isText(type) || count == 0 || cbData > UINT32_MAX - 2) return kErrorSuccess;
  auto character = [&](std::size_t i) { return lpData[2 * i] | lpData[2 * i + 1]; };
  if (character(count - 1) != 0 && character(count) == 0) size += 2;
  return kErrorSuccess;
}

std::int32_t deliverData(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                         std::uint8_t* lpData, std::uint32_t* lpcbData) {
  if (lpcbData == nullptr) return lpData == nullptr ? kErrorSuccess : kErrorInvalidParameter;
  const auto available = *lpcbData;
  *lpcbData = static_cast<std::uint32_t>(size);
  if (lpData == nullptr) return kErrorSuccess;
  if (available < size) return kErrorMoreData;
  std::copy(data, data + size, lpData);
  // The two bytes before the end of the data, a byte before its start counting
  // as a zero.
  if (isText(type) && size > 0 && available - size >= 2 &&
      ((size >= 2 ? data[size - 2] : 0) | data[size - 1]) != 0) {
    lpData[size] = 0;
    lpData[size + 1] = 0;
  }
  return kErrorSuccess;
}

std::uint64_t fileTimeNow() {
  // 11644473600 seconds lie between 1601-01-01 and 1970-01-01.
  const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  return static_cast<std::uint64_t>(since1970 / 100) + 116444736000000000ull;
}

}  // namespace sigpatch::platform::regrules

namespace sigpatch::platform {

std::int32_t RegistryApi::GetValue(RegKey hKey, std::u16string_view lpSubKey,
                                   std::u16string_view lpValueName, std::uint32_t* lpType,
                                   std::uint8_t* lpData, std::uint32_t* lpcbData) {
  RegKey key = 0;
  if (const auto code = OpenKeyEx(hKey, lpSubKey, 0, kKeyRead, key); code != 0) return code;
  const auto code = QueryValueEx(key, lpValueName, lpType, lpData, lpcbData);
  CloseKey(key);
  return code;
}

}  // namespace sigpatch::platform
