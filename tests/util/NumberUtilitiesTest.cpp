#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <stdexcept>

#include "platform/FileSystemBehaviour.h"
#include "util/NumberUtilities.h"

namespace sigpatch {
namespace {

using testing::errorOf;

// A German locale, whose decimal separator is ",", as each system names it.
#ifdef _WIN32
constexpr const char* kGermanLocale = "German_Germany.1252";
#else
constexpr const char* kGermanLocale = "de_DE.UTF-8";
#endif

TEST(NumberUtilitiesTest, FValReadsTheNumberAtTheStartWhateverTheLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, kGermanLocale), nullptr)
      << "the " << kGermanLocale << " locale is missing; scripts/bootstrap generates it";
  try {
    std::locale::global(std::locale(kGermanLocale));
  } catch (const std::runtime_error&) {
    // The C++ library of the Windows build knows no named locales; the C
    // library's German locale above still holds.
  }
  const std::pair<std::u16string_view, double> rows[] = {
      {u"", 0},       {u"abc", 0},         {u"3,5", 3.5},      {u"3.5", 3.5},
      {u"12 kB", 12}, {u"1,234.5", 1.234}, {u"  -2,5e1", -25}, {u"1 2\t3\n4", 1234},
      {u"1D2", 100},  {u"1e", 1},          {u"+.5", 0.5},      {u"-", 0},
      {u"&HFF", 255}, {u"&h1a", 26},       {u"&O17", 15},      {u"&O19", 1},
      {u"1e-400", 0}};
  std::vector<double> read;
  for (const auto& row : rows) read.push_back(NumberUtilities().fVal(row.first));
  const int tooLarge = errorOf([] { NumberUtilities().fVal(u"1e400"); });
  std::locale::global(std::locale::classic());
  std::setlocale(LC_ALL, before.c_str());
  for (std::size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(read[i], rows[i].second) << i;
  EXPECT_EQ(tooLarge, 6);
  EXPECT_EQ(NumberUtilities().Min(INT32_MIN, 0), INT32_MIN);
  EXPECT_EQ(NumberUtilities().Max(3, 7), 7);
}

TEST(NumberUtilitiesTest, ConvertsNumbersAndByteStrings) {
  NumberUtilities nu;
  EXPECT_EQ(nu.LongToByteString(300, 4, 8), (std::u16string{0, 0, 1, 44}));
  EXPECT_EQ(nu.LongToByteString(-5, 1, 8), std::u16string(1, u'\0'));
  EXPECT_EQ(nu.LongToByteString(0x80, 1, 8), u"€");  // byte 0x80 of the code page
  EXPECT_EQ(nu.ByteStringToLong(u"€"), 0x80);
  EXPECT_EQ(nu.ByteStringToLong(nu.LongToByteString(123456789, 4, 8)), 123456789);
  EXPECT_EQ(nu.ByteStringToLong(std::u16string{0xFF, 0xFF, 0xFF, 0xFF}), -1);
  EXPECT_EQ(nu.ByteStringToLong(u""), 0);
  EXPECT_EQ(errorOf([&] { nu.ByteStringToLong(u"12345"); }), 6);
  EXPECT_EQ(errorOf([&] { nu.LongToByteString(5, 1, 0); }), 5);
  // Seven bits a character.
  EXPECT_EQ(nu.SevenBitByteStringToLong(std::u16string{1, 0}), 128);
  for (std::int32_t n : {0, 127, 128, 99999, INT32_MAX}) {
    EXPECT_EQ(nu.SevenBitByteStringToLong(nu.LongToByteString(n, 1, 7)), n);
  }
  EXPECT_EQ(errorOf([&] { nu.SevenBitByteStringToLong(std::u16string{8, 0, 0, 0, 0}); }), 6);
}

}  // namespace
}  // namespace sigpatch
