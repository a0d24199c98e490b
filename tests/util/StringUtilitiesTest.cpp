#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "runtime/RuntimeError.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

using runtime::PathStyle;

class WindowsPaths : public ::testing::Test {
 protected:
  StringUtilities su{PathStyle::Windows};
};

class PosixPaths : public ::testing::Test {
 protected:
  StringUtilities su{PathStyle::Posix};
};

TEST_F(WindowsPaths, TakesPathsApart) {
  EXPECT_EQ(su.ExtractPath(u"C:\\Updates\\sdat4321.exe"), u"C:\\Updates\\");
  EXPECT_EQ(su.ExtractPath(u"C:sdat.exe"), u"C:");
  EXPECT_EQ(su.ExtractPath(u"sdat.exe"), u"");
  EXPECT_EQ(su.ExtractPath(u""), u"");
  EXPECT_EQ(su.ExtractPath(u"C:\\Updates\\"), u"C:\\Updates\\");
  // A second ":" (a stream name) starts the search before it.
  EXPECT_EQ(su.ExtractPath(u"C:\\a\\b:stream"), u"C:\\a\\");
  EXPECT_EQ(su.ExtractFilename(u"C:\\Updates\\sdat4321.exe"), u"sdat4321.exe");
  EXPECT_EQ(su.ExtractFilename(u"sdat.exe"), u"sdat.exe");
  EXPECT_EQ(su.ExtractExtension(u"sdat4321.exe"), u"exe");
  EXPECT_EQ(su.ExtractExtension(u"README"), u"");
  EXPECT_EQ(su.ExtractExtension(u"C:\\a.b\\file"), u"");
  EXPECT_EQ(su.ExtractExtension(u"C:file."), u"");
  EXPECT_EQ(su.ExtractExtension(u".profile"), u"profile");
  EXPECT_EQ(su.ExtractExtension(u""), u"");
}

TEST_F(WindowsPaths, EnsuresAndRemovesTheSeparatorAtTheEnd) {
  EXPECT_EQ(su.CheckPathEnding(u"C:\\Updates"), u"C:\\Updates\\");
  EXPECT_EQ(su.CheckPathEnding(u"C:\\Updates\\"), u"C:\\Updates\\");
  EXPECT_EQ(su.CheckPathEnding(u""), u"\\");
  EXPECT_EQ(su.RemovePathEnding(u"C:\\Updates\\\\"), u"C:\\Updates");
  EXPECT_EQ(su.RemovePathEnding(u"C:\\"), u"C:");
}

TEST_F(WindowsPaths, RemovesTheDrive) {
  EXPECT_EQ(su.RemoveDriveFromPath(u"C:\\Updates\\x"), u"Updates\\x");
  EXPECT_EQ(su.RemoveDriveFromPath(u"\\\\server\\share"), u"server\\share");
  EXPECT_EQ(su.RemoveDriveFromPath(u"C:\\"), u"");
  EXPECT_EQ(su.RemoveDriveFromPath(u"C:\\a"), u"a");
  // Three characters or fewer are taken for a drive root, whatever they are.
  EXPECT_EQ(su.RemoveDriveFromPath(u"C:a"), u"");
}

TEST_F(WindowsPaths, ResolvesDotDotAgainstTheProgramsFolder) {
  fakes::FakePlatform fake;
  fake.windowing.app.Path = u"C:\\Tools\\Sub";
  EXPECT_EQ(su.ResolvePath(u"..\\..\\x.txt"), u"C:\\x.txt");
  EXPECT_EQ(su.ResolvePath(u"..\\x.txt"), u"C:\\Tools\\x.txt");
  EXPECT_EQ(su.ResolvePath(u".\\x"), u".\\x");
  EXPECT_EQ(su.ResolvePath(u"x"), u"x");
  EXPECT_EQ(su.ResolvePath(u"..x"), u"..x");
}

TEST_F(PosixPaths, TakesPathsApartWithColonsAsOrdinaryCharacters) {
  EXPECT_EQ(su.ExtractPath(u"/srv/updates/sdat4321.exe"), u"/srv/updates/");
  EXPECT_EQ(su.ExtractPath(u"C:sdat.exe"), u"");
  EXPECT_EQ(su.ExtractPath(u"/srv/a:b:c"), u"/srv/");
  EXPECT_EQ(su.ExtractPath(u"/"), u"/");
  EXPECT_EQ(su.ExtractFilename(u"/srv/updates/sdat:1.exe"), u"sdat:1.exe");
  EXPECT_EQ(su.ExtractExtension(u"/srv/a.b/file"), u"");
  EXPECT_EQ(su.ExtractExtension(u"notes.v1:2"), u"v1:2");
  EXPECT_EQ(su.ExtractExtension(u"back\\slash.x\\y"), u"x\\y");
}

TEST_F(PosixPaths, UsesTheSlashAndTreatsTheRootAsTheDrive) {
  EXPECT_EQ(su.CheckPathEnding(u"/srv/updates"), u"/srv/updates/");
  EXPECT_EQ(su.CheckPathEnding(u""), u"/");
  EXPECT_EQ(su.CheckPathEnding(u"C:\\x"), u"C:\\x/");
  EXPECT_EQ(su.RemovePathEnding(u"/srv/updates//"), u"/srv/updates");
  EXPECT_EQ(su.RemoveDriveFromPath(u"//srv/updates"), u"srv/updates");
  EXPECT_EQ(su.RemoveDriveFromPath(u"srv"), u"srv");
  EXPECT_EQ(su.RemoveDriveFromPath(u"/"), u"");
}

TEST_F(PosixPaths, ResolvesDotDotAgainstTheProgramsFolder) {
  fakes::FakePlatform fake;
  fake.windowing.app.Path = u"/opt/tools/sub";
  EXPECT_EQ(su.ResolvePath(u"../../x.txt"), u"/opt/x.txt");
  EXPECT_EQ(su.ResolvePath(u"../share/x"), u"/opt/tools/share/x");
  EXPECT_EQ(su.ResolvePath(u"../../../../x"), u"/x");
  EXPECT_EQ(su.ResolvePath(u"./x"), u"./x");
}

TEST(Fields, SplitAtSeparators) {
  StringUtilities su;
  EXPECT_EQ(su.GetPosNum(u"", u" "), 1);
  EXPECT_EQ(su.GetPosNum(u"a b  c", u" "), 4);
  EXPECT_EQ(su.GetPosNum(u"a\\", u"\\"), 2);
  EXPECT_EQ(su.GetPosSep(u"a\\b\\c", u"\\", 1), u"a");
  EXPECT_EQ(su.GetPosSep(u"a\\b\\c", u"\\", 2), u"b");
  EXPECT_EQ(su.GetPosSep(u"a\\b\\c", u"\\", 3), u"c");
  EXPECT_EQ(su.GetPosSep(u"a\\b\\c", u"\\", 4), u"");
  EXPECT_EQ(su.GetPosSep(u"\\x", u"\\", 1), u"");
  EXPECT_EQ(su.GetPosSep(u"abc", u"\\", 1), u"abc");
  EXPECT_EQ(su.GetPosSep(u"a<>b<>c", u"<>", 2), u"b");
  EXPECT_EQ(su.GetPosNum(u"a<>b<>c", u"<>"), 3);
}

TEST(Fields, KeepQuotedStretchesTogether) {
  StringUtilities su;
  const std::u16string line = u"a \"b c\" d";
  EXPECT_EQ(su.GetPosNum(line, u" ", true), 3);
  EXPECT_EQ(su.GetPosNum(line, u" ", false), 4);
  EXPECT_EQ(su.GetPosSep(line, u" ", 2, true), u"\"b c\"");
  // A quote that is never closed keeps nothing together.
  EXPECT_EQ(su.GetPosNum(u"a \"b c d", u" ", true), 4);
  const std::u16string command = u"/Path:\"C:\\My Updates\" /SetDef";
  EXPECT_EQ(su.GetPosNum(command, u" ", true), 2);
  EXPECT_EQ(su.GetPosSep(command, u" ", 1, true), u"/Path:\"C:\\My Updates\"");
  EXPECT_EQ(su.GetPosSep(command, u" ", 2, true), u"/SetDef");
  EXPECT_EQ(su.GetPosNum(u"/Path:\"C:\\My Updates\"", u":", true), 2);
  EXPECT_EQ(su.GetPosNum(u"/Path:C:\\Updates", u":", true), 3);
  // A quote that is the separator itself keeps nothing together.
  EXPECT_EQ(su.GetPosNum(u"a\"b\"c", u"\"", true), 3);
}

TEST(Fields, FindsOverlappingOccurrences) {
  StringUtilities su;
  EXPECT_EQ(su.GetSepPos(u"aaa", u"aa", 1), 1);
  EXPECT_EQ(su.GetSepPos(u"aaa", u"aa", 2), 2);
  EXPECT_EQ(su.GetSepPos(u"aaa", u"aa", 3), 0);
  EXPECT_EQ(su.GetSepPos(u"", u"a", 1), 0);
  EXPECT_EQ(su.GetSepPos(u"abc", u"b", 0), 0);
}

TEST(Trimming, RemovesEveryRepetition) {
  StringUtilities su;
  EXPECT_EQ(su.LTrimText(u"////x", u"/"), u"x");
  EXPECT_EQ(su.LTrimText(u"abababc", u"ab"), u"c");
  EXPECT_EQ(su.LTrimText(u"hkey_local_machine\\x", u"HKEY_LOCAL_MACHINE"),
            u"hkey_local_machine\\x");
  EXPECT_EQ(su.LTrimText(u"hkey_local_machine\\x", u"HKEY_LOCAL_MACHINE", true), u"\\x");
  EXPECT_EQ(su.LTrimText(u"Path:PATH:x", u"path:", true), u"x");
  EXPECT_EQ(su.LTrimText(u"x", u""), u"x");
  EXPECT_EQ(su.RTrimText(u"abcABC", u"abc", true), u"");
  EXPECT_EQ(su.RTrimText(u"abcABC", u"abc"), u"abcABC");
  EXPECT_EQ(su.RTrimText(u"XabcABC", u"ABC", true), u"X");
  EXPECT_EQ(su.RTrimText(u"abc\r\n\r\n", u"\r\n"), u"abc");
  EXPECT_EQ(su.RTrimText(u"b", u"abc"), u"b");
  EXPECT_EQ(su.TrimText(u"\"\"C:\\My Updates\"", u"\""), u"C:\\My Updates");
  EXPECT_EQ(su.TrimText(u"xAx", u"x"), u"A");
}

TEST(Comparing, StartsAndEndsWithIgnoreCase) {
  StringUtilities su;
  EXPECT_TRUE(su.StartsWith(u"C:\\Data\\Backup", u"c:\\data"));
  EXPECT_TRUE(su.StartsWith(u"x", u""));
  EXPECT_FALSE(su.StartsWith(u"ab", u"abc"));
  EXPECT_TRUE(su.StartsWith(u"abc", u"ABC"));
  EXPECT_TRUE(su.EndsWith(u"SDAT.EXE", u".exe"));
  EXPECT_FALSE(su.EndsWith(u"exe", u".exe"));
  EXPECT_TRUE(su.EndsWith(u"exe", u"EXE"));
  EXPECT_TRUE(su.StartsWith(u"ÄRGER", u"är"));
}

TEST(Replacing, ReplacesLeftToRightWithoutOverlap) {
  StringUtilities su;
  EXPECT_EQ(su.ReplaceString(u"aaaa", u"aa", u"b"), u"bb");
  EXPECT_EQ(su.ReplaceString(u"a.b.c", u".", u"\\"), u"a\\b\\c");
  EXPECT_EQ(su.ReplaceString(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(su.ReplaceString(u"Hello HELLO hello", u"hello", u"bye"), u"Hello HELLO bye");
}

TEST(Replacing, IgnoringCaseKeepsTheRestAndLetsEventsRun) {
  fakes::FakePlatform fake;
  StringUtilities su;
  EXPECT_EQ(su.ReplaceString(u"Hello HELLO hello!", u"hello", u"bye", true), u"bye bye bye!");
  EXPECT_EQ(fake.windowing.doEventsCalls, 3);
  EXPECT_EQ(su.ReplaceString(u"aXbxc", u"x", u"-", true), u"a-b-c");
}

TEST(Replacing, ReplacesTheNthOccurrence) {
  StringUtilities su;
  EXPECT_EQ(su.ReplaceNthOccuranceOfString(u"a.b.c", u".", u"!", 2), u"a.b!c");
  EXPECT_EQ(su.ReplaceNthOccuranceOfString(u"aaa", u"aa", u"X", 2), u"aX");
  for (int occurrence : {0, -1, 3}) {
    try {
      su.ReplaceNthOccuranceOfString(u"a.b.c", u".", u"!", occurrence);
      FAIL() << "occurrence " << occurrence << " does not exist";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), 5);
    }
  }
}

TEST(Between, TakesTheTextBetweenSeparators) {
  StringUtilities su;
  EXPECT_EQ(su.GetTextBetweenSeparators(u"abc", u"", u""), u"abc");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"key=value;x", u"", u";"), u"key=value");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"key=value", u"", u";"), u"");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"key=value;x", u"=", u""), u"value;x");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"key", u"=", u""), u"");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"<a>one</a>", u"<a>", u"</a>"), u"one");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"x[1]y[2]", u"[", u"]"), u"1");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"x[1", u"[", u"]"), u"1");
  EXPECT_EQ(su.GetTextBetweenSeparators(u"x", u"[", u"]"), u"");
  // The end separator counts only before the next first separator.
  EXPECT_EQ(su.GetTextBetweenSeparators(u"[ab[c]", u"[", u"]"), u"ab");
}

TEST(Keywords, ExtractTheTemplatedPiece) {
  StringUtilities su;
  EXPECT_EQ(su.ReplacePartOfKeywordString(u"Name: John; Age: 42; rest", u"%", u"Name: %; Age: %;"),
            u"Name: John; Age: 42;");
  EXPECT_EQ(su.ReplacePartOfKeywordString(u"abc", u"%", u"no keyword"), u"");
  EXPECT_EQ(su.ReplacePartOfKeywordString(u"abc", u"", u"%"), u"");
}

TEST(Hex, WritesSingleByteCodes) {
  StringUtilities su;
  EXPECT_EQ(su.BinaryInStringToHexInString(u"ABC", 0), u"41, 42, 43");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"", 0), u"");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"\x01\x02", 0), u"01, 02");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"€ÿ", 0), u"80, FF");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"AB", 1),
            u"\tszBin=\"\"; szBin[0]=\"65\"; szBin[1]=\"66\";");
  EXPECT_EQ(su.BinaryInStringToHexInString(u"AB", 2), u"szBin[0]=\"65\"; szBin[1]=\"66\";");
  const std::u16string sixteen(16, u'a');
  const std::u16string listed = su.BinaryInStringToHexInString(sixteen, 2);
  EXPECT_NE(listed.find(u"szBin[14]=\"97\"; \r\n\tszBin[15]=\"97\";"), std::u16string::npos);
  EXPECT_EQ(su.BinaryInStringToHexInString(std::u16string(15, u'a'), 2).substr(0, 9), u"szBin[0]=");
  EXPECT_EQ(su.BinaryInStringToHexInString(std::u16string(15, u'a'), 2).back(), u'\t');
}

}  // namespace
}  // namespace sigpatch
