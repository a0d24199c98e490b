// RegUtilities over the fake registry: key paths, writing, reading, keys,
// enumeration, and the recordsets it gives.

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/RuntimeError.h"

namespace sigpatch {
namespace {

using namespace platform;
using namespace testing;
using Call = fakes::FakeRegistry::Call;
using Prompts = std::vector<std::u16string>;
using Records = std::vector<std::pair<std::u16string, std::u16string>>;
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
    for (const auto& m : fake.windowing.messages) {
      EXPECT_EQ(m.title, u"Sigpatch");
      EXPECT_EQ(m.style, toolkit::MsgBoxStyle::OkOnly);
      texts.push_back(m.prompt);
    }
    fake.windowing.messages.clear();
    return texts;
  }
  static Prompts one(const Text& prompt) { return prompt.empty() ? Prompts{} : Prompts{prompt}; }
  // The records as (Name, Data) pairs, walked from the current record.
  static Records walk(const std::unique_ptr<Recordset>& records) {
    Records seen;
    for (; records && !records->Eof(); records->MoveNext()) {
      seen.emplace_back(records->Fields(u"Name"), records->Fields(u"Data"));
    }
    return seen;
  }

  fakes::FakeRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

// Each row writes its own value: what is stored, what reads back ("-": nothing,
// the default), the message shown. A value that is not written opens no key.
TEST_F(RegUtilitiesTest, WritesEachTypeAsTheSystemStoresIt) {
  const Text x127(127, u'x'), zero(u"A\0B", 3), binary(u"AB\u00E9\u20AC");
  const auto tooLong = [](const char16_t* size, const char16_t* name) {
    return u"Registry setting to long :  " + Text(size) +
           u"\r\nFor Key: SOFTWARE\\Sigpatch\r\nFor Variable: " + name;
  };
  using Stored = std::optional<StoredValue>;
  // clang-format off
  const std::tuple<const char16_t*, Variant, const char16_t*, Stored, Text, Text> cases[] = {
      {u"Path", Variant(u"C:\\Updates"), u"REG_SZ", sz(u"C:\\Updates"), u"C:\\Updates", u""},
      {u"Greeting", Variant(u"Grüße Ω"), u"REG_SZ", sz(u"Grüße Ω"), u"Grüße Ω", u""},
      {u"Empty", Variant(u""), u"REG_SZ", sz(u""), u"", u""},
      {u"Where", Variant(u"%P%"), u"REG_EXPAND_SZ", StoredValue{2, utf16(u"%P%")}, u"%P%", u""},
      {u"Huge", Variant(1e200), u"REG_SZ", sz(u"1E+200"), u"1E+200", u""},
      {u"Longest", Variant(x127), u"REG_SZ", sz(x127), x127, u""},
      {u"Long", Variant(x127 + u"y"), u"REG_SZ", nullopt, u"-", tooLong(u"128", u"Long")},
      {u"N", Variant(Text(32767, u'1')), u"REG_DWORD", nullopt, u"-", tooLong(u"32767", u"N")},
      {u"Longer", Variant(Text(32768, u'x')), u"REG_SZ", nullopt, u"-", kFault + u"6, Overflow"},
      {u"Count", Variant(u"17"), u"REG_DWORD", StoredValue{4, {17, 0, 0, 0}}, u"17", u""},
      {u"Minus", Variant(-1), u"REG_DWORD", StoredValue{4, Bytes(4, 0xFF)}, u"-1", u""},
      {u"Word", Variant(u"seven"), u"REG_DWORD", nullopt, u"-", kFault + u"13, Type mismatch"},
      {u"Blob", Variant(binary), u"REG_BINARY", StoredValue{3, {65, 66, 0xE9, 0x80}}, binary, u""},
      {u"Zero", Variant(zero), u"REG_BINARY", StoredValue{3, {0x41, 0, 0x42}}, zero, u""},
      {u"Wide", Variant(u"\u0100"), u"REG_BINARY", nullopt, u"-",
       kFault + u"5, Invalid procedure call or argument"},
      {u"Lower", Variant(u"x"), u"reg_sz", nullopt, u"-", u""},
      {u"NoType", Variant(u"x"), u"", nullopt, u"-", u""},
      {u"Multi", Variant(u"x"), u"REG_MULTI_SZ", nullopt, u"-", u""},
      {u"Blank", Variant(u"x"), u"REG_SZ ", nullopt, u"-", u""}};
  // clang-format on
  for (const auto& [name, value, type, expected, read, prompt] : cases) {
    SCOPED_TRACE(text::toUtf8(name));
    const int opened = store.calls[Call::OpenKeyEx];
    reg.SetKeyValue(kHive, name, value, type);
    EXPECT_EQ(store.calls[Call::OpenKeyEx] == opened, !expected) << "only a write opens the key";
    EXPECT_EQ(prompts(), one(prompt));
    EXPECT_EQ(stored(name), expected);
    EXPECT_EQ(reg.GetKeyValue(kHive, name, u"-"), read);
  }
  reg.SetKeyValue(kHive, u"Omitted", Variant(u"x"));
  EXPECT_EQ(stored(u"Omitted"), nullopt);
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
  // The failure, the key path, the prompt, and the opens and creates it takes.
  const std::tuple<std::function<void()>, const char16_t*, Text, int, int> cases[] = {
      {[] {}, u"HKEY_FOO\\Software", error + u"6\r\nFor keyname: Software" + path, 1, 0},
      {[&] { store.FailCall(Call::SetValueEx, 112); }, kHive, error + u"112" + settings, 1, 0},
      {[&] { store.FailCall(Call::CreateKeyEx, 5); }, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New",
       error + u"2\r\nFor keyname: SOFTWARE\\New" + path, 2, 1},
      {[&] { store.FailCall(Call::OpenKeyEx, 1016); }, kHive, error + u"1016" + settings, 1, 0},
      {[&] { store.readOnly = true; }, kHive, error + u"5" + settings, 1, 0},
  };
  reg.SetKeyValue(kHive, u"Path", Variant(u"old"), u"REG_SZ");
  for (const auto& [arm, hive, prompt, opens, creates] : cases) {
    SCOPED_TRACE(text::toUtf8(prompt));
    arm();
    const int opened = store.calls[Call::OpenKeyEx], created = store.calls[Call::CreateKeyEx];
    reg.SetKeyValue(hive, u"Path", Variant(u"new"), u"REG_SZ");
    EXPECT_EQ(prompts(), Prompts{prompt});
    EXPECT_EQ(store.calls[Call::OpenKeyEx] - opened, opens);
    EXPECT_EQ(store.calls[Call::CreateKeyEx] - created, creates);
    EXPECT_EQ(stored(u"Path"), sz(u"old"));
  }
  // A key the user may read but not change is read all the same.
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Path", u"default"), u"old");
  EXPECT_EQ(reg.GetKeyType(kHive, u"Path"), 1);
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kHive)), (Records{{u"Path", u"old"}}));
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0), u"1: Path: 6F, 6C, 64, 00\r\n");
  EXPECT_EQ(walk(reg.EnumerateAnyBranch(u"HKEY_LOCAL_MACHINE\\SOFTWARE")),
            (Records{{u"Sigpatch", u""}}));
  // Deleting is quiet, and keeps the value.
  EXPECT_TRUE(reg.DeleteValue(kHive, u"Path"));
  EXPECT_EQ(stored(u"Path"), sz(u"old"));
  reg.CreateNewKey(u"HKEY_USERS\\C");
  EXPECT_FALSE(keyExists(store, kHkeyUsers, u"C"));
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, MissingRegistryServiceIsAnErrorReportOfEachHandler) {
  platform::ScopedPlatform without(platform::Platform{&fake.windowing, &fake.clock});
  reg.SetKeyValue(kHive, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Path", u"d"), u"d");
  EXPECT_FALSE(reg.DeleteValue(kHive, u"Path"));
  EXPECT_EQ(reg.GetKeyType(kHive, u"Path"), -1) << "silently";
  const Text fault = u": 91, Object variable or With block variable not set";
  EXPECT_EQ(prompts(), (Prompts{u"sigpatch.RegUtilities.SetKeyValue" + fault,
                                u"sigpatch.RegUtilities.GetKeyValue" + fault,
                                u"sigpatch.RegUtilities.DeleteValue" + fault}));
  EXPECT_THROW(reg.CreateNewKey(kHive), RuntimeError);
  EXPECT_THROW(reg.DeleteKey(kHive), RuntimeError);
  EXPECT_THROW(reg.EnumerateAnyKey(kHive), RuntimeError);
}

TEST_F(RegUtilitiesTest, ReadsEachStoredTypeAsTextOrTheDefaultSilently) {
  const Text list(u"ab\0cd\0", 6), longText(300, u'y');
  // clang-format off
  const std::tuple<const char16_t*, std::uint32_t, Bytes, Text, Text> cases[] = {
      {u"Text", kRegSz, utf16(u"x"), u"x", u""},
      {u"Bare", kRegSz, Bytes{}, u"", u""},
      {u"Long text", kRegSz, utf16(longText), longText, u""},
      {u"Where", kRegExpandSz, utf16(u"%PATH%"), u"%PATH%", u""},
      {u"List", kRegMultiSz, utf16(list), list, u""},
      {u"Count", kRegDword, Bytes{17, 0, 0, 0}, u"17", u""},
      {u"Short", kRegDword, Bytes{1, 1}, u"257", u""},
      {u"Long", kRegDword, Bytes(8, 1), u"d", u""},
      {u"Q", kRegQword, Bytes(8, 1), u"d", u"Illegal RegType: 11"},
      {u"None", kRegNone, Bytes{}, u"d", u"Illegal RegType: 0"}};
  // clang-format on
  for (const auto& [name, type, data, read, prompt] : cases) {
    SCOPED_TRACE(text::toUtf8(name));
    put(name, type, data);
    const int queried = store.calls[Call::QueryValueEx];
    EXPECT_EQ(reg.GetKeyValue(kHive, name, u"d"), read);
    if (type == kRegSz && !data.empty()) {
      EXPECT_EQ(store.calls[Call::QueryValueEx] - queried, read == longText ? 2 : 1)
          << "a short text is read at once, a long one after its size";
    }
    EXPECT_EQ(prompts(), one(prompt));
    EXPECT_EQ(reg.GetKeyType(kHive, name), static_cast<std::int32_t>(type));
  }
  store.FailCall(Call::QueryValueEx, 1016);
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{}) << "a failed first read is silent";
  store.FailCall(Call::QueryValueEx, 234, 2);
  EXPECT_EQ(reg.GetKeyValue(kHive, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{u"Error RegQueryValueExSTRING: 234"});
  // Key paths: the root by its whole name, a doubled backslash after it, any letter case after.
  const std::tuple<const char16_t*, const char16_t*, bool> paths[] = {
      {u"HKEY_LOCAL_MACHINE\\\\software\\SIGPATCH\\", u"Text", true},
      {kHive, u"Other", false},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Nothing", u"Text", false},
      {u"HKEY_WHATEVER\\SOFTWARE\\Sigpatch", u"Text", false},
      {u"HKLM\\SOFTWARE\\Sigpatch", u"Text", false},
      {u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Sigpatch", u"Text", false},
      {u"hkey_local_machine\\SOFTWARE\\Sigpatch", u"Text", false}};
  for (const auto& [hive, name, found] : paths) {
    SCOPED_TRACE(text::toUtf8(hive));
    EXPECT_EQ(reg.GetKeyValue(hive, name, u"d"), found ? u"x" : u"d");
    EXPECT_EQ(reg.GetKeyType(hive, name), found ? 1 : -1);
    EXPECT_EQ(reg.EnumerateAnyKey(hive, name) == nullptr,
              !found && std::u16string_view(name) == u"Text");
  }
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, KeysAndValuesAreCreatedAndDeletedQuietly) {
  reg.CreateNewKey(u"HKEY_USERS\\A\\B");
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_USERS\\A").IsEmpty());
  EXPECT_TRUE(keyExists(store, kHkeyUsers, u"A\\B")) << "a key with sub-keys stays";
  reg.DeleteKey(u"HKEY_USERS\\A\\B");
  reg.DeleteKey(u"HKEY_USERS\\A");
  EXPECT_FALSE(keyExists(store, kHkeyUsers, u"A"));
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_USERS\\A").IsEmpty());
  reg.SetKeyValue(kHive, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_TRUE(reg.DeleteValue(kHive, u"PATH"));
  EXPECT_EQ(stored(u"Path"), nullopt);
  EXPECT_TRUE(reg.DeleteValue(kHive, u"Path"));
  EXPECT_TRUE(reg.DeleteValue(u"HKEY_LOCAL_MACHINE\\Missing", u"Path"));
  reg.CreateNewKey(u"HKEY_NOPE\\C");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, BinaryKeyListsValuesAsNumberedHexLinesUpTo2000Characters) {
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0), u"") << "no key";
  EXPECT_EQ(reg.EnumerateBinaryKey(u"HKEY_NONE\\x", 0), u"");
  reg.CreateNewKey(kHive);
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0), u"") << "no values";
  put(u"Flags", kRegBinary, Bytes{1, 2});
  put(u"Text", kRegSz, utf16(u"AB"));
  put(u"Count", kRegDword, Bytes{0x11, 0, 0, 0});
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0),
            u"1: Flags: 01, 02\r\n2: Text: 41, 42, 00\r\n3: Count: 11, 00, 00, 00\r\n");
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0, u"FLAGS"), u"01, 02");
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 0, u"nothing"), u"");
  EXPECT_EQ(reg.EnumerateBinaryKey(kHive, 1, u"flags"),
            u"\tszBin=\"\"; szBin[0]=\"1\"; szBin[1]=\"2\";");
  put(u"Text", kRegBinary, Bytes(2000, 7));
  put(u"Count", kRegBinary, Bytes(2001, 7));
  put(u"After", kRegBinary, Bytes{1});
  const auto lines = reg.EnumerateBinaryKey(kHive, 0);
  EXPECT_EQ(lines.substr(0, 35), u"1: Flags: 01, 02\r\n2: Text: 07, 07, ");
  EXPECT_EQ(lines.find(u"Count"), Text::npos) << "a buffer too small ends the list";
  EXPECT_EQ(lines.find(u"After"), Text::npos);
  EXPECT_EQ(reg.EnumerateAnyKey(kHive)->RecordCount(), 2);
}

TEST_F(RegUtilitiesTest, AnyKeyGivesNameAndDataRecordsFromTheFirst) {
  reg.CreateNewKey(kHive);
  auto empty = reg.EnumerateAnyKey(kHive);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->Bof() && empty->Eof());
  const Text count(u"\x11\0\0\0", 4), multi(u"a\0b\0", 4), fits(1999, u'\u00E9');
  put(u"Empty", kRegSz, utf16(u""));
  put(u"Bare", kRegSz, Bytes{});
  put(u"Count", kRegDword, Bytes{0x11, 0, 0, 0});
  put(u"Multi", kRegMultiSz, utf16(multi));
  put(u"Fits", kRegSz, utf16(fits));
  auto records = reg.EnumerateAnyKey(kHive);
  EXPECT_EQ(records->RecordCount(), 5);
  EXPECT_FALSE(records->Bof());
  EXPECT_EQ(
      walk(records),
      (Records{
          {u"Empty", u""}, {u"Bare", u""}, {u"Count", count}, {u"Multi", multi}, {u"Fits", fits}}));
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kHive, u"count")), (Records{{u"Count", count}}));
  auto none = reg.EnumerateAnyKey(kHive, u"c");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->Bof() && none->Eof());
  store.FailCall(Call::EnumValue, 1016, 2);
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kHive)), (Records{{u"Empty", u""}})) << "a failed step ends";
  // Data or a name of 2000 characters ends the list.
  put(u"Big", kRegSz, utf16(Text(2000, u'a')));
  put(u"After", kRegSz, Bytes{});
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kHive)).size(), 5u);
  put(u"Big", kRegSz, utf16(u"2"));
  put(Text(2000, u'n'), kRegSz, Bytes{});
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kHive)).back(), (std::pair{Text(u"After"), Text()}));
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, AnyBranchListsSubKeysInTheSystemsOrder) {
  EXPECT_EQ(reg.EnumerateAnyBranch(kHive), nullptr);
  EXPECT_EQ(reg.EnumerateAnyBranch(u"HKEY_UNKNOWN"), nullptr);
  reg.CreateNewKey(kHive);
  EXPECT_EQ(reg.EnumerateAnyBranch(kHive)->RecordCount(), 0);
  for (auto key : {u"\\Two", u"\\One", u"\\one\\Deeper"}) reg.CreateNewKey(kHive + Text(key));
  put(u"NotAKey", kRegSz, utf16(u"x"));
  EXPECT_EQ(walk(reg.EnumerateAnyBranch(kHive)), (Records{{u"One", u""}, {u"Two", u""}}));
}

TEST(RecordsetTest, FaultsWithoutACurrentRecordOrAField) {
  Recordset records;
  auto faultOf = [&](const std::function<void()>& action) {
    try {
      action();
    } catch (const RuntimeError& e) {
      return e.Number();
    }
    return 0;
  };
  records.AppendField(u"Name", Recordset::kVarChar, 255);
  records.Open();
  EXPECT_EQ(faultOf([&] { records.MoveFirst(); }), 3021);
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Name"); }), 3021);
  records.AddNew();
  EXPECT_EQ(faultOf([&] { records.MovePrevious(), records.MovePrevious(); }), 3021);
  EXPECT_EQ(faultOf([&] { records.MoveLast(), records.MoveNext(), records.MoveNext(); }), 3021);
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Value"); }), 3265);
  EXPECT_EQ(faultOf([&] { records.AppendField(u"NAME", Recordset::kVarChar, 10); }), 457);
}

}  // namespace
}  // namespace sigpatch
