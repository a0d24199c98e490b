#include <gtest/gtest.h>

#include <functional>

#include "fakes/FakePlatform.h"
#include "runtime/Text.h"
#include "util/StringUtilities.h"

// The tables are laid out by hand.
// clang-format off
namespace sigpatch {
namespace {

using runtime::PathStyle;
using Text = std::u16string_view;
using Rows = std::initializer_list<std::pair<Text, Text>>;

// Each row: the text given and what the function makes of it.
void table(const char* name, const std::function<std::u16string(Text)>& f, Rows rows) {
  for (const auto& [in, out] : rows) {
    EXPECT_EQ(text::toUtf8(f(in)), text::toUtf8(std::u16string(out)))
        << name << "(\"" << text::toUtf8(std::u16string(in)) << "\")";
  }
}

const StringUtilities win{PathStyle::Windows};
const StringUtilities posix{PathStyle::Posix};
const StringUtilities su;

TEST(StringUtilitiesTest, TakesPathsApartInEachStyle) {
  table("ExtractPath", [](Text p) { return win.ExtractPath(p); },
        {{u"C:\\Updates\\sdat4321.exe", u"C:\\Updates\\"}, {u"C:sdat.exe", u"C:"}, {u"sdat.exe", u""},
         {u"C:\\a\\b:stream", u"C:\\a\\"}});  // a second ":" (a stream) starts the search before it
  table("ExtractExtension", [](Text p) { return win.ExtractExtension(p); },
        {{u"sdat4321.exe", u"exe"}, {u"README", u""}, {u"C:\\a.b\\file", u""}, {u"C:file.", u""}});
  table("CheckPathEnding", [](Text p) { return win.CheckPathEnding(p); },
        {{u"C:\\Updates", u"C:\\Updates\\"}, {u"C:\\Updates\\", u"C:\\Updates\\"}, {u"", u"\\"}});
  table("RemovePathEnding", [](Text p) { return win.RemovePathEnding(p); },
        {{u"C:\\Updates\\\\", u"C:\\Updates"}, {u"C:\\", u"C:"}});
  // Three characters or fewer are taken for a drive root, whatever they are.
  table("RemoveDriveFromPath", [](Text p) { return win.RemoveDriveFromPath(p); },
        {{u"C:\\Updates\\x", u"Updates\\x"}, {u"C:a", u""}});
  // In the POSIX style ":" is an ordinary character.
  table("ExtractPath", [](Text p) { return posix.ExtractPath(p); },
        {{u"/srv/updates/sdat4321.exe", u"/srv/updates/"}, {u"C:sdat.exe", u""}, {u"/srv/a:b:c", u"/srv/"}});
  table("ExtractExtension", [](Text p) { return posix.ExtractExtension(p); },
        {{u"notes.v1:2", u"v1:2"}, {u"back\\slash.x\\y", u"x\\y"}});
}

// Text, separator, whether quotes keep together, and the fields by number (one
// past the last is empty).
TEST(StringUtilitiesTest, SplitsFieldsAndKeepsQuotedStretchesTogether) {
  const std::tuple<Text, Text, bool, std::vector<Text>> rows[] = {
      {u"", u" ", false, {u""}},
      {u"a b  c", u" ", false, {u"a", u"b", u"", u"c"}},
      {u"\\x\\", u"\\", false, {u"", u"x", u""}},
      {u"a<>b<>c", u"<>", false, {u"a", u"b", u"c"}},
      {u"a \"b c\" d", u" ", true, {u"a", u"\"b c\"", u"d"}},
      {u"a \"b c\" d", u" ", false, {u"a", u"\"b", u"c\"", u"d"}},
      {u"a \"b c d", u" ", true, {u"a", u"\"b", u"c", u"d"}},  // a quote never closed: nothing
      {u"/Path:\"C:\\My Updates\"", u":", true, {u"/Path", u"\"C:\\My Updates\""}},
      {u"a\"b\"c", u"\"", true, {u"a", u"b", u"c"}}};  // nor a quote that is the separator
  for (const auto& [line, separator, quotes, fields] : rows) {
    SCOPED_TRACE(text::toUtf8(std::u16string(line)));
    EXPECT_EQ(su.GetPosNum(line, separator, quotes), static_cast<int>(fields.size()));
    for (int n = 1; n <= static_cast<int>(fields.size()) + 1; ++n) {
      const Text field = n <= static_cast<int>(fields.size()) ? fields[n - 1] : u"";
      EXPECT_EQ(su.GetPosSep(line, separator, n, quotes), field) << n;
    }
  }
}

TEST(StringUtilitiesTest, TrimsEveryRepetitionAndComparesWithoutCase) {
  // text, what is trimmed, whether without case, LTrimText, RTrimText, TrimText (with case)
  const std::tuple<Text, Text, bool, Text, Text, Text> trims[] = {
      {u"abababc", u"ab", false, u"c", u"abababc", u"c"},
      {u"x", u"", false, u"x", u"x", u"x"},
      {u"Path:PATH:x", u"path:", true, u"x", u"Path:PATH:x", u"x"},
      {u"abcABC", u"abc", true, u"", u"", u""},
      {u"abcABC", u"abc", false, u"ABC", u"abcABC", u"ABC"},
      {u"XabcABC", u"ABC", true, u"XabcABC", u"X", u"X"},
      {u"\"\"C:\\My Updates\"", u"\"", false, u"C:\\My Updates\"", u"\"\"C:\\My Updates", u"C:\\My Updates"}};
  for (const auto& [line, trimmed, noCase, left, right, both] : trims) {
    SCOPED_TRACE(text::toUtf8(std::u16string(line)));
    EXPECT_EQ(su.LTrimText(line, trimmed, noCase), left);
    EXPECT_EQ(su.RTrimText(line, trimmed, noCase), right);
    if (!noCase) {
      EXPECT_EQ(su.TrimText(line, trimmed), both);
    }
  }
  // text, test, StartsWith, EndsWith
  const std::tuple<Text, Text, bool, bool> compared[] = {
      {u"C:\\Data\\Backup", u"c:\\data", true, false}, {u"ab", u"abc", false, false},
      {u"abc", u"ABC", true, true}, {u"SDAT.EXE", u".exe", false, true}, {u"ÄRGER", u"är", true, false}};
  for (const auto& [line, test, starts, ends] : compared) {
    EXPECT_EQ(su.StartsWith(line, test), starts) << text::toUtf8(std::u16string(line));
    EXPECT_EQ(su.EndsWith(line, test), ends) << text::toUtf8(std::u16string(line));
  }
  fakes::FakePlatform fake;
  EXPECT_EQ(su.ReplaceString(u"aAaa.", u"aa", u"b", true), u"bb.");
}

TEST(StringUtilitiesTest, WritesSingleByteCodesInHex) {
  table("hex", [&](Text t) { return su.BinaryInStringToHexInString(t, 0); },
        {{u"ABC", u"41, 42, 43"}, {u"", u""}, {u"\x01€ÿ", u"01, 80, FF"}});
  EXPECT_EQ(su.BinaryInStringToHexInString(u"AB", 1), u"\tszBin=\"\"; szBin[0]=\"65\"; szBin[1]=\"66\";");
  const std::u16string listed = su.BinaryInStringToHexInString(std::u16string(16, u'a'), 2);
  EXPECT_NE(listed.find(u"szBin[14]=\"97\"; \r\n\tszBin[15]=\"97\";"), std::u16string::npos);
}

}  // namespace
}  // namespace sigpatch
// clang-format on
