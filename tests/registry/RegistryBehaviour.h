#pragma once

// One suite of the system's registry rules, run against every registry the
// program may use: the in-memory fake, the SQLite store and, in the Windows
// build, the system's own registry. So the fake the program's tests use cannot
// drift from the store the program uses, and the store keeps the rules that
// Windows defines.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"
#include "platform/RegistryTransactions.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch::testing {

/// Behaviours that not every registry under test can show.
enum class Behaviour {
  ReadOnlyStore,       ///< A user who may only read the whole store (the store's own mode).
  Transactions,        ///< Transactions over the registry functions (the store's own).
  ValueOrder,          ///< Values listed in the order they were first written.
  UpperCaseOrder,      ///< Sub-keys ordered by upper-cased names: "_" and "[" after letters.
  DocumentedKeyNames,  ///< Key names of at most 255 characters, none empty between two "\".
  DepthLimit,          ///< Keys as deep as the system allows, counted from a root.
  FourRoots,           ///< Exactly the four roots: other predefined handles are invalid.
};

/// A registry under test: its functions, and the same registry seen again (by a
/// new object) or as a user who may only read it.
class Subject {
 public:
  virtual ~Subject() = default;
  virtual platform::RegistryApi& api() = 0;
  /// The registry with its predefined keys where the system has them, for calls
  /// that change nothing: api() itself unless the subject moved the roots.
  virtual platform::RegistryApi& predefined() { return api(); }
  /// The transactions; nullptr when the registry has none.
  virtual platform::RegistryTransactions* transactions() = 0;
  virtual void reopen() = 0;
  virtual void reopenReadOnly() = 0;
  /// Why this registry cannot show a behaviour; "" when it can.
  virtual std::string cannotShow(Behaviour behaviour) const = 0;
};

struct Kind {
  const char* name;
  std::function<std::unique_ptr<Subject>()> make;
  friend void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
};

/// The name of an instantiation's test: the kind's name.
inline std::string kindName(const ::testing::TestParamInfo<Kind>& param) {
  return param.param.name;
}

class RegistryBehaviourTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { subject = GetParam().make(); }
  platform::RegistryApi& api() { return subject->api(); }

  platform::RegKey open(platform::RegKey root, std::u16string_view path,
                        std::uint32_t access = platform::kKeyAllAccess) {
    platform::RegKey key = 0;
    EXPECT_EQ(api().OpenKeyEx(root, path, 0, access, key), 0) << text(path);
    return key;
  }
  platform::RegKey create(platform::RegKey root, std::u16string_view path,
                          std::uint32_t* disposition = nullptr, std::u16string_view cls = u"") {
    platform::RegKey key = 0;
    EXPECT_EQ(api().CreateKeyEx(root, path, cls, 0, platform::kKeyAllAccess, key, disposition), 0)
        << text(path);
    return key;
  }
  void make(platform::RegKey root, std::u16string_view path) { api().CloseKey(create(root, path)); }
  /// The result of opening (or creating) the key, which is closed again.
  std::int32_t openCode(platform::RegKey root, std::u16string_view path,
                        std::uint32_t access = platform::kKeyRead, bool creating = false) {
    platform::RegKey key = 0;
    const auto code = creating ? api().CreateKeyEx(root, path, u"", 0, access, key, nullptr)
                               : api().OpenKeyEx(root, path, 0, access, key);
    if (code == 0) api().CloseKey(key);
    return code;
  }
  std::int32_t createCode(platform::RegKey root, std::u16string_view path,
                          std::uint32_t access = platform::kKeyAllAccess) {
    return openCode(root, path, access, true);
  }
  /// The names of the sub-keys, or of the values, in the order enumerated.
  std::vector<std::u16string> names(platform::RegKey key, bool ofKeys = true) {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0;; ++i) {
      char16_t name[300];
      std::uint32_t length = ofKeys ? 256 : 300;
      const auto code = ofKeys ? api().EnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr)
                               : api().EnumValue(key, i, name, &length, nullptr, nullptr, nullptr);
      if (code != 0) {
        EXPECT_EQ(code, platform::kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, length);
    }
  }
  std::int32_t put(platform::RegKey root, std::u16string_view path, std::u16string_view name,
                   const StoredValue& value) {
    return storeValue(api(), root, path, name, value.type, value.data);
  }
  std::optional<StoredValue> get(platform::RegKey root, std::u16string_view path,
                                 std::u16string_view name) {
    return storedValue(api(), root, path, name);
  }
  static std::string text(std::u16string_view s) { return std::string(s.begin(), s.end()); }

  std::unique_ptr<Subject> subject;
};

}  // namespace sigpatch::testing

/// Skips the rest of a test when the registry under test cannot show the behaviour.
#define SIGPATCH_REQUIRE(behaviour)                                       \
  do {                                                                    \
    const std::string reason = subject->cannotShow(Behaviour::behaviour); \
    if (!reason.empty()) GTEST_SKIP() << reason;                          \
  } while (false)
