// RegUtilities over the fake registry: values written and read, failures shown, a key's listings.

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch {
namespace {

using namespace platform;
using namespace testing;
using Call = fakes::FakeRegistry::Call;
using Prompts = std::vector<std::u16string>;
using Text = std::u16string;
using std::nullopt;

constexpr char16_t kHive[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Sigpatch";
const Text kFault = u"sigpatch.RegUtilities.SetKeyValue: ";

class RegUtilitiesTest : public ::testing::Test {
 protected:
  RegUtilitiesTest() {
    fake.Set([&](Platform& s) { s.registry = &store; });
  }
  void TearDown() override { EXPECT_EQ(store.OpenHandles(), 0u) << "a key was left open"; }

  std::optional<StoredValue> stored(std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, u"SOFTWARE\\Sigpatch", name);
  }
  void put(std::u16string_view name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"SOFTWARE\\Sigpatch", name, type, data), 0);
  }
  // The message boxes shown since the last call.
  Prompts prompts() {
    Prompts texts;
    for (const auto& m : fake.windowing.messages) texts.push_back(m.prompt);
    fake.windowing.messages.clear();
    return texts;
  }
  static Prompts one(const Text& prompt) { return prompt.empty() ? Prompts{} : Prompts{prompt}; }

  fakes::FakeRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

// Each row writes its own value: what is stored, what reads back ("-": nothing,
// the default), the message shown. A value that is not written opens no key.
TEST_F(RegUtilitiesTest, WritesEachTypeAsTheSystemStoresIt) {
  const Text x127(127, u'x'), zero(u"A\0B", 3), binary(u"AB\u00E9\u20AC");
  const Text tooLong =
      u"Registry setting to long :  128\r\nFor Key: SOFTWARE\\Sigpatch\r\nFor Variable: Long";
  using Stored = std::optional<StoredValue>;
  const std::tuple<const char16_t*, Variant, const char16_t*, Stored, Text, Text> cases[] = {
      {u"Path", Variant(u"C:\\Grüße"), u"REG_SZ", sz(u"C:\\Grüße"), u"C:\\Grüße", u""},
      {u"Where", Variant(u"%P%"), u"REG_EXPAND_SZ", StoredValue{2, utf16(u"%P%")}, u"%P%", u""},
      {u"Longest", Variant(x127), u"REG_SZ", sz(x127), x127, u""},
      {u"Long", Variant(x127 + u"y"), u"REG_SZ", nullopt, u"-", tooLong},
      {u"Longer", Variant(Text(32768, u'x')), u"REG_SZ", nullopt, u"-", kFault + u"6, Overflow"},
      {u"Count", Variant(u"17"), u"REG_DWORD", StoredValue{4, {17, 0, 0, 0}}, u"17", u""},
      {u"Word", Variant(u"seven"), u"REG_DWORD", nullopt, u"-", kFault + u"13, Type mismatch"},
      {u"Blob", Variant(binary), u"REG_BINARY", StoredValue{3, {65, 66, 0xE9, 0x80}}, binary, u""},
      {u"Zero", Variant(zero), u"REG_BINARY", StoredValue{3, {0x41, 0, 0x42}}, zero, u""},
      {u"NoType", Variant(u"x"), u"", nullopt, u"-", u""}};
  for (const auto& [name, value, type, expected, read, prompt] : cases) {
    SCOPED_TRACE(text::toUtf8(name));
    const int opened = store.calls[Call::OpenKeyEx];
    reg.SetKeyValue(kHive, name, value, type);
    EXPECT_EQ(store.calls[Call::OpenKeyEx] == opened, !expected) << "only a write opens the key";
    EXPECT_EQ(prompts(), one(prompt));
    EXPECT_EQ(stored(name), expected);
    EXPECT_EQ(reg.GetKeyValue(kHive, name, u"-"), read);
  }
  // A missing key is created once, under its own root.
  for (auto data : {u"x", u"y"}) {
    reg.SetKeyValue(u"HKEY_CURRENT_USER\\Software\\A\\B", u"V", Variant(data), u"REG_SZ");
    EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software\\A\\B", u"V"), sz(data));
    EXPECT_EQ(store.calls[Call::CreateKeyEx], 2) << "an existing key is opened";
  }
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"Software\\A"));
  EXPECT_EQ(prompts(), Prompts{});
}

// A write that fails shows the system's code and keeps the value there was.
TEST_F(RegUtilitiesTest, FailedWriteShowsTheSystemsCode) {
  const Text error = u"Error updating registry:  ", path = u"\r\nFor variable: Path";
  const Text settings = u"\r\nFor keyname: SOFTWARE\\Sigpatch" + path;
  // The failure, the key path, the prompt.
  const std::tuple<std::function<void()>, const char16_t*, Text> cases[] = {
      {[] {}, u"HKEY_FOO\\Software", error + u"6\r\nFor keyname: Software" + path},
      {[&] { store.FailCall(Call::SetValueEx, 112); }, kHive, error + u"112" + settings},
      {[&] { store.FailCall(Call::CreateKeyEx, 5); }, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New",
       error + u"2\r\nFor keyname: SOFTWARE\\New" + path},
      {[&] { store.readOnly = true; }, kHive, error + u"5" + settings}};
  reg.SetKeyValue(kHive, u"Path", Variant(u"old"), u"REG_SZ");
  for (const auto& [arm, hive, prompt] : cases) {
    arm();
    reg.SetKeyValue(hive, u"Path", Variant(u"new"), u"REG_SZ");
    EXPECT_EQ(prompts(), Prompts{prompt});
    EXPECT_EQ(stored(u"Path"), sz(u"old"));
  }
  // A key the user may read but not change is read all the same; deleting is quiet.
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Path", u"default"), u"old");
  EXPECT_TRUE(reg.DeleteValue(kHive, u"Path"));
  EXPECT_EQ(stored(u"Path"), sz(u"old"));
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, ReadsEachStoredTypeAsTextOrTheDefaultSilently) {
  const Text list(u"ab\0cd\0", 6), longText(300, u'y');
  const std::tuple<const char16_t*, std::uint32_t, Bytes, Text, Text> cases[] = {
      {u"Text", kRegSz, utf16(u"x"), u"x", u""},
      {u"Long text", kRegSz, utf16(longText), longText, u""},
      {u"List", kRegMultiSz, utf16(list), list, u""},
      {u"Long", kRegDword, Bytes(8, 1), u"d", u""},
      {u"Q", kRegQword, Bytes(8, 1), u"d", u"Illegal RegType: 11"}};
  for (const auto& [name, type, data, read, prompt] : cases) {
    SCOPED_TRACE(text::toUtf8(name));
    put(name, type, data);
    EXPECT_EQ(reg.GetKeyValue(kHive, name, u"d"), read);
    EXPECT_EQ(prompts(), one(prompt));
  }
  store.FailCall(Call::QueryValueEx, 1016);
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{}) << "a failed first read is silent";
  store.FailCall(Call::QueryValueEx, 234, 2);
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{u"Error RegQueryValueExSTRING: 234"});
  // Key paths: the root by its whole name, a doubled backslash after it, any letter case after.
  const std::pair<const char16_t*, bool> paths[] = {
      {u"HKEY_LOCAL_MACHINE\\\\software\\SIGPATCH\\", true},
      {u"HKLM\\SOFTWARE\\Sigpatch", false},
      {u"hkey_local_machine\\SOFTWARE\\Sigpatch", false}};
  for (const auto& [hive, found] : paths) {
    EXPECT_EQ(reg.GetKeyValue(hive, u"Text", u"d"), found ? u"x" : u"d") << text::toUtf8(hive);
  }
  EXPECT_EQ(prompts(), Prompts{});
}

// The listings and the key functions, which the tools use: one check each.
TEST_F(RegUtilitiesTest, KeysAreCreatedListedAndDeleted) {
  EXPECT_EQ(reg.EnumerateAnyKey(kHive), nullptr);
  reg.CreateNewKey(kHive + Text(u"\\Sub"));
  put(u"Flags", kRegBinary, Bytes{1, 2});
  put(u"Text", kRegBinary, Bytes(2000, 7));
  put(u"Count", kRegDword, Bytes{0x11, 0, 0, 0});
  EXPECT_EQ(reg.GetKeyType(kHive, u"count"), 4);
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0, u"FLAGS"), u"01, 02");
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0).substr(0, 35),
            u"1: Flags: 01, 02\r\n2: Text: 07, 07, ");
  EXPECT_EQ(reg.EnumerateAnyKey(kHive, u"count")->Fields(u"Data"), Text(u"\x11\0\0\0", 4));
  EXPECT_EQ(reg.EnumerateAnyKey(kHive)->Fields(u"Name"), u"Flags") << "from the first record";
  EXPECT_EQ(reg.EnumerateAnyBranch(kHive)->Fields(u"Name"), u"Sub");
  reg.DeleteKey(kHive + Text(u"\\Sub"));
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Sigpatch\\Sub"));
  EXPECT_TRUE(reg.DeleteValue(kHive, u"FLAGS"));
  EXPECT_EQ(stored(u"Flags"), nullopt);
  EXPECT_EQ(prompts(), Prompts{});
}

}  // namespace
}  // namespace sigpatch
