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

namespace sigpatch::testing {

/// Behaviours that not every registry under test can show.
enum class Behaviour {
  /// A user who may only read the whole store (the store's own mode).
  ReadOnlyStore,
  /// Transactions over the registry functions (the store's own).
  Transactions,
  /// Values listed in the order they were first written.
  ValueOrder,
  /// Sub-keys ordered by their upper-cased names, so that "_" and "[" sort
  /// after the letters.
  UpperCaseOrder,
  /// Key names held to the documented limits: at most 255 characters, no
  /// empty name between two backslashes.
  DocumentedKeyNames,
  /// Keys as deep as the system allows, counted from a root.
  DepthLimit,
  /// Exactly the four roots: other predefined handles are invalid.
  FourRoots,
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
                          std::uint32_t* disposition = nullptr) {
    platform::RegKey key = 0;
    EXPECT_EQ(api().CreateKeyEx(root, path, u"", 0, platform::kKeyAllAccess, key, disposition), 0)
        << text(path);
    return key;
  }
  std::int32_t openCode(platform::RegKey root, std::u16string_view path, std::uint32_t access) {
    platform::RegKey key = 0;
    const auto code = api().OpenKeyEx(root, path, 0, access, key);
    if (code == 0) api().CloseKey(key);
    return code;
  }
  std::int32_t createCode(platform::RegKey root, std::u16string_view path,
                          std::uint32_t access = platform::kKeyAllAccess) {
    platform::RegKey key = 0;
    const auto code = api().CreateKeyEx(root, path, u"", 0, access, key, nullptr);
    if (code == 0) api().CloseKey(key);
    return code;
  }
  std::vector<std::u16string> subKeys(platform::RegKey key) { return names(key, true); }
  std::vector<std::u16string> valueNames(platform::RegKey key) { return names(key, false); }
  std::vector<std::u16string> names(platform::RegKey key, bool ofKeys) {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0;; ++i) {
      char16_t name[300];
      std::uint32_t length = ofKeys ? 256 : 300;
      const auto code = ofKeys ? api().EnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr)
                               : api().EnumValue(key, i, name, &length, nullptr, nullptr, nullptr);
      if (code == platform::kErrorNoMoreItems) break;
      EXPECT_EQ(code, 0);
      if (code != 0) break;
      names.emplace_back(name, length);
    }
    return names;
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
