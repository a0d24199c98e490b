// The registry rules (tests/registry/RegistryBehaviourSuite.cpp) on the system's own registry.

#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Registry.h"
#include "registry/RegistryBehaviour.h"

namespace sigpatch::testing {
namespace {

using namespace platform;

constexpr char16_t kTestsKey[] = u"Software\\SigpatchTests";

/// The system's registry with each of the four roots moved below a key of the test's own,
/// HKEY_CURRENT_USER\Software\SigpatchTests\RunN (removed afterwards), so that the tests touch
/// nothing else and need no administrator; a root cannot be deleted, and closing it does nothing.
class SystemSubject final : public Subject, public RegistryApi {
 public:
  SystemSubject() {
    for (const auto& [root, name] : {std::pair{kHkeyClassesRoot, u"HKCR"},
                                     {kHkeyCurrentUser, u"HKCU"},
                                     {kHkeyLocalMachine, u"HKLM"},
                                     {kHkeyUsers, u"HKU"}}) {
      EXPECT_EQ(system_.CreateKeyEx(kHkeyCurrentUser, name_ + u"\\" + name, u"", 0, kKeyAllAccess,
                                    roots_[root], nullptr),
                0);
    }
  }
  ~SystemSubject() override {
    for (const auto& [root, key] : roots_) system_.CloseKey(key);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(name_).c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, wide(kTestsKey).c_str());
  }

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
    return roots_.count(hKey) != 0 ? kErrorSuccess : system_.CloseKey(hKey);
  }

  RegistryApi& api() override { return *this; }
  RegistryApi& predefined() override { return system_; }
  RegistryTransactions* transactions() override { return nullptr; }
  void reopen() override {}
  void reopenReadOnly() override {}
  std::string cannotShow(Behaviour behaviour) const override {
    switch (behaviour) {
      case Behaviour::ReadOnlyStore:
        return "the system's registry is read-only key by key, in each key's security descriptor";
      case Behaviour::Transactions:
        return "the system's registry functions have no transactions";
      case Behaviour::DepthLimit:
        return "the test keys lie four levels below a root, so they cannot reach the depth limit";
      case Behaviour::FourRoots:
        return "Windows predefines more roots than the four the program uses";
      case Behaviour::DocumentedKeyNames:
        return "the system's registry takes a key name one longer than its documented limit";
      case Behaviour::UpperCaseOrder:
        return underWine() ? "Wine orders sub-keys by their lower-cased names" : "";
      case Behaviour::ValueOrder:
        return underWine() ? "Wine lists a key's values sorted by name" : "";
    }
    return {};
  }

 private:
  inline static std::atomic<int> counter{0};
  std::u16string name_ = [] {
    const std::u16string name = std::u16string(kTestsKey) + u"\\Run" +
                                text::dec(::GetCurrentProcessId()) + u"-" + text::dec(++counter);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(name).c_str());
    return name;
  }();
  win32::Win32Registry system_;
  std::map<RegKey, RegKey> roots_;

  RegKey map(RegKey key) const {
    const auto found = roots_.find(key);
    return found == roots_.end() ? key : found->second;
  }
};

INSTANTIATE_TEST_SUITE_P(System, RegistryBehaviourTest,
                         ::testing::Values(Kind{
                             "Win32", [] { return std::unique_ptr<Subject>(new SystemSubject); }}),
                         kindName);

}  // namespace
}  // namespace sigpatch::testing
