// RegUtilities over the fake registry: key paths, writing, reading, keys,
// enumeration, and the recordsets it gives.

#include <gtest/gtest.h>

#include <functional>

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

constexpr char16_t kSettings[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";
constexpr char16_t kBranch[] = u"SOFTWARE\\Ferrolite\\Sigpatch";

StoredValue sz(std::u16string_view text) { return {kRegSz, utf16(text)}; }
StoredValue dword(std::int64_t n) {
  Bytes b;
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
  return {kRegDword, b};
}

class RegUtilitiesTest : public ::testing::Test {
 protected:
  RegUtilitiesTest() {
    fake.Set([&](Platform& s) { s.registry = &store; });
  }
  void TearDown() override { EXPECT_EQ(store.OpenHandles(), 0u) << "a key was left open"; }

  std::optional<StoredValue> stored(std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, kBranch, name);
  }
  void put(std::u16string_view name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, name, type, data), 0);
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
  // The records as (Name, Data) pairs, walked from the current record.
  static Records walk(Recordset* records) {
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

TEST_F(RegUtilitiesTest, KeyPathSplitsIntoRootAndBranch) {
  struct Case {
    const char16_t* path;
    std::uint32_t predefined;
    const char16_t* root;
    const char16_t* branch;
  };
  const Case cases[] = {
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE", 0x80000002u, u"HKEY_LOCAL_MACHINE", u"SOFTWARE"},
      {u"hkey_local_machine\\software", 0, u"hkey_local_machine", u"software"},
      {u"HKEY_CLASSES_ROOT", 0x80000000u, u"HKEY_CLASSES_ROOT", u""},
      {u"HKEY_CURRENT_USER\\x", 0x80000001u, u"HKEY_CURRENT_USER", u"x"},
      {u"HKEY_USERS", 0x80000003u, u"HKEY_USERS", u""},
      {u"HKLM\\SOFTWARE", 0, u"HKLM", u"SOFTWARE"},
      {u"HKEY_CURRENT_CONFIG\\x", 0, u"HKEY_CURRENT_CONFIG", u"x"},
      {u"\\HKEY_LOCAL_MACHINE", 0, u"", u"HKEY_LOCAL_MACHINE"},
      {u"\\SOFTWARE\\X", 0, u"", u"SOFTWARE\\X"},
      {u"HKEY_LOCAL_MACHINE\\\\SOFTWARE", 0x80000002u, u"HKEY_LOCAL_MACHINE", u"SOFTWARE"},
      {kSettings, 0x80000002u, u"HKEY_LOCAL_MACHINE", kBranch},
      {u"HKEY_USERS\\A\\\\B\\", 0x80000003u, u"HKEY_USERS", u"A\\\\B\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.path));
    EXPECT_EQ(reg.GetPredefinedRootKey(c.path), static_cast<std::int32_t>(c.predefined));
    EXPECT_EQ(reg.GetRootKey(c.path), Variant(c.root));
    EXPECT_EQ(reg.GetBranch(c.path), Variant(c.branch));
  }
  EXPECT_EQ(reg.GetRootKey(u"HKEY_USERS").kind(), Variant::Kind::String);
}

// Each row writes its own value: what is stored, what reads back, the message
// shown. A value that is not written opens no key, so it leaves none behind.
TEST_F(RegUtilitiesTest, WritesEachTypeAsTheSystemStoresIt) {
  const std::u16string longest(127, u'x');
  const std::u16string tooLong = longest + u"y";
  const std::u16string fault = u"sigpatch.RegUtilities.SetKeyValue: ";
  const std::u16string tail = u"\r\nFor Key: SOFTWARE\\Ferrolite\\Sigpatch\r\nFor Variable: ";
  struct Case {
    const char16_t* name;
    Variant value;
    const char16_t* type;
    std::optional<StoredValue> stored;
    std::u16string read;  // "-": the default, nothing to read
    std::u16string prompt;
  };
  const Case cases[] = {
      {u"Path", Variant(u"C:\\Updates"), u"REG_SZ", sz(u"C:\\Updates"), u"C:\\Updates", u""},
      {u"Greeting", Variant(u"Grüße Ω"), u"REG_SZ", sz(u"Grüße Ω"), u"Grüße Ω", u""},
      {u"Empty", Variant(u""), u"REG_SZ", StoredValue{kRegSz, Bytes{0, 0}}, u"", u""},
      {u"Where", Variant(u"%PATH%;x"), u"REG_EXPAND_SZ",
       StoredValue{kRegExpandSz, utf16(u"%PATH%;x")}, u"%PATH%;x", u""},
      {u"Number", Variant(12345), u"REG_SZ", sz(u"12345"), u"12345", u""},
      {u"Huge", Variant(1e200), u"REG_SZ", sz(u"1E+200"), u"1E+200", u""},
      {u"Longest", Variant(longest), u"REG_SZ", sz(longest), longest, u""},
      {u"Long", Variant(tooLong), u"REG_SZ", std::nullopt, u"-",
       u"Registry setting to long :  128" + tail + u"Long"},
      {u"LongNumber", Variant(std::u16string(32767, u'1')), u"REG_DWORD", std::nullopt, u"-",
       u"Registry setting to long :  32767" + tail + u"LongNumber"},
      {u"Longer", Variant(std::u16string(32768, u'x')), u"REG_SZ", std::nullopt, u"-",
       fault + u"6, Overflow"},
      {u"Count", Variant(u"17"), u"REG_DWORD", dword(17), u"17", u""},
      {u"Minus", Variant(-1), u"REG_DWORD", dword(-1), u"-1", u""},
      {u"Least", Variant(u"-2147483648"), u"REG_DWORD", dword(-2147483648LL), u"-2147483648", u""},
      {u"Even", Variant(2.5), u"REG_DWORD", dword(2), u"2", u""},
      {u"Above", Variant(2.5000001), u"REG_DWORD", dword(3), u"3", u""},
      {u"Blanks", Variant(u" 2.5 "), u"REG_DWORD", dword(2), u"2", u""},
      {u"AllOnes", Variant(u"&HFFFFFFFF"), u"REG_DWORD", dword(-1), u"-1", u""},
      {u"True", Variant(true), u"REG_DWORD", dword(-1), u"-1", u""},
      {u"Short", Variant(std::int16_t{-7}), u"REG_DWORD", dword(-7), u"-7", u""},
      {u"Unsigned", Variant(u"4294967295"), u"REG_DWORD", std::nullopt, u"-",
       fault + u"6, Overflow"},
      {u"Word", Variant(u"seventeen"), u"REG_DWORD", std::nullopt, u"-",
       fault + u"13, Type mismatch"},
      {u"Nothing", Variant(u""), u"REG_DWORD", std::nullopt, u"-", fault + u"13, Type mismatch"},
      {u"Blob", Variant(u"AB\u00E9\u20AC"), u"REG_BINARY",
       StoredValue{kRegBinary, Bytes{0x41, 0x42, 0xE9, 0x80}}, u"AB\u00E9\u20AC", u""},
      {u"Zero", Variant(std::u16string(u"A\0B", 3)), u"REG_BINARY",
       StoredValue{kRegBinary, Bytes{0x41, 0, 0x42}}, std::u16string(u"A\0B", 3), u""},
      {u"Wide", Variant(u"\u0100"), u"REG_BINARY", std::nullopt, u"-",
       fault + u"5, Invalid procedure call or argument"},
      {u"Lower", Variant(u"x"), u"reg_sz", std::nullopt, u"-", u""},
      {u"NoType", Variant(u"x"), u"", std::nullopt, u"-", u""},
      {u"Multi", Variant(u"x"), u"REG_MULTI_SZ", std::nullopt, u"-", u""},
      {u"Blank", Variant(u"x"), u"REG_SZ ", std::nullopt, u"-", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.name));
    const int opened = store.calls[Call::OpenKeyEx];
    reg.SetKeyValue(kSettings, c.name, c.value, c.type);
    EXPECT_EQ(store.calls[Call::OpenKeyEx] == opened, !c.stored) << "only a write opens the key";
    EXPECT_EQ(prompts(), c.prompt.empty() ? Prompts{} : Prompts{c.prompt});
    EXPECT_EQ(stored(c.name), c.stored);
    EXPECT_EQ(reg.GetKeyValue(kSettings, c.name, u"-"), c.read);
  }
  reg.SetKeyValue(kSettings, u"Omitted", Variant(u"x"));
  EXPECT_EQ(stored(u"Omitted"), std::nullopt);
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, MissingKeyIsCreatedOnceUnderItsOwnRoot) {
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\Software\\A\\B\\C", u"V", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software\\A\\B\\C", u"V"), sz(u"x"));
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"Software\\A"));
  EXPECT_EQ(store.calls[Call::CreateKeyEx], 1);
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\Software\\A\\B\\C", u"V", Variant(u"y"), u"REG_SZ");
  EXPECT_EQ(store.calls[Call::CreateKeyEx], 1) << "an existing key is opened";
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, ReadingOpensForReadingAndChangingForFullAccess) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  reg.GetKeyValue(kSettings, u"Path", u"");
  reg.GetKeyType(kSettings, u"Path");
  reg.EnumerateAnyKey(kSettings);
  reg.EnumerateBinaryKey(kSettings, 0);
  reg.EnumerateAnyBranch(kSettings);
  reg.DeleteValue(kSettings, u"Path");
  EXPECT_EQ(store.openAccess, (std::vector<std::uint32_t>{0xF003F, 0xF003F, 0x20019, 0x20019,
                                                          0x20019, 0x20019, 0x20019, 0xF003F}));
}

TEST_F(RegUtilitiesTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT1.EXE"), u"REG_SZ");
  reg.SetKeyValue(u"HKEY_LOCAL_MACHINE\\software\\FERROLITE\\sigpatch", u"LATESTUPDATE",
                  Variant(u"SDAT2.EXE"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"latestupdate", u""), u"SDAT2.EXE");
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings).get()), (Records{{u"LatestUpdate", u"SDAT2.EXE"}}));
}

// A write that fails shows the system's code and keeps the value there was.
TEST_F(RegUtilitiesTest, FailedWriteShowsTheSystemsCode) {
  struct Case {
    const char* what;
    const char16_t* hive;
    std::function<void()> arm;
    std::u16string prompt;
    int opens;
    int creates;
  };
  const std::u16string settings =
      u"\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Path";
  const Case cases[] = {
      {"an unknown root", u"HKEY_FOO\\Software", [] {},
       u"Error updating registry:  6\r\nFor keyname: Software\r\nFor variable: Path", 1, 0},
      {"the value cannot be set", kSettings, [&] { store.FailCall(Call::SetValueEx, 112); },
       u"Error updating registry:  112" + settings, 1, 0},
      {"the key cannot be created", u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New",
       [&] { store.FailCall(Call::CreateKeyEx, 5); },
       u"Error updating registry:  2\r\nFor keyname: SOFTWARE\\New\r\nFor variable: Path", 2, 1},
      {"the key fails to open otherwise", kSettings, [&] { store.FailCall(Call::OpenKeyEx, 1016); },
       u"Error updating registry:  1016" + settings, 1, 0},
      {"a store the user may only read", kSettings, [&] { store.readOnly = true; },
       u"Error updating registry:  5" + settings, 1, 0},
  };
  reg.SetKeyValue(kSettings, u"Path", Variant(u"old"), u"REG_SZ");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.arm();
    const int opens = store.calls[Call::OpenKeyEx];
    const int creates = store.calls[Call::CreateKeyEx];
    reg.SetKeyValue(c.hive, u"Path", Variant(u"new"), u"REG_SZ");
    EXPECT_EQ(prompts(), Prompts{c.prompt});
    EXPECT_EQ(store.calls[Call::OpenKeyEx] - opens, c.opens);
    EXPECT_EQ(store.calls[Call::CreateKeyEx] - creates, c.creates);
    EXPECT_EQ(stored(u"Path"), sz(u"old"));
  }
  // A key the user may read but not change is read all the same.
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u"default"), u"old");
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Path"), 1);
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings).get()), (Records{{u"Path", u"old"}}));
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0), u"1: Path: 6F, 6C, 64, 00\r\n");
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\New"));
}

TEST_F(RegUtilitiesTest, MissingRegistryServiceIsAnErrorReportOfEachHandler) {
  platform::ScopedPlatform without(platform::Platform{&fake.windowing, &fake.clock});
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u"d"), u"d");
  EXPECT_FALSE(reg.DeleteValue(kSettings, u"Path"));
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Path"), -1) << "silently";
  const std::u16string fault = u": 91, Object variable or With block variable not set";
  EXPECT_EQ(prompts(), (Prompts{u"sigpatch.RegUtilities.SetKeyValue" + fault,
                                u"sigpatch.RegUtilities.GetKeyValue" + fault,
                                u"sigpatch.RegUtilities.DeleteValue" + fault}));
  EXPECT_THROW(reg.CreateNewKey(kSettings), RuntimeError);
  EXPECT_THROW(reg.DeleteKey(kSettings), RuntimeError);
  EXPECT_THROW(reg.EnumerateAnyKey(kSettings), RuntimeError);
}

TEST_F(RegUtilitiesTest, ReadsEachStoredTypeAsText) {
  struct Case {
    const char16_t* name;
    std::uint32_t type;
    Bytes data;
    std::u16string read;  // "d": the default
    std::u16string prompt;
  };
  const Case cases[] = {
      {u"Text", kRegSz, utf16(u"x"), u"x", u""},
      {u"Bare", kRegSz, Bytes{}, u"", u""},
      {u"Where", kRegExpandSz, utf16(u"%PATH%"), u"%PATH%", u""},
      {u"List", kRegMultiSz, utf16(std::u16string(u"ab\0cd\0", 6)), std::u16string(u"ab\0cd\0", 6),
       u""},
      {u"Count", kRegDword, Bytes{17, 0, 0, 0}, u"17", u""},
      {u"Short", kRegDword, Bytes{1, 1}, u"257", u""},
      {u"Long", kRegDword, Bytes(8, 1), u"d", u""},
      {u"Q", kRegQword, Bytes(8, 1), u"d", u"Illegal RegType: 11"},
      {u"None", kRegNone, Bytes{}, u"d", u"Illegal RegType: 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.name));
    put(c.name, c.type, c.data);
    EXPECT_EQ(reg.GetKeyValue(kSettings, c.name, u"d"), c.read);
    EXPECT_EQ(prompts(), c.prompt.empty() ? Prompts{} : Prompts{c.prompt});
    EXPECT_EQ(reg.GetKeyType(kSettings, c.name), static_cast<std::int32_t>(c.type));
  }
  const std::u16string longText(300, u'y');
  put(u"Long text", kRegSz, utf16(longText));
  for (const auto& [name, text, reads] : {std::tuple{u"Text", std::u16string(u"x"), 1},
                                          std::tuple{u"Long text", longText, 2}}) {
    const int before = store.calls[Call::QueryValueEx];
    EXPECT_EQ(reg.GetKeyValue(kSettings, name, u""), text);
    EXPECT_EQ(store.calls[Call::QueryValueEx] - before, reads) << "a short value is read at once";
  }
  store.FailCall(Call::QueryValueEx, 1016);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{}) << "a failed first read is silent";
  store.FailCall(Call::QueryValueEx, 234, 2);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Long text", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{u"Error RegQueryValueExSTRING: 234"});
}

TEST_F(RegUtilitiesTest, MissingValueKeyOrRootReadsAsTheDefaultSilently) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  const std::pair<const char16_t*, const char16_t*> missing[] = {
      {kSettings, u"Other"},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Nothing", u"Path"},
      {u"HKEY_WHATEVER\\SOFTWARE\\Ferrolite\\Sigpatch", u"Path"},
      {u"hkey_local_machine\\SOFTWARE\\Ferrolite\\Sigpatch", u"Path"},
  };
  for (const auto& [hive, name] : missing) {
    SCOPED_TRACE(text::toUtf8(hive));
    EXPECT_EQ(reg.GetKeyValue(hive, name, u"d"), u"d");
    EXPECT_EQ(reg.GetKeyType(hive, name), -1);
    EXPECT_EQ(reg.EnumerateAnyKey(hive, name) == nullptr, std::u16string_view(name) == u"Path");
  }
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, KeysAndValuesAreCreatedAndDeletedQuietly) {
  reg.CreateNewKey(u"HKEY_USERS\\A\\B");
  reg.CreateNewKey(u"HKEY_USERS\\A\\B");
  EXPECT_TRUE(keyExists(store, kHkeyUsers, u"A\\B"));
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_USERS\\A").IsEmpty());
  EXPECT_TRUE(keyExists(store, kHkeyUsers, u"A")) << "a key with sub-keys stays";
  reg.DeleteKey(u"HKEY_USERS\\A\\B");
  reg.DeleteKey(u"HKEY_USERS\\A");
  EXPECT_FALSE(keyExists(store, kHkeyUsers, u"A"));
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_USERS\\A").IsEmpty());
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"PATH"));
  EXPECT_EQ(stored(u"Path"), std::nullopt);
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"Path"));
  EXPECT_TRUE(reg.DeleteValue(u"HKEY_LOCAL_MACHINE\\Missing", u"Path"));
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  store.readOnly = true;
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"Path"));
  EXPECT_EQ(stored(u"Path"), sz(u"x"));
  reg.CreateNewKey(u"HKEY_USERS\\C");
  reg.CreateNewKey(u"HKEY_NOPE\\C");
  EXPECT_FALSE(keyExists(store, kHkeyUsers, u"C"));
  EXPECT_EQ(prompts(), Prompts{});
}

// Enumeration.

TEST_F(RegUtilitiesTest, BinaryKeyListsValuesAsNumberedHexLines) {
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0), u"") << "no key";
  EXPECT_EQ(reg.EnumerateBinaryKey(u"HKEY_NONE\\x", 0), u"");
  reg.CreateNewKey(kSettings);
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0), u"") << "no values";
  put(u"Flags", kRegBinary, Bytes{1, 2});
  put(u"Text", kRegSz, utf16(u"AB"));
  put(u"Count", kRegDword, Bytes{0x11, 0, 0, 0});
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0),
            u"1: Flags: 01, 02\r\n2: Text: 41, 42, 00\r\n3: Count: 11, 00, 00, 00\r\n");
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0, u"FLAGS"), u"01, 02");
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 0, u"nothing"), u"");
  EXPECT_EQ(reg.EnumerateBinaryKey(kSettings, 1, u"flags"),
            u"\tszBin=\"\"; szBin[0]=\"1\"; szBin[1]=\"2\";");
}

TEST_F(RegUtilitiesTest, BuffersOf2000CharactersEndTheList) {
  put(u"Small", kRegBinary, Bytes(2000, 7));
  put(u"Big", kRegBinary, Bytes(2001, 7));
  put(u"After", kRegBinary, Bytes{1});
  const auto lines = reg.EnumerateBinaryKey(kSettings, 0);
  EXPECT_EQ(lines.rfind(u"1: Small: 07, 07", 0), 0u);
  EXPECT_EQ(lines.find(u"Big"), std::u16string::npos);
  EXPECT_EQ(lines.find(u"After"), std::u16string::npos);
  EXPECT_EQ(reg.EnumerateAnyKey(kSettings)->RecordCount(), 1);
  const std::u16string fits(1999, u'\u00E9');
  put(u"Small", kRegSz, utf16(fits));
  put(u"Big", kRegSz, utf16(std::u16string(2000, u'a')));
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings).get()), (Records{{u"Small", fits}}));
  put(u"Big", kRegSz, utf16(u"2"));
  put(std::u16string(2000, u'n'), kRegSz, utf16(u"2"));
  put(u"After", kRegSz, utf16(u"3"));
  put(u"Final", kRegSz, utf16(u"4"));
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings).get()),
            (Records{{u"Small", fits}, {u"Big", u"2"}, {u"After", u"3"}}))
      << "a name too long ends the list";
}

TEST_F(RegUtilitiesTest, AnyKeyGivesNameAndDataRecordsFromTheFirst) {
  reg.CreateNewKey(kSettings);
  auto empty = reg.EnumerateAnyKey(kSettings);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->Bof() && empty->Eof());
  EXPECT_EQ(empty->RecordCount(), 0);
  put(u"Empty", kRegSz, utf16(u""));
  put(u"Bare", kRegSz, Bytes{});
  put(u"Count", kRegDword, Bytes{0x11, 0, 0, 0});
  put(u"Multi", kRegMultiSz, utf16(std::u16string(u"a\0b\0", 4)));
  put(u"Nothing", kRegBinary, Bytes{});
  auto records = reg.EnumerateAnyKey(kSettings);
  EXPECT_EQ(records->RecordCount(), 5);
  EXPECT_FALSE(records->Bof());
  EXPECT_EQ(walk(records.get()), (Records{{u"Empty", u""},
                                          {u"Bare", u""},
                                          {u"Count", std::u16string(u"\x11\0\0\0", 4)},
                                          {u"Multi", std::u16string(u"a\0b\0", 4)},
                                          {u"Nothing", u""}}));
  ASSERT_EQ(records->FieldList().size(), 2u);
  EXPECT_EQ(records->FieldList()[0].Name, u"Name");
  EXPECT_EQ(records->FieldList()[1].Name, u"Data");
  EXPECT_EQ(records->FieldList()[1].Type, 200);
  EXPECT_EQ(records->FieldList()[1].DefinedSize, 255);
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings, u"count").get()),
            (Records{{u"Count", std::u16string(u"\x11\0\0\0", 4)}}));
  auto none = reg.EnumerateAnyKey(kSettings, u"c");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->Bof() && none->Eof());
  store.FailCall(Call::EnumValue, 1016, 2);
  EXPECT_EQ(walk(reg.EnumerateAnyKey(kSettings).get()), (Records{{u"Empty", u""}}))
      << "a failed step ends the list";
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, AnyBranchListsSubKeysInTheSystemsOrder) {
  EXPECT_EQ(reg.EnumerateAnyBranch(kSettings), nullptr);
  EXPECT_EQ(reg.EnumerateAnyBranch(u"HKEY_UNKNOWN"), nullptr);
  reg.CreateNewKey(kSettings);
  EXPECT_EQ(reg.EnumerateAnyBranch(kSettings)->RecordCount(), 0);
  reg.CreateNewKey(kSettings + std::u16string(u"\\Two"));
  reg.CreateNewKey(kSettings + std::u16string(u"\\One"));
  reg.CreateNewKey(kSettings + std::u16string(u"\\one\\Deeper"));
  put(u"NotAKey", kRegSz, utf16(u"x"));
  EXPECT_EQ(walk(reg.EnumerateAnyBranch(kSettings).get()), (Records{{u"One", u""}, {u"Two", u""}}));
}

// Recordset.

std::int32_t faultOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(RecordsetTest, WalksFromTheFirstRecordToEofAndFaultsWithoutACurrentRecord) {
  Recordset records;
  records.AppendField(u"Name", Recordset::kVarChar, 255);
  records.AppendField(u"Data", Recordset::kVarChar, 255);
  records.Open();
  EXPECT_TRUE(records.Bof() && records.Eof());
  EXPECT_EQ(faultOf([&] { records.MoveFirst(); }), 3021);
  EXPECT_EQ(faultOf([&] { records.MoveNext(); }), 3021);
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Name"); }), 3021);
  for (auto name : {u"One", u"Two"}) {
    records.AddNew();
    records.Fields(u"Name") = name;
  }
  EXPECT_EQ(records.Fields(u"Name"), u"Two") << "a new record is the current one";
  records.MoveFirst();
  EXPECT_EQ(records.Fields(u"name"), u"One") << "field names ignore case";
  EXPECT_EQ(records.Fields(u"Data"), u"");
  records.MoveNext();
  EXPECT_EQ(records.Fields(u"Name"), u"Two");
  records.MoveNext();
  EXPECT_TRUE(records.Eof());
  EXPECT_FALSE(records.Bof());
  EXPECT_EQ(faultOf([&] { records.MoveNext(); }), 3021);
  records.MoveLast();
  records.MovePrevious();
  records.MovePrevious();
  EXPECT_TRUE(records.Bof());
  EXPECT_EQ(records.RecordCount(), 2);
  records.MoveFirst();
  records.Fields(u"Name") = std::u16string(300, u'x');
  EXPECT_EQ(records.Fields(u"Name").size(), 300u) << "longer than the defined size, kept whole";
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Value"); }), 3265);
  EXPECT_EQ(faultOf([&] { records.AppendField(u"NAME", Recordset::kVarChar, 10); }), 457);
  EXPECT_EQ(RuntimeError(3021).Description(),
            u"Either BOF or EOF is True, or the current record has been deleted. Requested "
            u"operation requires a current record.");
}

}  // namespace
}  // namespace sigpatch
