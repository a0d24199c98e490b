#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"
#include "platform/RegistryTransactions.h"
#include "platform/posix/SqliteStore.h"
#include "platform/posix/StoreLocations.h"

namespace sigpatch::platform::posix {

/// The registry functions over SQLite store files: HKEY_CURRENT_USER in the
/// user's file, the other roots in the machine-wide file (or all four in one
/// file). Behaves as the system's registry does where a caller can see it;
/// see RegistryApi. One object serves one thread.
class SqliteRegistry : public RegistryApi, public RegistryTransactions {
 public:
  explicit SqliteRegistry(const StoreLocations& locations, StoreOptions options = {});
  ~SqliteRegistry() override;

  std::int32_t OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t ulOptions,
                         std::uint32_t samDesired, RegKey& phkResult) override;
  std::int32_t CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::u16string_view lpClass,
                           std::uint32_t dwOptions, std::uint32_t samDesired, RegKey& phkResult,
                           std::uint32_t* lpdwDisposition) override;
  std::int32_t QueryValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t* lpType,
                            std::uint8_t* lpData, std::uint32_t* lpcbData) override;
  std::int32_t SetValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t dwType,
                          const std::uint8_t* lpData, std::uint32_t cbData) override;
  std::int32_t DeleteKey(RegKey hKey, std::u16string_view lpSubKey) override;
  std::int32_t DeleteValue(RegKey hKey, std::u16string_view lpValueName) override;
  std::int32_t EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                         std::uint32_t* lpcchValueName, std::uint32_t* lpType, std::uint8_t* lpData,
                         std::uint32_t* lpcbData) override;
  std::int32_t EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                         std::uint32_t* lpcchName, char16_t* lpClass, std::uint32_t* lpcchClass,
                         std::uint64_t* lpftLastWriteTime) override;
  std::int32_t CloseKey(RegKey hKey) override;
  /// In one read of the store.
  std::int32_t GetValue(RegKey hKey, std::u16string_view lpSubKey,
                        std::u16string_view lpValueName, std::uint32_t* lpType,
                        std::uint8_t* lpData, std::uint32_t* lpcbData) override;

  /// A transaction is atomic within each store file; a change of HKEY_CURRENT_USER
  /// and of another root in one transaction is committed file by file.
  std::int32_t BeginTransaction() override;
  std::int32_t CommitTransaction() override;
  std::int32_t RollbackTransaction() override;

  /// What is wrong with a store file (damaged, on a network file system, not
  /// writable ...), one line naming the file; empty when nothing is.
  std::u16string Diagnostic() const;

  /// A check of a whole store file (SqliteStore::CheckWhole) and what is wrong
  /// with it.
  struct StoreReport {
    std::string path;
    SqliteStore::WholeCheck check;
    std::u16string diagnostic;
  };
  /// Checks every store file whole: the machine's, and the user's when it is another.
  std::vector<StoreReport> CheckWhole();

 private:
  struct Handle {
    SqliteStore* store = nullptr;
    SqliteStore::KeyId id = 0;
    std::uint32_t access = 0;
    bool root = false;
  };

  std::int32_t resolve(RegKey hKey, Handle& handle);
  std::int32_t validate(const Handle& handle);
  std::int32_t walk(const Handle& from, const std::vector<std::u16string>& names,
                    SqliteStore::KeyId& id);
  RegKey addHandle(SqliteStore* store, SqliteStore::KeyId id, std::uint32_t access);

  std::unique_ptr<SqliteStore> machine_;
  std::unique_ptr<SqliteStore> user_;  // null when one file holds every root
  std::map<RegKey, Handle> handles_;
  RegKey nextHandle_ = 0x1000;
  bool inTransaction_ = false;
};

}  // namespace sigpatch::platform::posix
