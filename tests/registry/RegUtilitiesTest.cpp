#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/RuntimeError.h"

namespace sigpatch {
namespace {

using fakes::FakeRegistry;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using testing::Bytes;
using testing::StoredValue;
using testing::storedValue;
using testing::storeValue;
using testing::utf16;

constexpr char16_t kSettings[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";
constexpr char16_t kBranch[] = u"SOFTWARE\\Ferrolite\\Sigpatch";

class RegUtilitiesTest : public ::testing::Test {
 protected:
  RegUtilitiesTest() {
    fake.Set([&](platform::Platform& s) { s.registry = &store; });
  }

  std::optional<StoredValue> stored(std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, kBranch, name);
  }

  std::vector<std::u16string> prompts() const {
    std::vector<std::u16string> texts;
    for (const auto& m : fake.windowing.messages) {
      EXPECT_EQ(m.title, u"Sigpatch");
      EXPECT_EQ(m.style, toolkit::MsgBoxStyle::OkOnly);
      texts.push_back(m.prompt);
    }
    return texts;
  }

  void TearDown() override { EXPECT_EQ(store.OpenHandles(), 0u) << "a key was left open"; }

  FakeRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

using Prompts = std::vector<std::u16string>;

// The key-path split.

TEST_F(RegUtilitiesTest, RootNamesGiveThePredefinedHandlesCaseSensitively) {
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE"),
            static_cast<std::int32_t>(0x80000002u));
  EXPECT_EQ(reg.GetPredefinedRootKey(u"hkey_local_machine\\software"), 0);
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKEY_CLASSES_ROOT"), static_cast<std::int32_t>(0x80000000u));
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKEY_CURRENT_USER\\x"),
            static_cast<std::int32_t>(0x80000001u));
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKEY_USERS"), static_cast<std::int32_t>(0x80000003u));
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKLM\\SOFTWARE"), 0);
  EXPECT_EQ(reg.GetPredefinedRootKey(u"HKEY_CURRENT_CONFIG\\x"), 0);
  EXPECT_EQ(reg.GetPredefinedRootKey(u"\\HKEY_LOCAL_MACHINE"), 0);
}

TEST_F(RegUtilitiesTest, SplitsRootAndBranch) {
  EXPECT_EQ(reg.GetRootKey(u"HKEY_USERS"), Variant(u"HKEY_USERS"));
  EXPECT_EQ(reg.GetBranch(u"HKEY_USERS"), Variant(u""));
  EXPECT_EQ(reg.GetBranch(u"HKEY_LOCAL_MACHINE\\\\SOFTWARE"), Variant(u"SOFTWARE"));
  EXPECT_EQ(reg.GetBranch(kSettings), Variant(kBranch));
  EXPECT_EQ(reg.GetRootKey(kSettings), Variant(u"HKEY_LOCAL_MACHINE"));
  EXPECT_EQ(reg.GetRootKey(u"\\SOFTWARE\\X"), Variant(u""));
  EXPECT_EQ(reg.GetBranch(u"\\SOFTWARE\\X"), Variant(u"SOFTWARE\\X"));
  EXPECT_EQ(reg.GetBranch(u"HKEY_USERS\\A\\\\B\\"), Variant(u"A\\\\B\\"));
  EXPECT_EQ(reg.GetRootKey(u"HKEY_USERS").kind(), Variant::Kind::String);
}

// Writing.

TEST_F(RegUtilitiesTest, WritesTextAsUtf16WithItsTerminator) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"C:\\Updates"), u"REG_SZ");
  EXPECT_EQ(stored(u"Path"), (StoredValue{1, utf16(u"C:\\Updates")}));
  reg.SetKeyValue(kSettings, u"Greeting", Variant(u"Grüße Ω"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Greeting", u"-"), u"Grüße Ω");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, EmptyTextIsStoredAsOneZeroCharacterAndReadsBackEmpty) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u""), u"REG_SZ");
  EXPECT_EQ(stored(u"Path"), (StoredValue{1, Bytes{0, 0}}));
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u"default"), u"");
}

TEST_F(RegUtilitiesTest, ExpandableTextIsNotExpanded) {
  reg.SetKeyValue(kSettings, u"Where", Variant(u"%PATH%;x"), u"REG_EXPAND_SZ");
  EXPECT_EQ(stored(u"Where"), (StoredValue{2, utf16(u"%PATH%;x")}));
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Where", u""), u"%PATH%;x");
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Where"), 2);
}

TEST_F(RegUtilitiesTest, DwordsAreStoredLowByteFirstAndReadAsSignedDecimal) {
  reg.SetKeyValue(kSettings, u"Count", Variant(u"17"), u"REG_DWORD");
  EXPECT_EQ(stored(u"Count"), (StoredValue{4, Bytes{17, 0, 0, 0}}));
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Count", u""), u"17");
  reg.SetKeyValue(kSettings, u"Count", Variant(-1), u"REG_DWORD");
  EXPECT_EQ(stored(u"Count"), (StoredValue{4, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}));
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Count", u""), u"-1");
  reg.SetKeyValue(kSettings, u"Count", Variant(u"-2147483648"), u"REG_DWORD");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Count", u""), u"-2147483648");
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Count"), 4);
  EXPECT_EQ(prompts(), Prompts{});
}

struct DwordCase {
  Variant value;
  const char16_t* expected;
};

class DwordRoundingTest : public RegUtilitiesTest,
                          public ::testing::WithParamInterface<DwordCase> {};

TEST_P(DwordRoundingTest, FractionsRoundHalfToEven) {
  reg.SetKeyValue(kSettings, u"N", GetParam().value, u"REG_DWORD");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"N", u"missing"), GetParam().expected);
  EXPECT_EQ(prompts(), Prompts{});
}

INSTANTIATE_TEST_SUITE_P(
    Values, DwordRoundingTest,
    ::testing::Values(DwordCase{Variant(2.5), u"2"}, DwordCase{Variant(3.5), u"4"},
                      DwordCase{Variant(-2.5), u"-2"}, DwordCase{Variant(2.5000001), u"3"},
                      DwordCase{Variant(u" 2.5 "), u"2"}, DwordCase{Variant(u"1e3"), u"1000"},
                      DwordCase{Variant(u"&H10"), u"16"}, DwordCase{Variant(u"&HFFFFFFFF"), u"-1"},
                      DwordCase{Variant(true), u"-1"}, DwordCase{Variant(std::int16_t{-7}), u"-7"},
                      DwordCase{Variant(u"2147483647.4"), u"2147483647"}));

TEST_F(RegUtilitiesTest, DwordOutsideTheRangeIsAnOverflowReportAndWritesNothing) {
  reg.SetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New", u"Count", Variant(u"4294967295"),
                  u"REG_DWORD");
  EXPECT_EQ(prompts(), Prompts{u"sigpatch.RegUtilities.SetKeyValue: 6, Overflow"});
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\New"))
      << "a value that cannot be converted leaves no key behind";
}

TEST_F(RegUtilitiesTest, DwordThatIsNoNumberIsATypeMismatchReport) {
  reg.SetKeyValue(kSettings, u"Count", Variant(u"17"), u"REG_DWORD");
  reg.SetKeyValue(kSettings, u"Count", Variant(u"seventeen"), u"REG_DWORD");
  reg.SetKeyValue(kSettings, u"Count", Variant(u""), u"REG_DWORD");
  EXPECT_EQ(prompts(), (Prompts{u"sigpatch.RegUtilities.SetKeyValue: 13, Type mismatch",
                                u"sigpatch.RegUtilities.SetKeyValue: 13, Type mismatch"}));
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Count", u""), u"17");
}

TEST_F(RegUtilitiesTest, BinaryIsTheCodePageBytesWithoutTerminator) {
  struct Case {
    std::u16string text;
    Bytes bytes;
  };
  const Case cases[] = {{u"AB\u00E9\u20AC", {0x41, 0x42, 0xE9, 0x80}},
                        {std::u16string(u"A\0B", 3), {0x41, 0x00, 0x42}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    reg.SetKeyValue(kSettings, u"Blob", Variant(c.text), u"REG_BINARY");
    EXPECT_EQ(stored(u"Blob"), (StoredValue{3, c.bytes}));
    EXPECT_EQ(reg.GetKeyValue(kSettings, u"Blob", u""), c.text) << "read back whole";
  }
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, BinaryTextTheCodePageCannotHoldIsReportedNotMangled) {
  reg.SetKeyValue(kSettings, u"Blob", Variant(u"\u0100"), u"REG_BINARY");
  EXPECT_EQ(prompts(),
            Prompts{u"sigpatch.RegUtilities.SetKeyValue: 5, Invalid procedure call or argument"});
  EXPECT_EQ(stored(u"Blob"), std::nullopt);
}

TEST_F(RegUtilitiesTest, NumbersAndBooleansAreWrittenAsTheirText) {
  reg.SetKeyValue(kSettings, u"A", Variant(12345), u"REG_SZ");
  reg.SetKeyValue(kSettings, u"B", Variant(0.5), u"REG_SZ");
  reg.SetKeyValue(kSettings, u"C", Variant(false), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"A", u""), u"12345");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"B", u""), u"0.5");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"C", u""), u"False");
}

class UnknownTypeNameTest : public RegUtilitiesTest,
                            public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(UnknownTypeNameTest, WritesNothingAndShowsNothing) {
  reg.SetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\New", u"Path", Variant(u"x"), GetParam());
  EXPECT_EQ(prompts(), Prompts{});
  EXPECT_EQ(store.calls[FakeRegistry::Call::OpenKeyEx], 0);
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\New"));
}

INSTANTIATE_TEST_SUITE_P(Names, UnknownTypeNameTest,
                         ::testing::Values(u"reg_sz", u"", u"REG_MULTI_SZ", u"REG_SZ "));

TEST_F(RegUtilitiesTest, OmittedTypeWritesNothing) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"));
  EXPECT_EQ(stored(u"Path"), std::nullopt);
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, ValueOf127CharactersIsWrittenAnd128IsRefused) {
  const std::u16string longest(127, u'x');
  reg.SetKeyValue(kSettings, u"Path", Variant(longest), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u""), longest);
  reg.SetKeyValue(kSettings, u"Path", Variant(longest + u"y"), u"REG_SZ");
  EXPECT_EQ(prompts(), Prompts{u"Registry setting to long :  128\r\nFor Key: "
                               u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor Variable: Path"});
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u""), longest);
}

TEST_F(RegUtilitiesTest, LengthLimitCountsTheNumbersTextToo) {
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\X", u"N", Variant(1e200), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(u"HKEY_CURRENT_USER\\X", u"N", u""), u"1E+200");
  const std::u16string tooLong(32767, u'x');
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\X", u"N", Variant(tooLong), u"REG_DWORD");
  EXPECT_EQ(prompts(), Prompts{u"Registry setting to long :  32767\r\nFor Key: X\r\nFor "
                               u"Variable: N"});
}

TEST_F(RegUtilitiesTest, TextTooLongForTheSixteenBitCountIsAnOverflowReport) {
  reg.SetKeyValue(kSettings, u"Path", Variant(std::u16string(32768, u'x')), u"REG_SZ");
  EXPECT_EQ(prompts(), Prompts{u"sigpatch.RegUtilities.SetKeyValue: 6, Overflow"});
  EXPECT_EQ(stored(u"Path"), std::nullopt);
}

TEST_F(RegUtilitiesTest, WritingIntoAMissingKeyCreatesItWithEveryKeyAbove) {
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\Software\\A\\B\\C", u"V", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software\\A\\B\\C", u"V"),
            (StoredValue{1, utf16(u"x")}));
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"Software\\A"))
      << "created under the same root";
  EXPECT_EQ(store.calls[FakeRegistry::Call::CreateKeyEx], 1);
  EXPECT_EQ(prompts(), Prompts{});
  reg.SetKeyValue(u"HKEY_CURRENT_USER\\Software\\A\\B\\C", u"V", Variant(u"y"), u"REG_SZ");
  EXPECT_EQ(store.calls[FakeRegistry::Call::CreateKeyEx], 1) << "an existing key is opened";
}

TEST_F(RegUtilitiesTest, ReadingOpensForReadingAndChangingForFullAccess) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  reg.GetKeyValue(kSettings, u"Path", u"");
  reg.GetKeyType(kSettings, u"Path");
  reg.EnumerateAnyKey(kSettings);
  reg.DeleteValue(kSettings, u"Path");
  EXPECT_EQ(store.openAccess,
            (std::vector<std::uint32_t>{0xF003F, 0xF003F, 0x20019, 0x20019, 0x20019, 0xF003F}));
}

TEST_F(RegUtilitiesTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT1.EXE"), u"REG_SZ");
  reg.SetKeyValue(u"HKEY_LOCAL_MACHINE\\software\\FERROLITE\\sigpatch", u"LATESTUPDATE",
                  Variant(u"SDAT2.EXE"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"latestupdate", u""), u"SDAT2.EXE");
  auto records = reg.EnumerateAnyKey(kSettings);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->RecordCount(), 1);
  EXPECT_EQ(records->Fields(u"Name"), u"LatestUpdate");
}

TEST_F(RegUtilitiesTest, UnknownRootIsAFailedWriteWithTheSystemsCode) {
  reg.SetKeyValue(u"HKEY_FOO\\Software", u"V", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(prompts(),
            Prompts{u"Error updating registry:  6\r\nFor keyname: Software\r\nFor variable: V"});
}

TEST_F(RegUtilitiesTest, ReadOnlyStoreReportsFiveAndKeepsEveryValue) {
  reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT1.EXE"), u"REG_SZ");
  store.readOnly = true;
  reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT2.EXE"), u"REG_SZ");
  EXPECT_EQ(prompts(), Prompts{u"Error updating registry:  5\r\nFor keyname: "
                               u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: LatestUpdate"});
  EXPECT_EQ(stored(u"LatestUpdate"), (StoredValue{1, utf16(u"SDAT1.EXE")}));
  // A key the user may read but not change is read all the same.
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"LatestUpdate", u"default"), u"SDAT1.EXE");
  EXPECT_EQ(reg.GetKeyType(kSettings, u"LatestUpdate"), 1);
  EXPECT_EQ(reg.EnumerateAnyKey(kSettings)->Fields(u"Data"), u"SDAT1.EXE");
}

TEST_F(RegUtilitiesTest, FailedWriteShowsTheCodeAndClosesTheKey) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"old"), u"REG_SZ");
  store.FailCall(FakeRegistry::Call::SetValueEx, 112);
  reg.SetKeyValue(kSettings, u"Path", Variant(u"new"), u"REG_SZ");
  EXPECT_EQ(prompts(), Prompts{u"Error updating registry:  112\r\nFor keyname: "
                               u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Path"});
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u""), u"old");
}

TEST_F(RegUtilitiesTest, KeyThatCannotBeCreatedReportsTheSecondOpen) {
  store.FailCall(FakeRegistry::Call::CreateKeyEx, 5);
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(store.calls[FakeRegistry::Call::OpenKeyEx], 2);
  EXPECT_EQ(prompts(), Prompts{u"Error updating registry:  2\r\nFor keyname: "
                               u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Path"});
}

TEST_F(RegUtilitiesTest, OpenFailingOtherwiseIsNotFollowedByACreation) {
  store.FailCall(FakeRegistry::Call::OpenKeyEx, 1016);
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(store.calls[FakeRegistry::Call::CreateKeyEx], 0);
  EXPECT_EQ(prompts(), Prompts{u"Error updating registry:  1016\r\nFor keyname: "
                               u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Path"});
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

// Reading.

TEST_F(RegUtilitiesTest, MissingValueKeyOrRootGivesTheDefaultSilently) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Other", u"d1"), u"d1");
  EXPECT_EQ(reg.GetKeyValue(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Nothing", u"Path", u"d2"), u"d2");
  EXPECT_EQ(reg.GetKeyValue(u"HKEY_WHATEVER\\SOFTWARE\\Ferrolite\\Sigpatch", u"Path", u"d3"),
            u"d3");
  EXPECT_EQ(reg.GetKeyValue(u"hkey_local_machine\\SOFTWARE\\Ferrolite\\Sigpatch", u"Path", u"d4"),
            u"d4");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, ReadingQueriesTheSizeThenTheData) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  const int before = store.calls[FakeRegistry::Call::QueryValueEx];
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u""), u"x");
  EXPECT_EQ(store.calls[FakeRegistry::Call::QueryValueEx] - before, 2);
}

TEST_F(RegUtilitiesTest, FailedDataQueryShowsItsCodeAndGivesTheDefault) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  store.FailCall(FakeRegistry::Call::QueryValueEx, 234, 2);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{u"Error RegQueryValueExSTRING: 234"});
}

TEST_F(RegUtilitiesTest, FailedSizeQueryIsSilent) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  store.FailCall(FakeRegistry::Call::QueryValueEx, 1016);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Path", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, MultiStringReadsAsTheDataLessItsLastCharacter) {
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"List", 7,
                       utf16(std::u16string(u"ab\0cd\0", 6))),
            0);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"List", u""), std::u16string(u"ab\0cd\0", 6));
  EXPECT_EQ(reg.GetKeyType(kSettings, u"List"), 7);
}

TEST_F(RegUtilitiesTest, ZeroSizedTextReadsAsEmptyNotAsTheDefault) {
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"Empty", 1, Bytes{}), 0);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Empty", u"d"), u"");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, TypesThatCannotBeReadAreReportedWithTheirCode) {
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"Q", 11, Bytes(8, 1)), 0);
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"None", 0, Bytes{}), 0);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Q", u"d"), u"d");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"None", u"d"), u"d");
  EXPECT_EQ(prompts(), (Prompts{u"Illegal RegType: 11", u"Illegal RegType: 0"}));
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Q"), 11);
}

TEST_F(RegUtilitiesTest, DwordOfOtherSizesReadsWhatFitsFourBytes) {
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"Short", 4, Bytes{1, 1}), 0);
  ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, u"Long", 4, Bytes(8, 1)), 0);
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Short", u"d"), u"257");
  EXPECT_EQ(reg.GetKeyValue(kSettings, u"Long", u"d"), u"d");
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, KeyTypeIsMinusOneWhenTheValueOrKeyIsMissing) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Path"), 1);
  EXPECT_EQ(reg.GetKeyType(kSettings, u"Other"), -1);
  EXPECT_EQ(reg.GetKeyType(u"HKEY_LOCAL_MACHINE\\Nothing", u"Path"), -1);
  EXPECT_EQ(reg.GetKeyType(u"HKEY_NOTHING\\x", u"Path"), -1);
  EXPECT_EQ(prompts(), Prompts{});
}

// Keys and values.

TEST_F(RegUtilitiesTest, CreateNewKeyCreatesTheWholeBranchQuietly) {
  reg.CreateNewKey(u"HKEY_USERS\\A\\B");
  EXPECT_TRUE(testing::keyExists(store, platform::kHkeyUsers, u"A\\B"));
  reg.CreateNewKey(u"HKEY_USERS\\A\\B");
  store.readOnly = true;
  reg.CreateNewKey(u"HKEY_USERS\\C");
  reg.CreateNewKey(u"HKEY_NOPE\\C");
  EXPECT_FALSE(testing::keyExists(store, platform::kHkeyUsers, u"C"));
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, DeleteKeyFollowsTheSystemsRuleAndReturnsEmpty) {
  reg.CreateNewKey(u"HKEY_CURRENT_USER\\A\\B");
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_CURRENT_USER\\A").IsEmpty());
  EXPECT_TRUE(testing::keyExists(store, kHkeyCurrentUser, u"A")) << "a key with sub-keys stays";
  reg.DeleteKey(u"HKEY_CURRENT_USER\\A\\B");
  reg.DeleteKey(u"HKEY_CURRENT_USER\\A");
  EXPECT_FALSE(testing::keyExists(store, kHkeyCurrentUser, u"A"));
  EXPECT_TRUE(reg.DeleteKey(u"HKEY_CURRENT_USER\\A").IsEmpty());
  EXPECT_EQ(prompts(), Prompts{});
}

TEST_F(RegUtilitiesTest, DeleteValueIsTrueUnlessAFaultOccurs) {
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"PATH"));
  EXPECT_EQ(stored(u"Path"), std::nullopt);
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"Path"));
  EXPECT_TRUE(reg.DeleteValue(u"HKEY_LOCAL_MACHINE\\Missing", u"Path"));
  reg.SetKeyValue(kSettings, u"Path", Variant(u"x"), u"REG_SZ");
  store.readOnly = true;
  EXPECT_TRUE(reg.DeleteValue(kSettings, u"Path"));
  EXPECT_EQ(stored(u"Path"), (StoredValue{1, utf16(u"x")}));
  EXPECT_EQ(prompts(), Prompts{});
}

}  // namespace
}  // namespace sigpatch
