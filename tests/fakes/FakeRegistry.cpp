#include "fakes/FakeRegistry.h"

#include <algorithm>

#include "platform/RegistryRules.h"

namespace sigpatch::fakes {

using platform::RegKey;
namespace rules = platform::regrules;

struct FakeRegistry::Node {
  struct Value {
    std::u16string name, fold;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  std::u16string name, fold, className;
  std::uint64_t written = 0;
  std::size_t depth = 0;
  bool deleted = false;
  std::vector<std::shared_ptr<Node>> children;  // in the order of their folded names
  std::vector<Value> values;                    // in the order they were first written

  std::shared_ptr<Node> child(const std::u16string& folded) const {
    for (const auto& c : children) {
      if (c->fold == folded) return c;
    }
    return nullptr;
  }
  std::vector<Value>::iterator value(const std::u16string& folded) {
    return std::find_if(values.begin(), values.end(), [&](auto& v) { return v.fold == folded; });
  }
};

namespace {

std::shared_ptr<FakeRegistry::Node> clone(const FakeRegistry::Node& node) {
  auto copy = std::make_shared<FakeRegistry::Node>(node);
  for (auto& c : copy->children) c = clone(*c);
  return copy;
}

}  // namespace

FakeRegistry::FakeRegistry() {
  for (auto& root : roots_) root = std::make_shared<Node>();
}

FakeRegistry::~FakeRegistry() = default;

void FakeRegistry::FailCall(Call call, std::int32_t code, int nth) {
  failures_[call].push_back({nth, code});
}

bool FakeRegistry::injected(Call call, std::int32_t& code) {
  ++calls[call];
  bool hit = false;
  auto& pending = failures_[call];
  for (auto it = pending.begin(); it != pending.end();) {
    if (--it->first != 0) {
      ++it;
      continue;
    }
    code = it->second;
    hit = true;
    it = pending.erase(it);
  }
  return hit;
}

// The key a handle names, with the access it grants and where it lies.
std::int32_t FakeRegistry::resolve(RegKey hKey, Handle& where) {
  const int root = rules::rootIndex(hKey);
  if (root >= 0) {
    where = {roots_[static_cast<std::size_t>(root)],
             platform::kKeyAllAccess,
             static_cast<std::size_t>(root),
             {}};
    return platform::kErrorSuccess;
  }
  const auto it = handles_.find(hKey);
  if (it == handles_.end()) return platform::kErrorInvalidHandle;
  where = it->second;
  return where.node->deleted ? platform::kErrorKeyDeleted : platform::kErrorSuccess;
}

std::int32_t FakeRegistry::OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t,
                                     std::uint32_t samDesired, RegKey& phkResult) {
  openAccess.push_back(samDesired);
  phkResult = 0;
  std::int32_t code = 0;
  Handle at;
  std::vector<std::u16string> names;
  if (injected(Call::OpenKeyEx, code) || (code = resolve(hKey, at)) != 0 ||
      (code = rules::splitOpenPath(hKey, lpSubKey, names)) != 0) {
    return code;
  }
  for (const auto& name : names) {
    at.path.push_back(rules::fold(name));
    if (!(at.node = at.node->child(at.path.back()))) return platform::kErrorFileNotFound;
  }
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  handles_[phkResult = (nextHandle_ += 4)] = at;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                       std::u16string_view lpClass, std::uint32_t dwOptions,
                                       std::uint32_t samDesired, RegKey& phkResult,
                                       std::uint32_t* lpdwDisposition) {
  phkResult = 0;
  std::int32_t code = 0;
  Handle at;
  std::vector<std::u16string> names;
  if (injected(Call::CreateKeyEx, code) || (code = resolve(hKey, at)) != 0 ||
      (code = rules::splitSubKey(lpSubKey, names)) != 0) {
    return code;
  }
  if (dwOptions != platform::kRegOptionNonVolatile) return platform::kErrorInvalidParameter;
  std::size_t found = 0;
  for (; found < names.size(); ++found) {
    auto next = at.node->child(rules::fold(names[found]));
    if (!next) break;
    at.node = next;
    at.path.push_back(next->fold);
  }
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  const bool creates = found < names.size();
  if (creates && readOnly) return platform::kErrorAccessDenied;
  if (at.node->depth + (names.size() - found) > platform::kMaxKeyDepth) {
    return platform::kErrorInvalidParameter;
  }
  for (; found < names.size(); ++found) {
    auto created = std::make_shared<Node>();
    created->name = names[found];
    created->fold = rules::fold(names[found]);
    created->depth = at.node->depth + 1;
    created->written = rules::fileTimeNow();
    if (found + 1 == names.size()) created->className = std::u16string(lpClass);
    auto& siblings = at.node->children;
    siblings.insert(std::lower_bound(siblings.begin(), siblings.end(), created->fold,
                                     [](auto& n, auto& f) { return n->fold < f; }),
                    created);
    at.node = created;
    at.path.push_back(created->fold);
  }
  if (lpdwDisposition) {
    *lpdwDisposition = creates ? platform::kRegCreatedNewKey : platform::kRegOpenedExistingKey;
  }
  handles_[phkResult = (nextHandle_ += 4)] = at;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::QueryValueEx(RegKey hKey, std::u16string_view lpValueName,
                                        std::uint32_t* lpType, std::uint8_t* lpData,
                                        std::uint32_t* lpcbData) {
  std::int32_t code = 0;
  Handle at;
  if (injected(Call::QueryValueEx, code) || (code = resolve(hKey, at)) != 0) return code;
  if (!(at.access & platform::kKeyQueryValue)) return platform::kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  const auto value = at.node->value(rules::fold(lpValueName));
  if (value == at.node->values.end()) {
    if (lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
    return platform::kErrorFileNotFound;
  }
  if (lpType) *lpType = value->type;
  return rules::deliverData(value->type, value->data.data(), value->data.size(), lpData, lpcbData);
}

std::int32_t FakeRegistry::SetValueEx(RegKey hKey, std::u16string_view lpValueName,
                                      std::uint32_t dwType, const std::uint8_t* lpData,
                                      std::uint32_t cbData) {
  std::int32_t code = 0;
  Handle at;
  if (injected(Call::SetValueEx, code) || (code = resolve(hKey, at)) != 0) return code;
  if (readOnly || !(at.access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
  std::uint32_t size = 0;
  if ((code = rules::checkValueName(lpValueName)) != 0 ||
      (code = rules::dataToStore(dwType, lpData, cbData, size)) != 0) {
    return code;
  }
  const auto folded = rules::fold(lpValueName);
  std::vector<std::uint8_t> data(lpData, lpData + size);
  if (auto value = at.node->value(folded); value != at.node->values.end()) {
    value->type = dwType;
    value->data = std::move(data);
  } else {
    at.node->values.push_back({std::u16string(lpValueName), folded, dwType, std::move(data)});
  }
  at.node->written = rules::fileTimeNow();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteKey(RegKey hKey, std::u16string_view lpSubKey) {
  std::int32_t code = 0;
  Handle at;
  std::vector<std::u16string> names;
  if (injected(Call::DeleteKey, code) || (code = resolve(hKey, at)) != 0 ||
      (code = rules::splitSubKey(lpSubKey, names)) != 0) {
    return code;
  }
  std::shared_ptr<Node> parent;
  for (const auto& name : names) {
    parent = at.node;
    if (!(at.node = at.node->child(rules::fold(name)))) return platform::kErrorFileNotFound;
  }
  if (readOnly || !parent || !at.node->children.empty()) return platform::kErrorAccessDenied;
  parent->children.erase(std::find(parent->children.begin(), parent->children.end(), at.node));
  at.node->deleted = true;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteValue(RegKey hKey, std::u16string_view lpValueName) {
  std::int32_t code = 0;
  Handle at;
  if (injected(Call::DeleteValue, code) || (code = resolve(hKey, at)) != 0) return code;
  if (readOnly || !(at.access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  const auto value = at.node->value(rules::fold(lpValueName));
  if (value == at.node->values.end()) return platform::kErrorFileNotFound;
  at.node->values.erase(value);
  at.node->written = rules::fileTimeNow();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                                     std::uint32_t* lpcchValueName, std::uint32_t* lpType,
                                     std::uint8_t* lpData, std::uint32_t* lpcbData) {
  std::int32_t code = 0;
  Handle at;
  if (injected(Call::EnumValue, code) || (code = resolve(hKey, at)) != 0) return code;
  if (!(at.access & platform::kKeyQueryValue)) return platform::kErrorAccessDenied;
  if (dwIndex >= at.node->values.size()) return platform::kErrorNoMoreItems;
  const auto& value = at.node->values[dwIndex];
  if (lpType) *lpType = value.type;
  if ((code = rules::deliverName(value.name, lpValueName, lpcchValueName)) != 0) {
    if (code == platform::kErrorMoreData && lpcbData) {
      *lpcbData = static_cast<std::uint32_t>(value.data.size());
    }
    return code;
  }
  return rules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t FakeRegistry::EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                                     std::uint32_t* lpcchName, char16_t* lpClass,
                                     std::uint32_t* lpcchClass, std::uint64_t* lpftLastWriteTime) {
  std::int32_t code = 0;
  Handle at;
  if (injected(Call::EnumKeyEx, code) || (code = resolve(hKey, at)) != 0) return code;
  if (!(at.access & platform::kKeyEnumerateSubKeys)) return platform::kErrorAccessDenied;
  if (dwIndex >= at.node->children.size()) return platform::kErrorNoMoreItems;
  const auto& child = *at.node->children[dwIndex];
  if ((code = rules::deliverName(child.name, lpName, lpcchName)) != 0 ||
      (lpClass && (code = rules::deliverName(child.className, lpClass, lpcchClass)) != 0)) {
    return code;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = child.written;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CloseKey(RegKey hKey) {
  std::int32_t code = 0;
  if (injected(Call::CloseKey, code)) return code;
  if (rules::rootIndex(hKey) >= 0) return platform::kErrorSuccess;
  return handles_.erase(hKey) == 1 ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

std::int32_t FakeRegistry::BeginTransaction() {
  if (snapshot_) return platform::kErrorInvalidParameter;
  snapshot_ = std::make_unique<std::array<std::shared_ptr<Node>, 4>>();
  for (std::size_t i = 0; i < 4; ++i) (*snapshot_)[i] = clone(*roots_[i]);
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CommitTransaction() {
  if (!snapshot_) return platform::kErrorInvalidParameter;
  snapshot_.reset();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::RollbackTransaction() {
  if (!snapshot_) return platform::kErrorInvalidParameter;
  roots_ = *snapshot_;
  snapshot_.reset();
  // Open handles follow their keys into the restored tree; a handle to a key
  // that did not exist before the transaction now names a deleted key.
  for (auto& [handle, at] : handles_) {
    if (at.node->deleted) continue;
    at.node = roots_[at.root];
    for (const auto& fold : at.path) {
      if (!(at.node = at.node->child(fold))) break;
    }
    if (!at.node) {
      at.node = std::make_shared<Node>();
      at.node->deleted = true;
    }
  }
  return platform::kErrorSuccess;
}

}  // namespace sigpatch::fakes
