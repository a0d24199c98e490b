#include <gtest/gtest.h>

#include <utility>

#include "runtime/Text.h"

namespace sigpatch::text {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const std::u16string sample = u"Grüße, Ελλάδα, 日本, \U0001F600 and \U00010400";
  EXPECT_EQ(fromUtf8(toUtf8(sample)), sample);
  EXPECT_EQ(toUtf8(u"ü"), "\xC3\xBC");
  EXPECT_EQ(fromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(fromUtf8("a\xFFz"), u"a\uFFFDz");
  EXPECT_EQ(fromUtf8("\xC3"), u"\uFFFD");            // cut short
  EXPECT_EQ(fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
  EXPECT_EQ(fromUtf8("\xED\xA0\x80x"), u"\uFFFDx");  // encoded surrogate
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Ansi, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(toAnsi(fromAnsi(all)), all);
}

TEST(Ansi, UsesTheWindows1252Letters) {
  EXPECT_EQ(fromAnsi("\x80\x8A\x9F\xE9"), u"€ŠŸé");
  EXPECT_EQ(toAnsi(u"€ŠŸé"), "\x80\x8A\x9F\xE9");
}

TEST(Ansi, UndefinedBytesMapToControlsOfTheSameNumber) {
  for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(ansiToChar(b), char16_t(b));
    EXPECT_EQ(charToAnsi(char16_t(b)), b);
  }
  EXPECT_EQ(charToAnsi(u'\u0080'), -1);  // the € byte is not U+0080
}

TEST(Ansi, CharactersOutsideTheCodePageBecomeTheFallback) {
  EXPECT_EQ(toAnsi(u"a日b"), "a?b");
  EXPECT_EQ(toAnsi(u"日", '#'), "#");
}

TEST(CaseMapping, FollowsTheSimpleUnicodeMappings) {
  EXPECT_EQ(toUpper(u"sdat4500.exe"), u"SDAT4500.EXE");
  EXPECT_EQ(toUpper(u"grüße ÿ µ"), u"GRÜßE Ÿ Μ");  // ß has no single upper case letter
  EXPECT_EQ(toLower(u"ÀÉÎÕÜ İ"), u"àéîõü i");
  EXPECT_EQ(toUpper(u"ı"), u"I");
  EXPECT_EQ(toUpper(u"\U00010428"), u"\U00010400");  // outside the first plane
  EXPECT_EQ(toLower(u"ΣΑΣ"), u"σασ");                // no final-sigma rule
}

TEST(CaseMapping, IntoABufferLeavesNothingOfItsFormerText) {
  std::u16string out = u"LONGER THAN THE NEXT";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"grüße.exe", u"GRÜßE.EXE"}, {u"ab", u"AB"}, {u"ä", u"Ä"}};
  for (const auto& [text, upper] : cases) {
    toUpper(text, out);
    EXPECT_EQ(out, upper);
    fromUtf8(toUtf8(text), out);
    EXPECT_EQ(out, text);
  }
}

TEST(CaseMapping, KeepsUnpairedSurrogatesAndLength) {
  const std::u16string broken{u'a', char16_t(0xDC00), u'b'};
  EXPECT_EQ(toUpper(broken), (std::u16string{u'A', char16_t(0xDC00), u'B'}));
}

TEST(Numbers, FormatAsTheSystemDoes) {
  EXPECT_EQ(dec(-42), u"-42");
  EXPECT_EQ(str(5), u" 5");
  EXPECT_EQ(str(-5), u"-5");
  EXPECT_EQ(zeroPad(1, 2), u"01");
  EXPECT_EQ(zeroPad(105, 2), u"105");
  EXPECT_EQ(zeroPad(-3, 2), u"-03");
}

}  // namespace
}  // namespace sigpatch::text
