#include <gtest/gtest.h>

#include "platform/FileSystemBehaviour.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/RuntimeError.h"
#include "runtime/Variant.h"

namespace sigpatch {
namespace {

TEST(VariantTest, TextAsTheSystemConvertsValues) {
  const std::pair<Variant, std::u16string_view> rows[] = {
      {Variant(), u""},
      {Variant(std::int16_t{-12}), u"-12"},
      {Variant(0.0001), u"0.0001"},
      {Variant(0.00001), u"1E-05"},
      {Variant(123456789012345.0), u"123456789012345"},
      {Variant(1e15), u"1E+15"},
      {Variant(1.0 / 3), u"0.333333333333333"},
      {Variant(true), u"True"},
      {Variant(u"text"), u"text"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(value.toText(), text);
}

// A whole number as the system rounds (half to even) and reads it, or its fault:
// 13 a type mismatch, 6 an overflow.
TEST(VariantTest, ToLongRoundsReadsOrRaisesTheSystemsError) {
  // clang-format off
  const std::tuple<Variant, std::int32_t, int> rows[] = {
      {Variant(), 0, 0}, {Variant(0.5), 0, 0}, {Variant(1.5), 2, 0}, {Variant(-0.5), 0, 0},
      {Variant(-1.5), -2, 0}, {Variant(1.4999), 1, 0}, {Variant(u"17"), 17, 0},
      {Variant(u"\t-17 "), -17, 0}, {Variant(u"+4"), 4, 0}, {Variant(u".5"), 0, 0},
      {Variant(u"5."), 5, 0}, {Variant(u"2.5E1"), 25, 0}, {Variant(u"1e-400"), 0, 0},
      {Variant(u"&o17"), 15, 0}, {Variant(u"&h7FFFFFFF"), 2147483647, 0},
      {Variant(u"-2147483648.5"), -2147483648, 0}, {Variant(false), 0, 0},
      {Variant(u""), 0, 13}, {Variant(u"  "), 0, 13}, {Variant(u"abc"), 0, 13},
      {Variant(u"17x"), 0, 13}, {Variant(u"1e"), 0, 13}, {Variant(u"&H"), 0, 13},
      {Variant(u"&HG"), 0, 13}, {Variant(u"--1"), 0, 13}, {Variant(u"1 2"), 0, 13},
      {Variant(u"2147483648"), 0, 6}, {Variant(u"-2147483649"), 0, 6},
      {Variant(2147483647.5), 0, 6}, {Variant(u"&H100000000"), 0, 6}, {Variant(u"1e400"), 0, 6},
      {Variant(4294967295.0), 0, 6}};
  // clang-format on
  for (const auto& [value, number, fault] : rows) {
    SCOPED_TRACE(::testing::PrintToString(value.toText()));
    std::int32_t read = 0;
    EXPECT_EQ(testing::errorOf([&] { read = value.toLong(); }), fault);
    EXPECT_EQ(read, number);
  }
}

}  // namespace
}  // namespace sigpatch
