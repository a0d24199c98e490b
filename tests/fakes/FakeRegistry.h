#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"
#include "platform/RegistryTransactions.h"

namespace sigpatch::fakes {

/// An in-memory registry with the system's rules (the same as the SQLite store's,
/// checked by one behaviour suite run against both), with failures a test injects.
class FakeRegistry : public platform::RegistryApi, public platform::RegistryTransactions {
 public:
  enum class Call {
    OpenKeyEx,
    CreateKeyEx,
    QueryValueEx,
    SetValueEx,
    DeleteKey,
    DeleteValue,
    EnumValue,
    EnumKeyEx,
    CloseKey
  };

  FakeRegistry();
  ~FakeRegistry() override;

  std::int32_t OpenKeyEx(platform::RegKey hKey, std::u16string_view lpSubKey,
                         std::uint32_t ulOptions, std::uint32_t samDesired,
                         platform::RegKey& phkResult) override;
  std::int32_t CreateKeyEx(platform::RegKey hKey, std::u16string_view lpSubKey,
                           std::u16string_view lpClass, std::uint32_t dwOptions,
                           std::uint32_t samDesired, platform::RegKey& phkResult,
                           std::uint32_t* lpdwDisposition) override;
  std::int32_t QueryValueEx(platform::RegKey hKey, std::u16string_view lpValueName,
                            std::uint32_t* lpType, std::uint8_t* lpData,
                            std::uint32_t* lpcbData) override;
  std::int32_t SetValueEx(platform::RegKey hKey, std::u16string_view lpValueName,
                          std::uint32_t dwType, const std::uint8_t* lpData,
                          std::uint32_t cbData) override;
  std::int32_t DeleteKey(platform::RegKey hKey, std::u16string_view lpSubKey) override;
  std::int32_t DeleteValue(platform::RegKey hKey, std::u16string_view lpValueName) override;
  std::int32_t EnumValue(platform::RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                         std::uint32_t* lpcchValueName, std::uint32_t* lpType, std::uint8_t* lpData,
                         std::uint32_t* lpcbData) override;
  std::int32_t EnumKeyEx(platform::RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                         std::uint32_t* lpcchName, char16_t* lpClass, std::uint32_t* lpcchClass,
                         std::uint64_t* lpftLastWriteTime) override;
  std::int32_t CloseKey(platform::RegKey hKey) override;

  std::int32_t BeginTransaction() override;
  std::int32_t CommitTransaction() override;
  std::int32_t RollbackTransaction() override;

  /// Call number `nth` of `call` from now on (1: the next one) returns `code`
  /// and does nothing else.
  void FailCall(Call call, std::int32_t code, int nth = 1);

  /// A store the user may read but not change: opening for change and every
  /// change give kErrorAccessDenied.
  bool readOnly = false;

  /// The keys the program opened or created and has not closed.
  std::size_t OpenHandles() const { return handles_.size(); }
  /// The access rights asked for by every OpenKeyEx, in order.
  std::vector<std::uint32_t> openAccess;
  /// How often each call was made.
  std::map<Call, int> calls;

  struct Node;

 private:
  /// An open key: its node, and where it lies, so that a rollback finds it again.
  struct Handle {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
    std::size_t root = 0;
    std::vector<std::u16string> path;
  };

  bool injected(Call call, std::int32_t& code);
  std::int32_t resolve(platform::RegKey hKey, Handle& where);

  std::array<std::shared_ptr<Node>, 4> roots_;
  std::map<platform::RegKey, Handle> handles_;
  platform::RegKey nextHandle_ = 0x1000;
  std::map<Call, std::vector<std::pair<int, std::int32_t>>> failures_;
  std::unique_ptr<std::array<std::shared_ptr<Node>, 4>> snapshot_;
};

}  // namespace sigpatch::fakes
