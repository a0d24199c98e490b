#include <gtest/gtest.h>

#include "registry/RegistryTestSupport.h"
#include "runtime/RuntimeError.h"
#include "runtime/Variant.h"

namespace sigpatch {
namespace {

TEST(VariantTest, TextAsTheSystemConvertsValues) {
  EXPECT_EQ(Variant().toText(), u"");
  EXPECT_EQ(Variant(std::int16_t{-12}).toText(), u"-12");
  EXPECT_EQ(Variant(2147483647).toText(), u"2147483647");
  EXPECT_EQ(Variant(0.5).toText(), u"0.5");
  EXPECT_EQ(Variant(-1.25).toText(), u"-1.25");
  EXPECT_EQ(Variant(0.0).toText(), u"0");
  EXPECT_EQ(Variant(0.0001).toText(), u"0.0001");
  EXPECT_EQ(Variant(0.00001).toText(), u"1E-05");
  EXPECT_EQ(Variant(123456789012345.0).toText(), u"123456789012345");
  EXPECT_EQ(Variant(1e15).toText(), u"1E+15");
  EXPECT_EQ(Variant(1.0 / 3).toText(), u"0.333333333333333");
  EXPECT_EQ(Variant(true).toText(), u"True");
  EXPECT_EQ(Variant(false).toText(), u"False");
  EXPECT_EQ(Variant(u"text").toText(), u"text");
}

TEST(VariantTest, KindsAreKept) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_EQ(Variant(std::int16_t{1}).kind(), Variant::Kind::Integer);
  EXPECT_EQ(Variant(1).kind(), Variant::Kind::Long);
  EXPECT_EQ(Variant(1.0).kind(), Variant::Kind::Double);
  EXPECT_EQ(Variant(u"1").kind(), Variant::Kind::String);
  EXPECT_EQ(Variant(true).kind(), Variant::Kind::Boolean);
  EXPECT_NE(Variant(1), Variant(u"1"));
}

struct LongCase {
  Variant value;
  std::int32_t expected;
};

class VariantToLongTest : public ::testing::TestWithParam<LongCase> {};

TEST_P(VariantToLongTest, Converts) { EXPECT_EQ(GetParam().value.toLong(), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Values, VariantToLongTest,
    ::testing::Values(LongCase{Variant(), 0}, LongCase{Variant(0.5), 0}, LongCase{Variant(1.5), 2},
                      LongCase{Variant(-0.5), 0}, LongCase{Variant(-1.5), -2},
                      LongCase{Variant(1.4999), 1}, LongCase{Variant(u"17"), 17},
                      LongCase{Variant(u"\t-17 "), -17}, LongCase{Variant(u"+4"), 4},
                      LongCase{Variant(u".5"), 0}, LongCase{Variant(u"5."), 5},
                      LongCase{Variant(u"2.5E1"), 25}, LongCase{Variant(u"1e-400"), 0},
                      LongCase{Variant(u"&o17"), 15}, LongCase{Variant(u"&h7FFFFFFF"), 2147483647},
                      LongCase{Variant(u"-2147483648.5"), -2147483648},
                      LongCase{Variant(false), 0}));

class VariantFaultTest : public ::testing::TestWithParam<std::pair<Variant, std::int32_t>> {};

TEST_P(VariantFaultTest, RaisesTheSystemsError) {
  try {
    GetParam().first.toLong();
    FAIL() << "no fault";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), GetParam().second);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, VariantFaultTest,
    ::testing::Values(std::pair{Variant(u""), 13}, std::pair{Variant(u"  "), 13},
                      std::pair{Variant(u"abc"), 13}, std::pair{Variant(u"17x"), 13},
                      std::pair{Variant(u"1e"), 13}, std::pair{Variant(u"&H"), 13},
                      std::pair{Variant(u"&HG"), 13}, std::pair{Variant(u"--1"), 13},
                      std::pair{Variant(u"1 2"), 13}, std::pair{Variant(u"2147483648"), 6},
                      std::pair{Variant(u"-2147483649"), 6}, std::pair{Variant(2147483647.5), 6},
                      std::pair{Variant(u"&H100000000"), 6}, std::pair{Variant(u"1e400"), 6},
                      std::pair{Variant(4294967295.0), 6}));

}  // namespace
}  // namespace sigpatch
