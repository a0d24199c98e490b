#include "fakes/FakeRegistry.h"

#include <algorithm>

#include "platform/RegistryRules.h"

namespace sigpatch::fakes {

namespace rules = platform::regrules;
using namespace platform;
using Key = RegKey;

FakeRegistry::FakeRegistry() {
  for (char16_t root = u'0'; root < u'4'; ++root) keys_[std::u16string(1, root)] = {};
}

void FakeRegistry::FailCall(Call call, std::int32_t code, int nth) {
  failures_[call].push_back({nth, code});
}

// The key a handle names, with the access it grants, unless the test made the call fail.
FakeRegistry::Found FakeRegistry::enter(Call call, Key hKey) {
  ++calls[call];
  Found found{kErrorSuccess, {}, nullptr};
  auto& [code, at, entry] = found;
  auto& pending = failures_[call];
  for (auto& [left, failure] : pending)
    if (--left == 0) code = failure;
  std::erase_if(pending, [](auto& p) { return p.first <= 0; });
  if (code != kErrorSuccess) return found;
  if (const int root = rules::rootIndex(hKey); root >= 0) {
    at = {std::u16string(1, static_cast<char16_t>(u'0' + root)), 0, kKeyAllAccess};
  } else if (handles_.contains(hKey)) {
    at = handles_[hKey];
  } else {
    code = kErrorInvalidHandle;
    return found;
  }
  const auto it = keys_.find(at.path);
  if (it == keys_.end() || it->second.id != at.id) code = kErrorKeyDeleted;
  entry = it == keys_.end() ? nullptr : &it->second;
  return found;
}

// The sub-keys of a key, in the order of their folded names.
std::vector<FakeRegistry::Entry*> FakeRegistry::children(const std::u16string& path) {
  std::vector<Entry*> found;
  const auto prefix = path + u'\\';
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.starts_with(prefix);
       ++it) {
    if (it->first.find(u'\\', prefix.size()) == std::u16string::npos) found.push_back(&it->second);
  }
  return found;
}

std::int32_t FakeRegistry::OpenKeyEx(Key hKey, Name lpSubKey, U32, U32 samDesired, Key& phkResult) {
  phkResult = 0;
  std::vector<std::u16string> names;
  auto [code, at, entry] = enter(Call::OpenKeyEx, hKey);
  if (code != 0 || (code = rules::splitOpenPath(hKey, lpSubKey, names)) != 0) return code;
  for (const auto& name : names) at.path += u'\\' + rules::fold(name);
  const auto it = keys_.find(at.path);
  if (it == keys_.end()) return kErrorFileNotFound;
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  at.id = it->second.id;
  handles_[phkResult = (nextHandle_ += 4)] = at;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CreateKeyEx(Key hKey, Name lpSubKey, Name lpClass, U32 dwOptions,
                                       U32 samDesired, Key& phkResult, U32* lpdwDisposition) {
  phkResult = 0;
  std::vector<std::u16string> names;
  auto [code, at, entry] = enter(Call::CreateKeyEx, hKey);
  if (code != 0 || (code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  if (dwOptions != kRegOptionNonVolatile) return kErrorInvalidParameter;
  std::size_t found = 0;
  for (; found < names.size() && keys_.contains(at.path + u'\\' + rules::fold(names[found]));
       ++found) {
    at.path += u'\\' + rules::fold(names[found]);
  }
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  if (found < names.size() && readOnly) return kErrorAccessDenied;
  const auto depth = static_cast<std::size_t>(std::count(at.path.begin(), at.path.end(), u'\\'));
  if (depth + names.size() - found > kMaxKeyDepth) return kErrorInvalidParameter;
  if (lpdwDisposition)
    *lpdwDisposition = found < names.size() ? kRegCreatedNewKey : kRegOpenedExistingKey;
  for (; found < names.size(); ++found) {
    at.path += u'\\' + rules::fold(names[found]);
    const bool last = found + 1 == names.size();
    keys_[at.path] = {
        names[found], last ? std::u16string(lpClass) : u"", ++lastId_, rules::fileTimeNow(), {}};
  }
  at.id = keys_[at.path].id;
  handles_[phkResult = (nextHandle_ += 4)] = at;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::QueryValueEx(Key hKey, Name lpValueName, U32* lpType,
                                        std::uint8_t* lpData, U32* lpcbData) {
  auto [code, at, entry] = enter(Call::QueryValueEx, hKey);
  if (code != 0) return code;
  if (!(at.access & kKeyQueryValue)) return kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  for (const auto& value : entry->values) {
    if (rules::fold(value.name) != rules::fold(lpValueName)) continue;
    if (lpType) *lpType = value.type;
    return rules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
  }
  if (lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
  return kErrorFileNotFound;
}

std::int32_t FakeRegistry::SetValueEx(Key hKey, Name lpValueName, U32 dwType,
                                      const std::uint8_t* lpData, U32 cbData) {
  U32 size = 0;
  auto [code, at, entry] = enter(Call::SetValueEx, hKey);
  if (code != 0) return code;
  if (readOnly || !(at.access & kKeySetValue)) return kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  if ((code = rules::dataToStore(dwType, lpData, cbData, size)) != 0) return code;
  auto& values = entry->values;
  auto it = std::find_if(values.begin(), values.end(),
                         [&](auto& v) { return rules::fold(v.name) == rules::fold(lpValueName); });
  if (it == values.end()) it = values.insert(it, {std::u16string(lpValueName), 0, {}});
  it->type = dwType;
  it->data.assign(lpData, lpData + size);
  entry->written = rules::fileTimeNow();
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteKey(Key hKey, Name lpSubKey) {
  std::vector<std::u16string> names;
  auto [code, at, entry] = enter(Call::DeleteKey, hKey);
  if (code != 0 || (code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  for (const auto& name : names) at.path += u'\\' + rules::fold(name);
  if (!keys_.contains(at.path)) return kErrorFileNotFound;
  if (readOnly || names.empty() || !children(at.path).empty()) return kErrorAccessDenied;
  keys_.erase(at.path);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteValue(Key hKey, Name lpValueName) {
  auto [code, at, entry] = enter(Call::DeleteValue, hKey);
  if (code != 0) return code;
  if (readOnly || !(at.access & kKeySetValue)) return kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  if (!std::erase_if(entry->values,
                     [&](auto& v) { return rules::fold(v.name) == rules::fold(lpValueName); }))
    return kErrorFileNotFound;
  entry->written = rules::fileTimeNow();
  return kErrorSuccess;
}

std::int32_t FakeRegistry::EnumValue(Key hKey, U32 dwIndex, char16_t* lpValueName,
                                     U32* lpcchValueName, U32* lpType, std::uint8_t* lpData,
                                     U32* lpcbData) {
  auto [code, at, entry] = enter(Call::EnumValue, hKey);
  if (code != 0) return code;
  if (!(at.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (dwIndex >= entry->values.size()) return kErrorNoMoreItems;
  const auto& value = entry->values[dwIndex];
  if (lpType) *lpType = value.type;
  if ((code = rules::deliverName(value.name, lpValueName, lpcchValueName)) != 0) {
    if (code == kErrorMoreData && lpcbData) *lpcbData = static_cast<U32>(value.data.size());
    return code;
  }
  return rules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t FakeRegistry::EnumKeyEx(Key hKey, U32 dwIndex, char16_t* lpName, U32* lpcchName,
                                     char16_t* lpClass, U32* lpcchClass,
                                     std::uint64_t* lpftWritten) {
  auto [code, at, entry] = enter(Call::EnumKeyEx, hKey);
  if (code != 0) return code;
  if (!(at.access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  const auto subKeys = children(at.path);
  if (dwIndex >= subKeys.size()) return kErrorNoMoreItems;
  const auto& child = *subKeys[dwIndex];
  if ((code = rules::deliverName(child.name, lpName, lpcchName)) != 0 ||
      (lpClass && (code = rules::deliverName(child.className, lpClass, lpcchClass)) != 0))
    return code;
  if (lpftWritten) *lpftWritten = child.written;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CloseKey(Key hKey) {
  const auto code = enter(Call::CloseKey, hKey).code;
  if (code != kErrorSuccess && code != kErrorKeyDeleted) return code;
  handles_.erase(hKey);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::BeginTransaction() {
  if (saved_) return kErrorInvalidParameter;
  saved_ = keys_;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CommitTransaction() { return endTransaction(false); }

// A handle to a key the transaction created then names a deleted key.
std::int32_t FakeRegistry::RollbackTransaction() { return endTransaction(true); }

std::int32_t FakeRegistry::endTransaction(bool undo) {
  if (!saved_) return kErrorInvalidParameter;
  if (undo) keys_ = std::move(*saved_);
  saved_.reset();
  return kErrorSuccess;
}

}  // namespace sigpatch::fakes
