#include <gtest/gtest.h>

#include "runtime/Text.h"

namespace sigpatch::text {
namespace {

TEST(TextTest, Utf8RoundTripsEveryPlaneAndReplacesWhatIsMalformed) {
  const std::u16string sample = u"Grüße, Ελλάδα, 日本, \U0001F600 and \U00010400";
  EXPECT_EQ(fromUtf8(toUtf8(sample)), sample);
  const std::pair<std::string_view, std::u16string_view> rows[] = {
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"a\xFFz", u"a\uFFFDz"},
      {"\xC3", u"\uFFFD"},             // cut short
      {"\xC0\xAF", u"\uFFFD\uFFFD"},   // an overlong "/"
      {"\xED\xA0\x80x", u"\uFFFDx"}};  // an encoded surrogate
  for (const auto& [bytes, text] : rows) EXPECT_EQ(fromUtf8(bytes), text);
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// Windows-1252; its undefined bytes stand for the controls of the same number.
TEST(TextTest, AnsiIsTheWindows1252CodePage) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(toAnsi(fromAnsi(all)), all);
  EXPECT_EQ(fromAnsi("\x80\x8A\x9F\xE9\x81\x8D\x8F\x90\x9D"),
            u"€ŠŸé\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(charToAnsi(u'\u0080'), -1);  // the € byte is not U+0080
}

TEST(TextTest, CaseFollowsTheSimpleUnicodeMappingsAndNumbersTheSystemsFormat) {
  EXPECT_EQ(toUpper(u"sdat4500.exe grüße ÿ µ ı"), u"SDAT4500.EXE GRÜßE Ÿ Μ I");  // ß stays
  EXPECT_EQ(toLower(u"ÀÉÎÕÜ İ ΣΑΣ"), u"àéîõü i σασ");  // no final-sigma rule
  EXPECT_EQ(toUpper(u"\U00010428"), u"\U00010400");    // outside the first plane
  EXPECT_EQ(dec(-42) + u"|" + str(5) + u"|" + str(-5), u"-42| 5|-5");
  EXPECT_EQ(zeroPad(1, 2) + u"|" + zeroPad(105, 2) + u"|" + zeroPad(-3, 2), u"01|105|-03");
  std::u16string out = u"LONGER THAN THE NEXT";  // a buffer holds only the new text
  toUpper(u"grüße.exe", out);
  EXPECT_EQ(out, u"GRÜßE.EXE");
  fromUtf8("a\xC3\xA4", out);
  EXPECT_EQ(out, u"aä");
}

}  // namespace
}  // namespace sigpatch::text
