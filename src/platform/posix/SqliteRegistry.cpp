#include "platform/posix/SqliteRegistry.h"

#include "platform/RegistryRules.h"

namespace sigpatch::platform::posix {

SqliteRegistry::SqliteRegistry(const StoreLocations& locations, StoreOptions options)
    : machine_(std::make_unique<SqliteStore>(locations.machine, options)) {
  if (!locations.SingleFile()) user_ = std::make_unique<SqliteStore>(locations.user, options);
}

SqliteRegistry::~SqliteRegistry() {
  if (inTransaction_) RollbackTransaction();
}

std::u16string SqliteRegistry::Diagnostic() const {
  if (!machine_->Diagnostic().empty()) return machine_->Diagnostic();
  return user_ ? user_->Diagnostic() : std::u16string();
}

std::vector<SqliteRegistry::StoreReport> SqliteRegistry::CheckWhole() {
  std::vector<StoreReport> reports;
  for (SqliteStore* store : {machine_.get(), user_.get()}) {
    if (!store) continue;
    const auto check = store->CheckWhole();
    reports.push_back({store->Path(), check, check.result == 0 ? u"" : store->Diagnostic()});
  }
  return reports;
}

std::int32_t SqliteRegistry::resolve(RegKey hKey, Handle& handle) {
  if (const int root = regrules::rootIndex(hKey); root >= 0) {
    handle.store = (root == 1 && user_) ? user_.get() : machine_.get();
    handle.id = SqliteStore::rootId(root);
    // The predefined keys give what the store allows, as the system's do.
    handle.access = handle.store->Writable() ? kKeyAllAccess : kKeyRead;
    handle.root = true;
    return kErrorSuccess;
  }
  const auto it = handles_.find(hKey);
  if (it == handles_.end()) return kErrorInvalidHandle;
  handle = it->second;
  return kErrorSuccess;
}

std::int32_t SqliteRegistry::validate(const Handle& handle) {
  if (handle.root) return kErrorSuccess;
  bool exists = false;
  if (const auto code = handle.store->KeyExists(handle.id, exists); code != 0) return code;
  return exists ? kErrorSuccess : kErrorKeyDeleted;
}

std::int32_t SqliteRegistry::walk(const Handle& from, const std::vector<std::u16string>& names,
                                  SqliteStore::KeyId& id) {
  id = from.id;
  for (const auto& name : names) {
    if (const auto code = from.store->FindChild(id, name, id); code != 0) return code;
  }
  return kErrorSuccess;
}

RegKey SqliteRegistry::addHandle(SqliteStore* store, SqliteStore::KeyId id, std::uint32_t access) {
  const RegKey handle = nextHandle_;
  nextHandle_ += 4;
  // A handle of a root stands for the root also before its store file exists.
  handles_[handle] = {store, id, access, SqliteStore::isRoot(id)};
  return handle;
}

std::int32_t SqliteRegistry::OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t,
                                       std::uint32_t samDesired, RegKey& phkResult) {
  phkResult = 0;
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  std::vector<std::u16string> names;
  if (const auto code = regrules::splitOpenPath(hKey, lpSubKey, names); code != 0) return code;
  SqliteStore::KeyId id = handle.id;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return walk(handle, names, id);
  });
  if (code == SqliteStore::kMissing) {
    code = handle.root ? (names.empty() ? kErrorSuccess : kErrorFileNotFound) : kErrorKeyDeleted;
  }
  if (code != 0) return code;
  std::uint32_t granted = 0;
  if (const auto c = regrules::grantedAccess(samDesired, handle.store->Writable(), granted);
      c != 0) {
    return c;
  }
  phkResult = addHandle(handle.store, id, granted);
  return kErrorSuccess;
}

std::int32_t SqliteRegistry::CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey,
                                         std::u16string_view lpClass, std::uint32_t dwOptions,
                                         std::uint32_t samDesired, RegKey& phkResult,
                                         std::uint32_t* lpdwDisposition) {
  phkResult = 0;
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  std::vector<std::u16string> names;
  if (const auto code = regrules::splitSubKey(lpSubKey, names); code != 0) return code;
  if (dwOptions != kRegOptionNonVolatile) return kErrorInvalidParameter;
  // An existing key is opened without writing, also in a store that may only be read.
  SqliteStore::KeyId id = handle.id;
  bool found = false;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    const auto c = walk(handle, names, id);
    found = c == 0;
    return c == kErrorFileNotFound ? kErrorSuccess : c;
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorSuccess : kErrorKeyDeleted;
  if (code != 0) return code;
  std::uint32_t granted = 0;
  if (const auto c = regrules::grantedAccess(samDesired, handle.store->Writable(), granted);
      c != 0) {
    return c;
  }
  bool created = false;
  if (!found) {
    code = handle.store->Write([&] {
      created = false;
      if (const auto c = validate(handle); c != 0) return c;
      SqliteStore::KeyId at = handle.id;
      std::int64_t depth = 0;
      if (const auto c = handle.store->KeyDepth(at, depth); c != 0) return c;
      std::size_t i = 0;
      for (; i < names.size(); ++i) {
        SqliteStore::KeyId next = 0;
        const auto c = handle.store->FindChild(at, names[i], next);
        if (c == kErrorFileNotFound) break;
        if (c != 0) return c;
        at = next;
        ++depth;
      }
      if (depth + static_cast<std::int64_t>(names.size() - i) >
          static_cast<std::int64_t>(kMaxKeyDepth)) {
        return kErrorInvalidParameter;
      }
      for (; i < names.size(); ++i) {
        SqliteStore::KeyId next = 0;
        const auto className = i + 1 == names.size() ? lpClass : std::u16string_view();
        if (const auto c = handle.store->CreateChild(at, depth + 1, names[i], className, next);
            c != 0) {
          return c;
        }
        at = next;
        ++depth;
        created = true;
      }
      id = at;
      return kErrorSuccess;
    });
    if (code != 0) return code;
  }
  if (lpdwDisposition) *lpdwDisposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  phkResult = addHandle(handle.store, id, granted);
  return kErrorSuccess;
}

std::int32_t SqliteRegistry::QueryValueEx(RegKey hKey, std::u16string_view lpValueName,
                                          std::uint32_t* lpType, std::uint8_t* lpData,
                                          std::uint32_t* lpcbData) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  if (!(handle.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (const auto code = regrules::checkValueName(lpValueName); code != 0) return code;
  SqliteStore::Value value;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->FindValue(handle.id, lpValueName, value);
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorFileNotFound : kErrorKeyDeleted;
  if (code == kErrorFileNotFound && lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
  if (code != 0) return code;
  if (lpType) *lpType = value.type;
  return regrules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t SqliteRegistry::GetValue(RegKey hKey, std::u16string_view lpSubKey,
                                      std::u16string_view lpValueName, std::uint32_t* lpType,
                                      std::uint8_t* lpData, std::uint32_t* lpcbData) {
  // Reading a sub-key needs no more than opening it for reading, which is
  // always granted.
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  // A path found before is known to be sound; it is split only when walked.
  std::vector<std::u16string> names;
  if (!handle.store->IsKept(handle.id, lpSubKey)) {
    if (const auto code = regrules::splitOpenPath(hKey, lpSubKey, names); code != 0) return code;
  }
  if (const auto code = regrules::checkValueName(lpValueName); code != 0) return code;
  SqliteStore::Value value;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    SqliteStore::KeyId id = handle.id;
    if (!handle.store->FindKept(handle.id, lpSubKey, id)) {
      if (names.empty()) regrules::splitOpenPath(hKey, lpSubKey, names);
      if (const auto c = walk(handle, names, id); c != 0) return c;
      handle.store->Keep(handle.id, lpSubKey, id);
    }
    return handle.store->FindValue(id, lpValueName, value);
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorFileNotFound : kErrorKeyDeleted;
  if (code == kErrorFileNotFound && lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
  if (code != 0) return code;
  if (lpType) *lpType = value.type;
  return regrules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t SqliteRegistry::SetValueEx(RegKey hKey, std::u16string_view lpValueName,
                                        std::uint32_t dwType, const std::uint8_t* lpData,
                                        std::uint32_t cbData) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  if (!(handle.access & kKeySetValue)) return kErrorAccessDenied;
  if (const auto code = regrules::checkValueName(lpValueName); code != 0) return code;
  std::uint32_t size = 0;
  if (const auto code = regrules::dataToStore(dwType, lpData, cbData, size); code != 0) {
    return code;
  }
  return handle.store->Write([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->SetValue(handle.id, lpValueName, dwType, lpData, size);
  });
}

std::int32_t SqliteRegistry::DeleteKey(RegKey hKey, std::u16string_view lpSubKey) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  std::vector<std::u16string> names;
  if (const auto code = regrules::splitSubKey(lpSubKey, names); code != 0) return code;
  SqliteStore::KeyId id = handle.id;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return walk(handle, names, id);
  });
  if (code == SqliteStore::kMissing) {
    code =
        handle.root ? (names.empty() ? kErrorAccessDenied : kErrorFileNotFound) : kErrorKeyDeleted;
  }
  if (code != 0) return code;
  if (SqliteStore::isRoot(id)) return kErrorAccessDenied;
  return handle.store->Write([&] {
    if (const auto c = validate(handle); c != 0) return c;
    if (const auto c = walk(handle, names, id); c != 0) return c;
    if (SqliteStore::isRoot(id)) return kErrorAccessDenied;
    bool children = false;
    if (const auto c = handle.store->HasChildren(id, children); c != 0) return c;
    if (children) return kErrorAccessDenied;
    return handle.store->DeleteKey(id);
  });
}

std::int32_t SqliteRegistry::DeleteValue(RegKey hKey, std::u16string_view lpValueName) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  if (!(handle.access & kKeySetValue)) return kErrorAccessDenied;
  if (const auto code = regrules::checkValueName(lpValueName); code != 0) return code;
  SqliteStore::Value value;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->FindValue(handle.id, lpValueName, value);
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorFileNotFound : kErrorKeyDeleted;
  if (code != 0) return code;
  return handle.store->Write([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->DeleteValue(handle.id, lpValueName);
  });
}

std::int32_t SqliteRegistry::EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                                       std::uint32_t* lpcchValueName, std::uint32_t* lpType,
                                       std::uint8_t* lpData, std::uint32_t* lpcbData) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  if (!(handle.access & kKeyQueryValue)) return kErrorAccessDenied;
  SqliteStore::Value value;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->ValueAt(handle.id, dwIndex, value);
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorNoMoreItems : kErrorKeyDeleted;
  if (code != 0) return code;
  if (lpType) *lpType = value.type;
  if (const auto c = regrules::deliverName(value.name, lpValueName, lpcchValueName); c != 0) {
    if (c == kErrorMoreData && lpcbData) *lpcbData = static_cast<std::uint32_t>(value.data.size());
    return c;
  }
  return regrules::deliverData(value.type, value.data.data(), value.data.size(), lpData, lpcbData);
}

std::int32_t SqliteRegistry::EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                                       std::uint32_t* lpcchName, char16_t* lpClass,
                                       std::uint32_t* lpcchClass,
                                       std::uint64_t* lpftLastWriteTime) {
  Handle handle;
  if (const auto code = resolve(hKey, handle); code != 0) return code;
  if (!(handle.access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  SqliteStore::Child child;
  auto code = handle.store->Read([&] {
    if (const auto c = validate(handle); c != 0) return c;
    return handle.store->ChildAt(handle.id, dwIndex, child);
  });
  if (code == SqliteStore::kMissing) code = handle.root ? kErrorNoMoreItems : kErrorKeyDeleted;
  if (code != 0) return code;
  if (const auto c = regrules::deliverName(child.name, lpName, lpcchName); c != 0) return c;
  if (lpClass) {
    if (const auto c = regrules::deliverName(child.className, lpClass, lpcchClass); c != 0) {
      return c;
    }
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = child.written;
  return kErrorSuccess;
}

std::int32_t SqliteRegistry::CloseKey(RegKey hKey) {
  if (regrules::rootIndex(hKey) >= 0) return kErrorSuccess;
  return handles_.erase(hKey) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

std::int32_t SqliteRegistry::BeginTransaction() {
  if (inTransaction_) return kErrorInvalidParameter;
  inTransaction_ = true;
  machine_->BeginTransaction();
  if (user_) user_->BeginTransaction();
  return kErrorSuccess;
}

std::int32_t SqliteRegistry::CommitTransaction() {
  if (!inTransaction_) return kErrorInvalidParameter;
  inTransaction_ = false;
  auto code = machine_->CommitTransaction();
  if (user_) {
    if (code != 0) {
      user_->RollbackTransaction();
    } else {
      code = user_->CommitTransaction();
    }
  }
  return code;
}

std::int32_t SqliteRegistry::RollbackTransaction() {
  if (!inTransaction_) return kErrorInvalidParameter;
  inTransaction_ = false;
  machine_->RollbackTransaction();
  if (user_) user_->RollbackTransaction();
  return kErrorSuccess;
}

}  // namespace sigpatch::platform::posix
