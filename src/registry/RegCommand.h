#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryApi.h"
#include "platform/RegistryTransactions.h"
#include "registry/RegFile.h"

namespace sigpatch {

/// The "sigreg" command, in the style of the system's "reg" command: query, add,
/// delete, export and import of registry keys and values. Output goes to `out`
/// (UTF-8); a failure is one line on `err` and exit code 1; a change that fails
/// half-way is undone.
class RegCommand {
 public:
  struct Io {
    std::ostream& out;
    std::ostream& err;
    /// Asks a yes/no question on the terminal; nothing when there is no terminal.
    std::function<std::optional<bool>(std::u16string_view question)> confirm;
    /// What is wrong with the registry store, in one line; may be empty.
    std::function<std::u16string()> diagnostic;
  };

  /// What a check of one store file found (`sigreg CHECK`).
  struct StoreCheck {
    std::u16string place;
    bool exists = false;
    bool sound = false;
    /// A writer had not closed it when the check began.
    bool leftOpen = false;
    /// ... and it counts as closed again.
    bool closedAgain = false;
    std::int64_t keys = 0;
    std::int64_t values = 0;
    /// What is wrong with it, when it is not sound.
    std::u16string diagnostic;
  };

  /// `transactions` may be null: changes are then made one by one.
  RegCommand(platform::RegistryApi& registry, platform::RegistryTransactions* transactions, Io io);

  /// Runs the command given by its arguments (without the program's name);
  /// returns the exit code: 0 done, 1 failed, refused or cancelled.
  int Run(const std::vector<std::u16string>& args);

  /// Offers CHECK: `check` checks every store file whole.
  void SetStoreCheck(std::function<std::vector<StoreCheck>()> check) { check_ = std::move(check); }

 private:
  struct KeyName {
    platform::RegKey root = 0;
    std::u16string rootName;
    std::u16string subKey;
    std::u16string Full() const { return subKey.empty() ? rootName : rootName + u"\\" + subKey; }
  };
  struct Switches;
  struct ValueData {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  class Failure;

  /// The operation, its switches and the names it is given; raises a Failure
  /// for a missing or unknown operation and for a switch that is unknown, given
  /// twice, without its value or not one of the operation's.
  static Switches parse(const std::vector<std::u16string>& args);
  /// The name of a switch in lower case ("ve" for "/VE"); raises a Failure for
  /// a switch that is unknown or not one of the operation's.
  static std::u16string switchName(const std::u16string& arg, std::u16string_view operation);
  /// Raises a Failure for switches that exclude each other and for the wrong
  /// number of key and file names.
  static void checkArguments(const Switches& s);

  int query(const Switches& s);
  int add(const Switches& s);
  int remove(const Switches& s);
  int exportKey(const Switches& s);
  int importFile(const Switches& s);
  int checkStores();

  /// The value that ADD's /v, /ve, /t and /d describe, its data as stored.
  static ValueData valueToAdd(const Switches& s);
  /// Whether ADD may set the value: it does not exist yet, or the user says so.
  bool mayOverwrite(const KeyName& key, std::u16string_view name) const;

  KeyName keyName(std::u16string_view text) const;
  platform::RegKey openKey(const KeyName& key, std::uint32_t access) const;
  std::vector<ValueData> values(platform::RegKey key) const;
  std::vector<std::u16string> subKeys(platform::RegKey key) const;
  std::optional<ValueData> value(platform::RegKey key, std::u16string_view name) const;
  void queryKey(const KeyName& key, bool recurse, const std::optional<std::u16string>& only,
                int& matches);
  void collect(const KeyName& key, RegFileContent& content) const;
  void deleteTree(platform::RegKey parent, const std::u16string& subKey) const;
  void apply(const RegFileKey& key) const;
  /// Runs `change` in one transaction when the store offers them.
  void atomically(const std::function<void()>& change) const;
  /// Asks before a change that loses something; false (after a message) when
  /// it must not happen.
  bool allowed(std::u16string_view question, std::u16string_view refusal) const;
  /// Fails with the words for a result code: the store's diagnostic when it has
  /// one, else the code with the system's text for it.
  [[noreturn]] void failWith(std::int32_t code) const;
  /// failWith for a key path the registry refused: names the name at fault.
  [[noreturn]] void failWithKey(std::int32_t code, const KeyName& key) const;
  /// failWith for a value name the registry refused: names it when it is too long.
  [[noreturn]] void failWithValue(std::int32_t code, std::u16string_view name) const;
  void print(const std::u16string& text) const;

  platform::RegistryApi& registry_;
  platform::RegistryTransactions* transactions_;
  Io io_;
  std::function<std::vector<StoreCheck>()> check_;
};

}  // namespace sigpatch
