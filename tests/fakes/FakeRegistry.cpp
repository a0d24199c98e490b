#include "fakes/FakeRegistry.h"

#include <algorithm>

#include "platform/RegistryRules.h"

namespace sigpatch::fakes {

namespace rules = platform::regrules;
using namespace platform;
using Key = RegKey;

struct FakeRegistry::Node {
  struct Value {
    std::u16string name, fold;
    U32 type = 0;
    std::vector<std::uint8_t> data;
  };
  std::u16string name, fold, className;
  std::uint64_t written = rules::fileTimeNow();
  std::size_t depth = 0;
  bool deleted = false;
  std::vector<std::shared_ptr<Node>> children;  // in the order of their folded names
  std::vector<Value> values;                    // in the order they were first written

  std::shared_ptr<Node> child(Name wanted) const {
    const auto folded = rules::fold(wanted);
    for (const auto& c : children) {
      if (c->fold == folded) return c;
    }
    return nullptr;
  }
  std::vector<Value>::iterator value(Name wanted) {
    return std::find_if(values.begin(), values.end(),
                        [&](auto& v) { return v.fold == rules::fold(wanted); });
  }
  void adopt(const std::shared_ptr<Node>& c) {
    children.insert(std::lower_bound(children.begin(), children.end(), c,
                                     [](auto& a, auto& b) { return a->fold < b->fold; }),
                    c);
  }
};

FakeRegistry::FakeRegistry() {
  for (auto& root : roots_) root = std::make_shared<Node>();
}

FakeRegistry::~FakeRegistry() = default;

void FakeRegistry::FailCall(Call call, std::int32_t code, int nth) {
  failures_[call].push_back({nth, code});
}

// The key a handle names, with the access it grants, unless the test made the
// call fail.
std::int32_t FakeRegistry::enter(Call call, Key hKey, Handle& at) {
  ++calls[call];
  std::int32_t code = kErrorSuccess;
  auto& pending = failures_[call];
  for (auto& [left, failure] : pending) {
    if (--left == 0) code = failure;
  }
  std::erase_if(pending, [](auto& p) { return p.first <= 0; });
  if (code != kErrorSuccess) return code;
  if (const int root = rules::rootIndex(hKey); root >= 0) {
    at = {roots_[root], kKeyAllAccess};
    return kErrorSuccess;
  }
  const auto it = handles_.find(hKey);
  if (it == handles_.end()) return kErrorInvalidHandle;
  at = it->second;
  return at.node->deleted ? kErrorKeyDeleted : kErrorSuccess;
}

Key FakeRegistry::open(Handle at) {
  handles_[nextHandle_ += 4] = std::move(at);
  return nextHandle_;
}

void FakeRegistry::journal(std::function<void()> undo) {
  if (undo_) undo_->push_back(std::move(undo));
}

std::int32_t FakeRegistry::OpenKeyEx(Key hKey, Name lpSubKey, U32, U32 samDesired, Key& phkResult) {
  phkResult = 0;
  Handle at;
  std::vector<std::u16string> names;
  std::int32_t code = enter(Call::OpenKeyEx, hKey, at);
  if (code != 0 || (code = rules::splitOpenPath(hKey, lpSubKey, names)) != 0) return code;
  for (const auto& name : names) {
    if (!(at.node = at.node->child(name))) return kErrorFileNotFound;
  }
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  phkResult = open(at);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CreateKeyEx(Key hKey, Name lpSubKey, Name lpClass, U32 dwOptions,
                                       U32 samDesired, Key& phkResult, U32* lpdwDisposition) {
  phkResult = 0;
  Handle at;
  std::vector<std::u16string> names;
  std::int32_t code = enter(Call::CreateKeyEx, hKey, at);
  if (code != 0 || (code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  if (dwOptions != kRegOptionNonVolatile) return kErrorInvalidParameter;
  std::size_t found = 0;
  for (; found < names.size() && at.node->child(names[found]); ++found) {
    at.node = at.node->child(names[found]);
  }
  if ((code = rules::grantedAccess(samDesired, !readOnly, at.access)) != 0) return code;
  const bool creates = found < names.size();
  if (creates && readOnly) return kErrorAccessDenied;
  if (at.node->depth + (names.size() - found) > kMaxKeyDepth) return kErrorInvalidParameter;
  for (; found < names.size(); ++found) {
    auto created = std::make_shared<Node>();
    created->name = names[found];
    created->fold = rules::fold(names[found]);
    created->depth = at.node->depth + 1;
    if (found + 1 == names.size()) created->className = lpClass;
    at.node->adopt(created);
    journal([parent = at.node, created] {
      std::erase(parent->children, created);
      created->deleted = true;
    });
    at.node = created;
  }
  if (lpdwDisposition) *lpdwDisposition = creates ? kRegCreatedNewKey : kRegOpenedExistingKey;
  phkResult = open(at);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::QueryValueEx(Key hKey, Name lpValueName, U32* lpType,
                                        std::uint8_t* lpData, U32* lpcbData) {
  Handle at;
  if (const auto code = enter(Call::QueryValueEx, hKey, at)) return code;
  if (!(at.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (const auto code = rules::checkValueName(lpValueName)) return code;
  const auto value = at.node->value(lpValueName);
  if (value == at.node->values.end()) {
    if (lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
    return kErrorFileNotFound;
  }
  if (lpType) *lpType = value->type;
  return rules::deliverData(value->type, value->data.data(), value->data.size(), lpData, lpcbData);
}

std::int32_t FakeRegistry::SetValueEx(Key hKey, Name lpValueName, U32 dwType,
                                      const std::uint8_t* lpData, U32 cbData) {
  Handle at;
  U32 size = 0;
  if (const auto code = enter(Call::SetValueEx, hKey, at)) return code;
  if (readOnly || !(at.access & kKeySetValue)) return kErrorAccessDenied;
  if (const auto code = rules::checkValueName(lpValueName)) return code;
  if (const auto code = rules::dataToStore(dwType, lpData, cbData, size)) return code;
  journal([node = at.node, values = at.node->values] { node->values = values; });
  std::vector<std::uint8_t> data(lpData, lpData + size);
  if (auto value = at.node->value(lpValueName); value != at.node->values.end()) {
    value->type = dwType;
    value->data = std::move(data);
  } else {
    at.node->values.push_back(
        {std::u16string(lpValueName), rules::fold(lpValueName), dwType, data});
  }
  at.node->written = rules::fileTimeNow();
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteKey(Key hKey, Name lpSubKey) {
  Handle at;
  std::vector<std::u16string> names;
  std::int32_t code = enter(Call::DeleteKey, hKey, at);
  if (code != 0 || (code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  std::shared_ptr<Node> parent;
  for (const auto& name : names) {
    parent = at.node;
    if (!(at.node = at.node->child(name))) return kErrorFileNotFound;
  }
  if (readOnly || !parent || !at.node->children.empty()) return kErrorAccessDenied;
  std::erase(parent->children, at.node);
  at.node->deleted = true;
  journal([parent, node = at.node] {
    node->deleted = false;
    parent->adopt(node);
  });
  return kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteValue(Key hKey, Name lpValueName) {
  Handle at;
  if (const auto code = enter(Call::DeleteValue, hKey, at)) return code;
  if (readOnly || !(at.access & kKeySetValue)) return kErrorAccessDenied;
  if (const auto code = rules::checkValueName(lpValueName)) return code;
  const auto value = at.node->value(lpValueName);
  if (value == at.node->values.end()) return kErrorFileNotFound;
  journal([node = at.node, values = at.node->values] { node->values = values; });
  at.node->values.erase(value);
  at.node->written = rules::fileTimeNow();
  return kErrorSuccess;
}

std::int32_t FakeRegistry::EnumValue(Key hKey, U32 dwIndex, char16_t* lpValueName,
                                     U32* lpcchValueName, U32* lpType, std::uint8_t* lpData,
                                     U32* lpcbData) {
  Handle at;
  if (const auto code = enter(Call::EnumValue, hKey, at)) return code;
  if (!(at.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (dwIndex >= at.node->values.size()) return kErrorNoMoreItems;
  const auto& value = at.node->values[dwIndex];
  if (lpType) *lpType = value.type;
  if (const auto code = rules::deliverName(value.name, lpValueName, lpcchValueName)) {
    if (code == kErrorMoreData && lpcbData) *lpcbData = static_cast<U32>(value.data.size());
    return code;
  }
  return rules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t FakeRegistry::EnumKeyEx(Key hKey, U32 dwIndex, char16_t* lpName, U32* lpcchName,
                                     char16_t* lpClass, U32* lpcchClass,
                                     std::uint64_t* lpftWritten) {
  Handle at;
  std::int32_t code = enter(Call::EnumKeyEx, hKey, at);
  if (code != 0) return code;
  if (!(at.access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  if (dwIndex >= at.node->children.size()) return kErrorNoMoreItems;
  const auto& child = *at.node->children[dwIndex];
  if ((code = rules::deliverName(child.name, lpName, lpcchName)) != 0 ||
      (lpClass && (code = rules::deliverName(child.className, lpClass, lpcchClass)) != 0)) {
    return code;
  }
  if (lpftWritten) *lpftWritten = child.written;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CloseKey(Key hKey) {
  Handle at;
  const auto code = enter(Call::CloseKey, hKey, at);
  if (code != kErrorSuccess && code != kErrorKeyDeleted) return code;
  return rules::rootIndex(hKey) >= 0 || handles_.erase(hKey) == 1 ? kErrorSuccess
                                                                  : kErrorInvalidHandle;
}

std::int32_t FakeRegistry::BeginTransaction() {
  if (undo_) return kErrorInvalidParameter;
  undo_ = std::make_unique<std::vector<std::function<void()>>>();
  return kErrorSuccess;
}

std::int32_t FakeRegistry::CommitTransaction() {
  if (!undo_) return kErrorInvalidParameter;
  undo_.reset();
  return kErrorSuccess;
}

// A handle to a key the transaction created then names a deleted key.
std::int32_t FakeRegistry::RollbackTransaction() {
  if (!undo_) return kErrorInvalidParameter;
  const auto undo = std::move(*undo_);
  undo_.reset();
  for (auto step = undo.rbegin(); step != undo.rend(); ++step) (*step)();
  return kErrorSuccess;
}

}  // namespace sigpatch::fakes
