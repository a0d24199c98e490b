// The registry rules (tests/registry/RegistryBehaviourSuite.cpp) on the
// system's own registry, through the wide advapi32 functions.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Registry.h"
#include "registry/RegistryBehaviour.h"

namespace sigpatch::testing {
namespace {

using namespace platform;

constexpr char16_t kTestsKey[] = u"Software\\SigpatchTests";

/// A key of its own below HKEY_CURRENT_USER\Software\SigpatchTests for one
/// test, removed with everything in it afterwards.
class TestKey {
 public:
  TestKey() {
    static std::atomic<int> counter{0};
    name_ = std::u16string(kTestsKey) + u"\\Run" + text::dec(::GetCurrentProcessId()) + u"-" +
            text::dec(++counter);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(name_).c_str());
  }
  ~TestKey() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(name_).c_str());
    // The shared parent goes with the last test key.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, wide(kTestsKey).c_str());
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  /// The path below HKEY_CURRENT_USER.
  const std::u16string& name() const { return name_; }

 private:
  std::u16string name_;
};

/// The system's registry with each of the four roots moved below a test key,
/// so that the tests touch nothing else and need no administrator: the key
/// "HKLM" of the test key stands for HKEY_LOCAL_MACHINE and so on. Everything
/// else passes straight through; a root cannot be deleted and closing it does
/// nothing, as with the real roots.
class RootedRegistry final : public RegistryApi {
 public:
  RootedRegistry(RegistryApi& system, const std::u16string& base) : system_(system) {
    const std::pair<RegKey, const char16_t*> roots[] = {{kHkeyClassesRoot, u"HKCR"},
                                                        {kHkeyCurrentUser, u"HKCU"},
                                                        {kHkeyLocalMachine, u"HKLM"},
                                                        {kHkeyUsers, u"HKU"}};
    for (const auto& [root, name] : roots) {
      RegKey key = 0;
      EXPECT_EQ(system_.CreateKeyEx(kHkeyCurrentUser, base + u"\\" + name, u"", 0, kKeyAllAccess,
                                    key, nullptr),
                0);
      roots_[root] = key;
    }
  }
  ~RootedRegistry() override {
    for (const auto& [root, key] : roots_) system_.CloseKey(key);
  }
  RootedRegistry(const RootedRegistry&) = delete;
  RootedRegistry& operator=(const RootedRegistry&) = delete;

  std::int32_t OpenKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::uint32_t ulOptions,
                         std::uint32_t samDesired, RegKey& phkResult) override {
    return system_.OpenKeyEx(map(hKey), lpSubKey, ulOptions, samDesired, phkResult);
  }
  std::int32_t CreateKeyEx(RegKey hKey, std::u16string_view lpSubKey, std::u16string_view lpClass,
                           std::uint32_t dwOptions, std::uint32_t samDesired, RegKey& phkResult,
                           std::uint32_t* lpdwDisposition) override {
    return system_.CreateKeyEx(map(hKey), lpSubKey, lpClass, dwOptions, samDesired, phkResult,
                               lpdwDisposition);
  }
  std::int32_t QueryValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t* lpType,
                            std::uint8_t* lpData, std::uint32_t* lpcbData) override {
    return system_.QueryValueEx(map(hKey), lpValueName, lpType, lpData, lpcbData);
  }
  std::int32_t SetValueEx(RegKey hKey, std::u16string_view lpValueName, std::uint32_t dwType,
                          const std::uint8_t* lpData, std::uint32_t cbData) override {
    return system_.SetValueEx(map(hKey), lpValueName, dwType, lpData, cbData);
  }
  std::int32_t DeleteKey(RegKey hKey, std::u16string_view lpSubKey) override {
    if (roots_.count(hKey) != 0 && lpSubKey.empty()) return kErrorAccessDenied;
    return system_.DeleteKey(map(hKey), lpSubKey);
  }
  std::int32_t DeleteValue(RegKey hKey, std::u16string_view lpValueName) override {
    return system_.DeleteValue(map(hKey), lpValueName);
  }
  std::int32_t EnumValue(RegKey hKey, std::uint32_t dwIndex, char16_t* lpValueName,
                         std::uint32_t* lpcchValueName, std::uint32_t* lpType, std::uint8_t* lpData,
                         std::uint32_t* lpcbData) override {
    return system_.EnumValue(map(hKey), dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                             lpcbData);
  }
  std::int32_t EnumKeyEx(RegKey hKey, std::uint32_t dwIndex, char16_t* lpName,
                         std::uint32_t* lpcchName, char16_t* lpClass, std::uint32_t* lpcchClass,
                         std::uint64_t* lpftLastWriteTime) override {
    return system_.EnumKeyEx(map(hKey), dwIndex, lpName, lpcchName, lpClass, lpcchClass,
                             lpftLastWriteTime);
  }
  std::int32_t CloseKey(RegKey hKey) override {
    if (roots_.count(hKey) != 0) return kErrorSuccess;
    return system_.CloseKey(hKey);
  }

 private:
  RegKey map(RegKey key) const {
    const auto found = roots_.find(key);
    return found == roots_.end() ? key : found->second;
  }

  RegistryApi& system_;
  std::map<RegKey, RegKey> roots_;
};

class SystemSubject : public Subject {
 public:
  SystemSubject() : rooted_(std::make_unique<RootedRegistry>(system_, key_.name())) {}
  ~SystemSubject() override { rooted_.reset(); }

  RegistryApi& api() override { return *rooted_; }
  RegistryApi& predefined() override { return system_; }
  RegistryTransactions* transactions() override { return nullptr; }
  void reopen() override {}
  void reopenReadOnly() override {}
  std::string cannotShow(Behaviour behaviour) const override {
    switch (behaviour) {
      case Behaviour::ReadOnlyStore:
        return "the system's registry has no read-only mode as a whole: who may change a key is "
               "set key by key in its security descriptor";
      case Behaviour::Transactions:
        return "transactions over the registry functions belong to the settings store; the "
               "system's registry functions have none";
      case Behaviour::DepthLimit:
        return "the test keys lie four levels below the root of the user's hive, so they cannot "
               "reach the depth limit where a root's keys reach it";
      case Behaviour::FourRoots:
        return "Windows predefines more roots than the four the program uses "
               "(HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG)";
      case Behaviour::DocumentedKeyNames:
        return "the system's registry takes a key name of 256 characters, one more than its "
               "documented limit of 255 that the settings store keeps";
      case Behaviour::UpperCaseOrder:
        if (underWine()) {
          return "Wine orders sub-keys by their lower-cased names, so \"_\" and \"[\" sort "
                 "before the letters; Windows orders them by their upper-cased names";
        }
        return {};
      case Behaviour::ValueOrder:
        if (underWine()) {
          return "Wine lists a key's values sorted by name; Windows lists them in the order "
                 "they were first written";
        }
        return {};
    }
    return {};
  }

 private:
  TestKey key_;
  win32::Win32Registry system_;
  std::unique_ptr<RootedRegistry> rooted_;
};

INSTANTIATE_TEST_SUITE_P(System, RegistryBehaviourTest,
                         ::testing::Values(Kind{
                             "Win32", [] { return std::unique_ptr<Subject>(new SystemSubject); }}),
                         kindName);

}  // namespace
}  // namespace sigpatch::testing
