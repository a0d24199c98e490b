#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/RuntimeError.h"

namespace sigpatch {
namespace {

using fakes::FakeRegistry;
using platform::kHkeyLocalMachine;
using testing::Bytes;
using testing::storeValue;
using testing::utf16;

constexpr char16_t kKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test";
constexpr char16_t kBranch[] = u"SOFTWARE\\Test";

class RegEnumerationTest : public ::testing::Test {
 protected:
  RegEnumerationTest() {
    fake.Set([&](platform::Platform& s) { s.registry = &store; });
    reg.CreateNewKey(kKey);
  }

  void put(std::u16string_view name, std::uint32_t type, const Bytes& data) {
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, kBranch, name, type, data), 0);
  }

  // The records as (Name, Data) pairs, walked from the current record.
  static std::vector<std::pair<std::u16string, std::u16string>> walk(Recordset& records) {
    std::vector<std::pair<std::u16string, std::u16string>> seen;
    while (!records.Eof()) {
      seen.emplace_back(records.Fields(u"Name"), records.Fields(u"Data"));
      records.MoveNext();
    }
    return seen;
  }

  void TearDown() override {
    EXPECT_EQ(store.OpenHandles(), 0u);
    EXPECT_TRUE(fake.windowing.messages.empty());
  }

  FakeRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

using Records = std::vector<std::pair<std::u16string, std::u16string>>;

TEST_F(RegEnumerationTest, BinaryKeyListsEveryValueAsNumberedHexLines) {
  put(u"Flags", 3, Bytes{1, 2});
  put(u"Text", 1, utf16(u"AB"));
  put(u"Count", 4, Bytes{0x11, 0, 0, 0});
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 0),
            u"1: Flags: 01, 02\r\n2: Text: 41, 42, 00\r\n3: Count: 11, 00, 00, 00\r\n");
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 1, u"flags"),
            u"\tszBin=\"\"; szBin[0]=\"1\"; szBin[1]=\"2\";");
}

TEST_F(RegEnumerationTest, BinaryKeyFindsOneValueIgnoringCase) {
  put(u"Flags", 3, Bytes{1, 2});
  put(u"Other", 3, Bytes{0xFF});
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 0, u"FLAGS"), u"01, 02");
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 0, u"nothing"), u"");
}

TEST_F(RegEnumerationTest, BinaryKeyOfAnEmptyOrMissingKeyIsEmpty) {
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 0), u"");
  EXPECT_EQ(reg.EnumerateBinaryKey(u"HKEY_LOCAL_MACHINE\\Missing", 0), u"");
  EXPECT_EQ(reg.EnumerateBinaryKey(u"HKEY_NONE\\x", 0), u"");
}

TEST_F(RegEnumerationTest, EnumerationOpensForReadingAndWorksOnAReadOnlyStore) {
  put(u"A", 1, utf16(u"x"));
  store.readOnly = true;
  store.openAccess.clear();
  EXPECT_EQ(reg.EnumerateBinaryKey(kKey, 0), u"1: A: 78, 00\r\n");
  EXPECT_EQ(walk(*reg.EnumerateAnyKey(kKey)), (Records{{u"A", u"x"}}));
  EXPECT_EQ(reg.EnumerateAnyBranch(u"HKEY_LOCAL_MACHINE\\SOFTWARE")->Fields(u"Name"), u"Test");
  EXPECT_EQ(store.openAccess, (std::vector<std::uint32_t>{0x20019, 0x20019, 0x20019}));
}

TEST_F(RegEnumerationTest, DataBeyondTheBufferEndsTheList) {
  put(u"Small", 3, Bytes(2000, 7));
  put(u"Big", 3, Bytes(2001, 7));
  put(u"After", 3, Bytes{1});
  const auto lines = reg.EnumerateBinaryKey(kKey, 0);
  EXPECT_EQ(lines.find(u"2: Big"), std::u16string::npos);
  EXPECT_EQ(lines.find(u"After"), std::u16string::npos);
  EXPECT_EQ(lines.rfind(u"1: Small: 07, 07", 0), 0u);
  EXPECT_EQ(reg.EnumerateAnyKey(kKey)->RecordCount(), 1);
}

TEST_F(RegEnumerationTest, TextBufferHolds2000Characters) {
  put(u"Fits", 1, utf16(std::u16string(1999, u'\u00E9')));
  put(u"TooLong", 1, utf16(std::u16string(2000, u'a')));
  auto records = reg.EnumerateAnyKey(kKey);
  ASSERT_EQ(records->RecordCount(), 1);
  EXPECT_EQ(records->Fields(u"Data"), std::u16string(1999, u'\u00E9'));
}

TEST_F(RegEnumerationTest, NameLongerThanTheBufferEndsTheList) {
  put(u"First", 1, utf16(u"1"));
  put(std::u16string(2000, u'n'), 1, utf16(u"2"));
  put(u"Third", 1, utf16(u"3"));
  EXPECT_EQ(walk(*reg.EnumerateAnyKey(kKey)), (Records{{u"First", u"1"}}));
}

TEST_F(RegEnumerationTest, AnyKeyGivesNameAndDataRecordsFromTheFirst) {
  put(u"A", 1, utf16(u"x"));
  put(u"B", 1, utf16(u"yz"));
  auto records = reg.EnumerateAnyKey(kKey);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->RecordCount(), 2);
  EXPECT_FALSE(records->Bof());
  EXPECT_EQ(walk(*records), (Records{{u"A", u"x"}, {u"B", u"yz"}}));
  ASSERT_EQ(records->FieldList().size(), 2u);
  EXPECT_EQ(records->FieldList()[0].Name, u"Name");
  EXPECT_EQ(records->FieldList()[1].Name, u"Data");
  EXPECT_EQ(records->FieldList()[1].Type, 200);
  EXPECT_EQ(records->FieldList()[1].DefinedSize, 255);
}

TEST_F(RegEnumerationTest, AnyKeyWithANameGivesOnlyThatValue) {
  put(u"A", 1, utf16(u"x"));
  put(u"B", 1, utf16(u"yz"));
  EXPECT_EQ(walk(*reg.EnumerateAnyKey(kKey, u"b")), (Records{{u"B", u"yz"}}));
  auto none = reg.EnumerateAnyKey(kKey, u"c");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->Bof() && none->Eof());
}

TEST_F(RegEnumerationTest, AnyKeyTakesTextLessItsTerminatorAndOtherDataWhole) {
  put(u"Empty", 1, utf16(u""));
  put(u"Bare", 1, Bytes{});
  put(u"Count", 4, Bytes{0x11, 0, 0, 0});
  put(u"Multi", 7, utf16(std::u16string(u"a\0b\0", 4)));
  put(u"Nothing", 3, Bytes{});
  EXPECT_EQ(walk(*reg.EnumerateAnyKey(kKey)), (Records{{u"Empty", u""},
                                                       {u"Bare", u""},
                                                       {u"Count", std::u16string(u"\x11\0\0\0", 4)},
                                                       {u"Multi", std::u16string(u"a\0b\0", 4)},
                                                       {u"Nothing", u""}}));
}

TEST_F(RegEnumerationTest, EmptyKeyGivesAnEmptyRecordset) {
  auto records = reg.EnumerateAnyKey(kKey);
  ASSERT_TRUE(records);
  EXPECT_TRUE(records->Bof());
  EXPECT_TRUE(records->Eof());
  EXPECT_EQ(records->RecordCount(), 0);
  auto branches = reg.EnumerateAnyBranch(kKey);
  ASSERT_TRUE(branches);
  EXPECT_EQ(branches->RecordCount(), 0);
}

TEST_F(RegEnumerationTest, MissingKeyGivesNoObject) {
  EXPECT_EQ(reg.EnumerateAnyKey(u"HKEY_LOCAL_MACHINE\\Missing"), nullptr);
  EXPECT_EQ(reg.EnumerateAnyBranch(u"HKEY_LOCAL_MACHINE\\Missing"), nullptr);
  EXPECT_EQ(reg.EnumerateAnyBranch(u"HKEY_UNKNOWN"), nullptr);
}

TEST_F(RegEnumerationTest, AnyBranchListsSubKeysInTheSystemsOrder) {
  reg.CreateNewKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Two");
  reg.CreateNewKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\One");
  reg.CreateNewKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\one\\Deeper");
  put(u"NotAKey", 1, utf16(u"x"));
  EXPECT_EQ(walk(*reg.EnumerateAnyBranch(kKey)), (Records{{u"One", u""}, {u"Two", u""}}));
}

TEST_F(RegEnumerationTest, FailedStepEndsTheListWithoutAReport) {
  put(u"A", 1, utf16(u"x"));
  put(u"B", 1, utf16(u"y"));
  store.FailCall(FakeRegistry::Call::EnumValue, 1016, 2);
  EXPECT_EQ(walk(*reg.EnumerateAnyKey(kKey)), (Records{{u"A", u"x"}}));
}

}  // namespace
}  // namespace sigpatch
