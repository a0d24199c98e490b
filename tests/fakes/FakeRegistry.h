#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"
#include "platform/RegistryTransactions.h"

namespace sigpatch::fakes {

/// An in-memory registry with the system's rules (the behaviour suite's), and injected failures.
class FakeRegistry : public platform::RegistryApi, public platform::RegistryTransactions {
 public:
  using Key = platform::RegKey;
  using Name = std::u16string_view;
  using U32 = std::uint32_t;
  // clang-format off
  enum class Call { OpenKeyEx, CreateKeyEx, QueryValueEx, SetValueEx, DeleteKey, DeleteValue,
                    EnumValue, EnumKeyEx, CloseKey };
  // clang-format on

  FakeRegistry();
  std::int32_t OpenKeyEx(Key, Name, U32, U32, Key&) override;
  std::int32_t CreateKeyEx(Key, Name, Name, U32, U32, Key&, U32*) override;
  std::int32_t QueryValueEx(Key, Name, U32*, std::uint8_t*, U32*) override;
  std::int32_t SetValueEx(Key, Name, U32, const std::uint8_t*, U32) override;
  std::int32_t DeleteKey(Key, Name) override;
  std::int32_t DeleteValue(Key, Name) override;
  std::int32_t EnumValue(Key, U32, char16_t*, U32*, U32*, std::uint8_t*, U32*) override;
  std::int32_t EnumKeyEx(Key, U32, char16_t*, U32*, char16_t*, U32*, std::uint64_t*) override;
  std::int32_t CloseKey(Key hKey) override;
  std::int32_t BeginTransaction() override;
  std::int32_t CommitTransaction() override;
  std::int32_t RollbackTransaction() override;

  /// Call number `nth` of `call` from now on (1: the next) returns `code` and does nothing else.
  void FailCall(Call call, std::int32_t code, int nth = 1);
  /// A store the user may only read: opening for change and every change give kErrorAccessDenied.
  bool readOnly = false;
  /// The keys the program opened or created and has not closed.
  std::size_t OpenHandles() const { return handles_.size(); }
  /// How often each call was made.
  std::map<Call, int> calls;

 private:
  // A key, found by its root's number and its folded names ("2\SOFTWARE\X").
  struct Entry {
    struct Value {
      std::u16string name;
      U32 type = 0;
      std::vector<std::uint8_t> data;
    };
    std::u16string name, className;
    std::uint64_t id = 0, written = 0;
    std::vector<Value> values;  // in the order they were first written
  };
  struct Handle {
    std::u16string path;
    std::uint64_t id = 0;
    U32 access = 0;
  };
  struct Found {
    std::int32_t code;
    Handle at;
    Entry* entry;
  };
  Found enter(Call call, Key hKey);
  std::vector<Entry*> children(const std::u16string& path);

  std::map<std::u16string, Entry> keys_;
  std::map<Key, Handle> handles_;
  Key nextHandle_ = 0x1000;
  std::uint64_t lastId_ = 0;
  std::map<Call, std::vector<std::pair<int, std::int32_t>>> failures_;
  std::int32_t endTransaction(bool undo);
  /// While a transaction runs: the keys as they were when it began.
  std::optional<std::map<std::u16string, Entry>> saved_;
};

}  // namespace sigpatch::fakes
