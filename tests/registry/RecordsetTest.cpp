#include <gtest/gtest.h>

#include <functional>

#include "registry/Recordset.h"
#include "runtime/RuntimeError.h"

namespace sigpatch {
namespace {

std::int32_t faultOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

class RecordsetTest : public ::testing::Test {
 protected:
  RecordsetTest() {
    records.AppendField(u"Name", Recordset::kVarChar, 255);
    records.AppendField(u"Data", Recordset::kVarChar, 255);
    records.Open();
  }
  void add(std::u16string_view name) {
    records.AddNew();
    records.Fields(u"Name") = std::u16string(name);
  }
  Recordset records;
};

TEST_F(RecordsetTest, EmptyRecordsetIsAtBothEndsAndHasNoCurrentRecord) {
  EXPECT_TRUE(records.Bof());
  EXPECT_TRUE(records.Eof());
  EXPECT_EQ(faultOf([&] { records.MoveFirst(); }), 3021);
  EXPECT_EQ(faultOf([&] { records.MoveNext(); }), 3021);
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Name"); }), 3021);
}

TEST_F(RecordsetTest, WalksFromTheFirstRecordToEof) {
  add(u"One");
  add(u"Two");
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
}

TEST_F(RecordsetTest, UnknownOrDuplicateFieldsAreFaults) {
  add(u"x");
  EXPECT_EQ(faultOf([&] { (void)records.Fields(u"Value"); }), 3265);
  EXPECT_EQ(faultOf([&] { records.AppendField(u"NAME", Recordset::kVarChar, 10); }), 457);
  EXPECT_EQ(RuntimeError(3021).Description(),
            u"Either BOF or EOF is True, or the current record has been deleted. Requested "
            u"operation requires a current record.");
}

TEST_F(RecordsetTest, TextsLongerThanTheDefinedSizeAreKeptWhole) {
  add(std::u16string(300, u'x'));
  EXPECT_EQ(records.Fields(u"Name").size(), 300u);
}

}  // namespace
}  // namespace sigpatch
