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
        {{u"C:\\Updates\\sdat4321.exe", u"C:\\Updates\\"}, {u"C:sdat.exe", u"C:"},
         {u"sdat.exe", u""}, {u"", u""}, {u"C:\\Updates\\", u"C:\\Updates\\"},
         {u"C:\\a\\b:stream", u"C:\\a\\"}});  // a second ":" (a stream) starts the search before it
  table("ExtractFilename", [](Text p) { return win.ExtractFilename(p); },
        {{u"C:\\Updates\\sdat4321.exe", u"sdat4321.exe"}, {u"sdat.exe", u"sdat.exe"}});
  table("ExtractExtension", [](Text p) { return win.ExtractExtension(p); },
        {{u"sdat4321.exe", u"exe"}, {u"README", u""}, {u"C:\\a.b\\file", u""}, {u"C:file.", u""},
         {u".profile", u"profile"}, {u"", u""}});
  table("CheckPathEnding", [](Text p) { return win.CheckPathEnding(p); },
        {{u"C:\\Updates", u"C:\\Updates\\"}, {u"C:\\Updates\\", u"C:\\Updates\\"}, {u"", u"\\"}});
  table("RemovePathEnding", [](Text p) { return win.RemovePathEnding(p); },
        {{u"C:\\Updates\\\\", u"C:\\Updates"}, {u"C:\\", u"C:"}});
  // Three characters or fewer are taken for a drive root, whatever they are.
  table("RemoveDriveFromPath", [](Text p) { return win.RemoveDriveFromPath(p); },
        {{u"C:\\Updates\\x", u"Updates\\x"}, {u"\\\\server\\share", u"server\\share"},
         {u"C:\\", u""}, {u"C:\\a", u"a"}, {u"C:a", u""}});
  // In the POSIX style ":" is an ordinary character and the root stands for the drive.
  table("ExtractPath", [](Text p) { return posix.ExtractPath(p); },
        {{u"/srv/updates/sdat4321.exe", u"/srv/updates/"}, {u"C:sdat.exe", u""},
         {u"/srv/a:b:c", u"/srv/"}, {u"/", u"/"}});
  table("ExtractFilename", [](Text p) { return posix.ExtractFilename(p); },
        {{u"/srv/updates/sdat:1.exe", u"sdat:1.exe"}});
  table("ExtractExtension", [](Text p) { return posix.ExtractExtension(p); },
        {{u"/srv/a.b/file", u""}, {u"notes.v1:2", u"v1:2"}, {u"back\\slash.x\\y", u"x\\y"}});
  table("CheckPathEnding", [](Text p) { return posix.CheckPathEnding(p); },
        {{u"/srv/updates", u"/srv/updates/"}, {u"", u"/"}, {u"C:\\x", u"C:\\x/"}});
  table("RemovePathEnding", [](Text p) { return posix.RemovePathEnding(p); },
        {{u"/srv/updates//", u"/srv/updates"}});
  table("RemoveDriveFromPath", [](Text p) { return posix.RemoveDriveFromPath(p); },
        {{u"//srv/updates", u"srv/updates"}, {u"srv", u"srv"}, {u"/", u""}});
}

// Text, separator, whether quotes keep together, the count of fields, and the
// fields by number (one past the last is empty).
TEST(StringUtilitiesTest, SplitsFieldsAndKeepsQuotedStretchesTogether) {
  const std::tuple<Text, Text, bool, std::vector<Text>> rows[] = {
      {u"", u" ", false, {u""}},
      {u"a b  c", u" ", false, {u"a", u"b", u"", u"c"}},
      {u"a\\", u"\\", false, {u"a", u""}},
      {u"\\x", u"\\", false, {u"", u"x"}},
      {u"a\\b\\c", u"\\", false, {u"a", u"b", u"c"}},
      {u"abc", u"\\", false, {u"abc"}},
      {u"a<>b<>c", u"<>", false, {u"a", u"b", u"c"}},
      {u"a \"b c\" d", u" ", true, {u"a", u"\"b c\"", u"d"}},
      {u"a \"b c\" d", u" ", false, {u"a", u"\"b", u"c\"", u"d"}},
      {u"a \"b c d", u" ", true, {u"a", u"\"b", u"c", u"d"}},  // a quote never closed: nothing
      {u"/Path:\"C:\\My Updates\" /SetDef", u" ", true,
       {u"/Path:\"C:\\My Updates\"", u"/SetDef"}},
      {u"/Path:\"C:\\My Updates\"", u":", true, {u"/Path", u"\"C:\\My Updates\""}},
      {u"/Path:C:\\Updates", u":", true, {u"/Path", u"C", u"\\Updates"}},
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
      {u"////x", u"/", false, u"x", u"////x", u"x"},
      {u"abababc", u"ab", false, u"c", u"abababc", u"c"},
      {u"x", u"", false, u"x", u"x", u"x"},
      {u"hkey_local_machine\\x", u"HKEY_LOCAL_MACHINE", false, u"hkey_local_machine\\x",
       u"hkey_local_machine\\x", u"hkey_local_machine\\x"},
      {u"hkey_local_machine\\x", u"HKEY_LOCAL_MACHINE", true, u"\\x", u"hkey_local_machine\\x",
       u"\\x"},
      {u"Path:PATH:x", u"path:", true, u"x", u"Path:PATH:x", u"x"},
      {u"abcABC", u"abc", true, u"", u"", u""},
      {u"abcABC", u"abc", false, u"ABC", u"abcABC", u"ABC"},
      {u"b", u"abc", false, u"b", u"b", u"b"},
      {u"XabcABC", u"ABC", true, u"XabcABC", u"X", u"X"},
      {u"abc\r\n\r\n", u"\r\n", false, u"abc\r\n\r\n", u"abc", u"abc"},
      {u"\"\"C:\\My Updates\"", u"\"", false, u"C:\\My Updates\"", u"\"\"C:\\My Updates",
       u"C:\\My Updates"},
      {u"xAx", u"x", false, u"Ax", u"xA", u"A"}};
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
      {u"C:\\Data\\Backup", u"c:\\data", true, false}, {u"x", u"", true, true},
      {u"ab", u"abc", false, false}, {u"abc", u"ABC", true, true},
      {u"SDAT.EXE", u".exe", false, true}, {u"exe", u".exe", false, false},
      {u"ÄRGER", u"är", true, false}};
  for (const auto& [line, test, starts, ends] : compared) {
    EXPECT_EQ(su.StartsWith(line, test), starts) << text::toUtf8(std::u16string(line));
    EXPECT_EQ(su.EndsWith(line, test), ends) << text::toUtf8(std::u16string(line));
  }
}

TEST(StringUtilitiesTest, ReplacesLeftToRightWithoutOverlap) {
  fakes::FakePlatform fake;
  // Without case it keeps the rest and lets events run.
  const std::tuple<Text, Text, Text, Text> replaced[] = {
      {u"aaaa", u"aa", u"b", u"bb"}, {u"a.b.c", u".", u"\\", u"a\\b\\c"},
      {u"abc", u"", u"x", u"abc"}, {u"Hello HELLO hello", u"hello", u"bye", u"Hello HELLO bye"}};
  for (const auto& [line, from, to, want] : replaced) {
    EXPECT_EQ(su.ReplaceString(line, from, to), want);
  }
  EXPECT_EQ(fake.windowing.doEventsCalls, 0);
  EXPECT_EQ(su.ReplaceString(u"Hello HELLO hello!", u"hello", u"bye", true), u"bye bye bye!");
  EXPECT_EQ(fake.windowing.doEventsCalls, 3);
  EXPECT_EQ(su.ReplaceString(u"aXbxc", u"x", u"-", true), u"a-b-c");
}

TEST(StringUtilitiesTest, WritesSingleByteCodesInHex) {
  table("hex", [&](Text t) { return su.BinaryInStringToHexInString(t, 0); },
        {{u"ABC", u"41, 42, 43"}, {u"", u""}, {u"\x01\x02", u"01, 02"}, {u"€ÿ", u"80, FF"}});
  EXPECT_EQ(su.BinaryInStringToHexInString(u"AB", 1),
            u"\tszBin=\"\"; szBin[0]=\"65\"; szBin[1]=\"66\";");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"AB", 2), u"szBin[0]=\"65\"; szBin[1]=\"66\";");
  const std::u16string listed = su.BinaryInStringToHexInString(std::u16string(16, u'a'), 2);
  EXPECT_NE(listed.find(u"szBin[14]=\"97\"; \r\n\tszBin[15]=\"97\";"), std::u16string::npos);
  EXPECT_EQ(su.BinaryInStringToHexInString(std::u16string(15, u'a'), 2).back(), u'\t');
}

}  // namespace
}  // namespace sigpatch
// clang-format on
