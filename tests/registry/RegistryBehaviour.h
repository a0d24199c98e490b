#pragma once

// The system's registry rules, run against every registry the program may use so that none drifts.

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

/// A registry under test, which may be seen again (by a new object) or by a user who may only read.
class Subject {
 public:
  virtual ~Subject() = default;
  virtual platform::RegistryApi& api() = 0;
  /// The registry with the system's own predefined keys, for calls that change nothing.
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
inline std::string kindName(const ::testing::TestParamInfo<Kind>& p) { return p.param.name; }

class RegistryBehaviourTest : public ::testing::TestWithParam<Kind> {
 protected:
  using Key = platform::RegKey;
  using Path = std::u16string_view;
  void SetUp() override { subject = GetParam().make(); }
  platform::RegistryApi& api() { return subject->api(); }

  Key open(Key root, Path path, std::uint32_t access = platform::kKeyAllAccess) {
    Key key = 0;
    EXPECT_EQ(api().OpenKeyEx(root, path, 0, access, key), 0) << text(path);
    return key;
  }
  Key create(Key root, Path path, std::uint32_t* disposition = nullptr) {
    Key key = 0;
    EXPECT_EQ(api().CreateKeyEx(root, path, u"", 0, platform::kKeyAllAccess, key, disposition), 0);
    return key;
  }
  void make(Key root, Path path) { api().CloseKey(create(root, path)); }
  /// The result of opening (or creating) the key, which is closed again.
  std::int32_t openCode(Key root, Path path, std::uint32_t access = platform::kKeyRead,
                        bool creating = false) {
    Key key = 0;
    const auto code = creating ? api().CreateKeyEx(root, path, u"", 0, access, key, nullptr)
                               : api().OpenKeyEx(root, path, 0, access, key);
    if (code == 0) api().CloseKey(key);
    return code;
  }
  std::int32_t createCode(Key root, Path path, std::uint32_t access = platform::kKeyAllAccess) {
    return openCode(root, path, access, true);
  }
  /// The names of the sub-keys, or of the values, in the order enumerated.
  std::vector<std::u16string> names(Key key, bool ofKeys = true) {
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
  std::int32_t put(Key root, Path path, Path name, const StoredValue& value) {
    return storeValue(api(), root, path, name, value.type, value.data);
  }
  std::optional<StoredValue> get(Key root, Path path, Path name) {
    return storedValue(api(), root, path, name);
  }
  static std::string text(Path s) { return std::string(s.begin(), s.end()); }

  std::unique_ptr<Subject> subject;
};

}  // namespace sigpatch::testing

/// Skips the rest of a test when the registry under test cannot show the behaviour.
#define SIGPATCH_REQUIRE(behaviour)                                       \
  do {                                                                    \
    const std::string reason = subject->cannotShow(Behaviour::behaviour); \
    if (!reason.empty()) GTEST_SKIP() << reason;                          \
  } while (false)
