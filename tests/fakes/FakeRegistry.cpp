#include "fakes/FakeRegistry.h"

#include <algorithm>

#include "platform/RegistryRules.h"

namespace sigpatch::fakes {

using platform::RegKey;
namespace rules = platform::regrules;

struct FakeRegistry::Node {
  struct Value {
    std::u16string name;
    std::u16string fold;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };

  std::u16string name;
  std::u16string fold;
  std::u16string className;
  std::uint64_t written = 0;
  Node* parent = nullptr;
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
  Value* value(const std::u16string& folded) {
    for (auto& v : values) {
      if (v.fold == folded) return &v;
    }
    return nullptr;
  }
};

namespace {

using Node = FakeRegistry::Node;

std::shared_ptr<Node> clone(const Node& node, Node* parent) {
  auto copy = std::make_shared<Node>();
  copy->name = node.name;
  copy->fold = node.fold;
  copy->className = node.className;
  copy->written = node.written;
  copy->parent = parent;
  copy->depth = node.depth;
  copy->values = node.values;
  for (const auto& c : node.children) copy->children.push_back(clone(*c, copy.get()));
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
  auto& pending = failures_[call];
  bool hit = false;
  for (auto it = pending.begin(); it != pending.end();) {
    if (--it->first == 0) {
      code = it->second;
      hit = true;
      it = pending.erase(it);
    } else {
      ++it;
    }
  }
  return hit;
}

std::int32_t FakeRegistry::resolve(RegKey hKey, std::shared_ptr<Node>& node,
                                   std::uint32_t* access) {
  const int root = platform::regrules::rootIndex(hKey);
  if (root >= 0) {
    node = roots_[static_cast<std::size_t>(root)];
    if (access) *access = platform::kKeyAllAccess;
    return platform::kErrorSuccess;
  }
  const auto it = handles_.find(hKey);
  if (it == handles_.end()) return platform::kErrorInvalidHandle;
  node = it->second.node;
  if (access) *access = it->second.access;
  return node->deleted ? platform::kErrorKeyDeleted : platform::kErrorSuccess;
}

RegKey FakeRegistry::addHandle(std::shared_ptr<Node> node, std::uint32_t access) {
  const RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = {std::move(node), access};
  return handle;
}

std::int32_t FakeRegistry::OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t,
                                     std::uint32_t samDesired, RegKey& phkResult) {
  openAccess.push_back(samDesired);
  phkResult = 0;
  std::int32_t code = 0;
  if (injected(Call::OpenKeyEx, code)) return code;
  std::shared_ptr<Node> node;
  if ((code = resolve(hKey, node)) != 0) return code;
  std::vector<std::u16string> names;
  if ((code = rules::splitOpenPath(hKey, lpSubKey, names)) != 0) return code;
  for (const auto& name : names) {
    node = node->child(rules::fold(name));
    if (!node) return platform::kErrorFileNotFound;
  }
  std::uint32_t granted = 0;
  if ((code = rules::grantedAccess(samDesired, !readOnly, granted)) != 0) return code;
  phkResult = addHandle(node, granted);
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                       std::u16string_view lpClass, std::uint32_t dwOptions,
                                       std::uint32_t samDesired, RegKey& phkResult,
                                       std::uint32_t* lpdwDisposition) {
  phkResult = 0;
  std::int32_t code = 0;
  if (injected(Call::CreateKeyEx, code)) return code;
  std::shared_ptr<Node> node;
  if ((code = resolve(hKey, node)) != 0) return code;
  std::vector<std::u16string> names;
  if ((code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  if (dwOptions != platform::kRegOptionNonVolatile) return platform::kErrorInvalidParameter;
  std::size_t found = 0;
  for (; found < names.size(); ++found) {
    auto next = node->child(rules::fold(names[found]));
    if (!next) break;
    node = next;
  }
  std::uint32_t granted = 0;
  if ((code = rules::grantedAccess(samDesired, !readOnly, granted)) != 0) return code;
  const bool creates = found < names.size();
  if (creates) {
    if (readOnly) return platform::kErrorAccessDenied;
    if (node->depth + (names.size() - found) > platform::kMaxKeyDepth) {
      return platform::kErrorInvalidParameter;
    }
    for (; found < names.size(); ++found) {
      auto created = std::make_shared<Node>();
      created->name = names[found];
      created->fold = rules::fold(names[found]);
      created->parent = node.get();
      created->depth = node->depth + 1;
      created->written = rules::fileTimeNow();
      if (found + 1 == names.size()) created->className = std::u16string(lpClass);
      auto& siblings = node->children;
      const auto at = std::lower_bound(
          siblings.begin(), siblings.end(), created->fold,
          [](const std::shared_ptr<Node>& n, const std::u16string& f) { return n->fold < f; });
      siblings.insert(at, created);
      node = created;
    }
  }
  if (lpdwDisposition) {
    *lpdwDisposition = creates ? platform::kRegCreatedNewKey : platform::kRegOpenedExistingKey;
  }
  phkResult = addHandle(node, granted);
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::QueryValueEx(RegKey hKey, std::u16string_view lpValueName,
                                        std::uint32_t* lpType, std::uint8_t* lpData,
                                        std::uint32_t* lpcbData) {
  std::int32_t code = 0;
  if (injected(Call::QueryValueEx, code)) return code;
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if ((code = resolve(hKey, node, &access)) != 0) return code;
  if (!(access & platform::kKeyQueryValue)) return platform::kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  const auto* value = node->value(rules::fold(lpValueName));
  if (!value) {
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
  if (injected(Call::SetValueEx, code)) return code;
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if ((code = resolve(hKey, node, &access)) != 0) return code;
  if (readOnly || !(access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  std::uint32_t size = 0;
  if ((code = rules::dataToStore(dwType, lpData, cbData, size)) != 0) return code;
  const auto folded = rules::fold(lpValueName);
  std::vector<std::uint8_t> data(lpData, lpData + size);
  if (auto* value = node->value(folded)) {
    value->type = dwType;
    value->data = std::move(data);
  } else {
    node->values.push_back({std::u16string(lpValueName), folded, dwType, std::move(data)});
  }
  node->written = rules::fileTimeNow();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteKey(RegKey hKey, std::u16string_view lpSubKey) {
  std::int32_t code = 0;
  if (injected(Call::DeleteKey, code)) return code;
  std::shared_ptr<Node> node;
  if ((code = resolve(hKey, node)) != 0) return code;
  std::vector<std::u16string> names;
  if ((code = rules::splitSubKey(lpSubKey, names)) != 0) return code;
  for (const auto& name : names) {
    node = node->child(rules::fold(name));
    if (!node) return platform::kErrorFileNotFound;
  }
  if (readOnly || node->parent == nullptr || !node->children.empty()) {
    return platform::kErrorAccessDenied;
  }
  auto& siblings = node->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->deleted = true;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::DeleteValue(RegKey hKey, std::u16string_view lpValueName) {
  std::int32_t code = 0;
  if (injected(Call::DeleteValue, code)) return code;
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if ((code = resolve(hKey, node, &access)) != 0) return code;
  if (readOnly || !(access & platform::kKeySetValue)) return platform::kErrorAccessDenied;
  if ((code = rules::checkValueName(lpValueName)) != 0) return code;
  const auto folded = rules::fold(lpValueName);
  const auto it = std::find_if(node->values.begin(), node->values.end(),
                               [&](const Node::Value& v) { return v.fold == folded; });
  if (it == node->values.end()) return platform::kErrorFileNotFound;
  node->values.erase(it);
  node->written = rules::fileTimeNow();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                                     std::uint32_t* lpcchValueName, std::uint32_t* lpType,
                                     std::uint8_t* lpData, std::uint32_t* lpcbData) {
  std::int32_t code = 0;
  if (injected(Call::EnumValue, code)) return code;
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if ((code = resolve(hKey, node, &access)) != 0) return code;
  if (!(access & platform::kKeyQueryValue)) return platform::kErrorAccessDenied;
  if (dwIndex >= node->values.size()) return platform::kErrorNoMoreItems;
  const auto& value = node->values[dwIndex];
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
  if (injected(Call::EnumKeyEx, code)) return code;
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if ((code = resolve(hKey, node, &access)) != 0) return code;
  if (!(access & platform::kKeyEnumerateSubKeys)) return platform::kErrorAccessDenied;
  if (dwIndex >= node->children.size()) return platform::kErrorNoMoreItems;
  const auto& child = *node->children[dwIndex];
  if ((code = rules::deliverName(child.name, lpName, lpcchName)) != 0) return code;
  if (lpClass && (code = rules::deliverName(child.className, lpClass, lpcchClass)) != 0) {
    return code;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = child.written;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CloseKey(RegKey hKey) {
  std::int32_t code = 0;
  if (injected(Call::CloseKey, code)) return code;
  if (platform::regrules::rootIndex(hKey) >= 0) return platform::kErrorSuccess;
  return handles_.erase(hKey) == 1 ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

std::int32_t FakeRegistry::BeginTransaction() {
  if (snapshot_) return platform::kErrorInvalidParameter;
  snapshot_ = std::make_unique<std::array<std::shared_ptr<Node>, 4>>();
  for (std::size_t i = 0; i < 4; ++i) (*snapshot_)[i] = clone(*roots_[i], nullptr);
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::CommitTransaction() {
  if (!snapshot_) return platform::kErrorInvalidParameter;
  snapshot_.reset();
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::RollbackTransaction() {
  if (!snapshot_) return platform::kErrorInvalidParameter;
  // Open handles follow their keys into the restored tree by path; a handle to a
  // key that did not exist before the transaction now names a deleted key.
  struct Path {
    std::size_t root = 0;
    std::vector<std::u16string> folds;
    bool valid = false;
  };
  std::map<RegKey, Path> paths;
  for (const auto& [handle, entry] : handles_) {
    Path path;
    const Node* n = entry.node.get();
    if (!entry.node->deleted) {
      while (n->parent) {
        path.folds.insert(path.folds.begin(), n->fold);
        n = n->parent;
      }
      for (std::size_t i = 0; i < 4; ++i) {
        if (roots_[i].get() == n) {
          path.root = i;
          path.valid = true;
        }
      }
    }
    paths[handle] = path;
  }
  roots_ = *snapshot_;
  snapshot_.reset();
  for (auto& [handle, entry] : handles_) {
    const auto& path = paths[handle];
    std::shared_ptr<Node> node = path.valid ? roots_[path.root] : nullptr;
    for (const auto& f : path.folds) {
      if (!node) break;
      node = node->child(f);
    }
    if (!node) {
      node = std::make_shared<Node>();
      node->deleted = true;
    }
    entry.node = node;
  }
  return platform::kErrorSuccess;
}

}  // namespace sigpatch::fakes
