#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/ArgumentString.h"
#include "runtime/CommandLine.h"

namespace sigpatch::platform {
namespace {

using Args = std::vector<std::u16string>;

// The Windows C runtime's own examples, and the corners between them.
TEST(CommandLineTest, SplitsArgumentsAsTheWindowsRuntimeDoes) {
  const std::pair<std::u16string_view, Args> rows[] = {
      {uR"("abc" d e)", {u"abc", u"d", u"e"}},
      {uR"(a\\b d"e f"g h)", {uR"(a\\b)", u"de fg", u"h"}},
      {uR"(a\\\"b c d)", {uR"(a\"b)", u"c", u"d"}},
      {uR"(a\\\\"b c" d e)", {uR"(a\\b c)", u"d", u"e"}},
      {uR"(a"b"" c d)", {uR"(ab" c d)"}},
      {u"  \t a\t\tb  ", {u"a", u"b"}},
      {uR"("" x "")", {u"", u"x", u""}},
      {uR"("unterminated arg)", {u"unterminated arg"}},
      {uR"(C:\dir\ "C:\dir\\" \)", {uR"(C:\dir\)", uR"(C:\dir\)", uR"(\)"}},
      {uR"(/Path:"C:\My Updates" /SILENT)", {uR"(/Path:C:\My Updates)", u"/SILENT"}},
      {u"", {}}};
  for (const auto& [line, arguments] : rows) EXPECT_EQ(splitArguments(line), arguments);
}

TEST(CommandLineTest, TheProgramNameKnowsQuotesButNoEscapes) {
  EXPECT_EQ(splitCommandLine(uR"("C:\Program Files\x.exe" /a "b c")"),
            (CommandLineParts{uR"(C:\Program Files\x.exe)", {u"/a", u"b c"}}));
  EXPECT_EQ(splitCommandLine(uR"("a b"c\ d)"), (CommandLineParts{uR"(a bc\)", {u"d"}}));
  EXPECT_EQ(splitCommandLine(uR"(x\" d)"), (CommandLineParts{uR"(x\ d)", {}}));
  EXPECT_EQ(splitCommandLine(u"  sleep 3"), (CommandLineParts{u"sleep", {u"3"}}));
  EXPECT_EQ(splitCommandLine(u""), (CommandLineParts{}));
}

// An unquoted name with blanks is tried at each blank; a quoted name or a
// quoted argument ends the search. Each candidate as "program|rest;".
TEST(CommandLineTest, TheProgramIsSoughtAtEachBlank) {
  auto candidates = [](std::u16string_view line) {
    std::u16string found;
    for (const auto& c : programCandidates(line))
      found += c.program + u"|" + std::u16string(c.rest) + u";";
    return found;
  };
  EXPECT_EQ(candidates(u"/srv/my updates/x.exe /S  /R"),
            u"/srv/my| updates/x.exe /S  /R;/srv/my updates/x.exe| /S  /R;"
            u"/srv/my updates/x.exe /S|  /R;/srv/my updates/x.exe /S  /R|;");
  EXPECT_EQ(candidates(uR"(  "/srv/my updates/x" /a)"), u"/srv/my updates/x| /a;");
  EXPECT_EQ(candidates(uR"(prog next "a b")"), uR"(prog| next "a b";prog next| "a b";)");
  EXPECT_EQ(candidates(u" \t "), u"");
}

TEST(CommandLineTest, RandomArgumentListsSurviveQuotingJoiningAndSplitting) {
  EXPECT_EQ(quoteArgument(u"plain"), u"plain");
  EXPECT_EQ(quoteArgument(uR"(C:\x y\)"), uR"("C:\x y\\")");
  EXPECT_EQ(quoteArgument(uR"(a"b)"), uR"("a\"b")");
  std::mt19937 random(4711);
  const char16_t alphabet[] = {u'a', u' ', u'\t', u'"', u'\\', u'/', u'\u00E9'};
  for (int round = 0; round < 2000; ++round) {
    Args arguments(random() % 4);
    std::u16string line;
    for (auto& argument : arguments) {
      const auto length = random() % 8;
      for (unsigned i = 0; i < length; ++i) argument.push_back(alphabet[random() % 7]);
      line += u" " + quoteArgument(argument);
    }
    ASSERT_EQ(splitArguments(line), arguments);
  }
}

// On POSIX the separate arguments are joined back into the line as typed.
TEST(CommandLineTest, RebuildsTheArgumentStringAsTypedOnWindows) {
  const std::pair<Args, std::u16string_view> rows[] = {
      {{}, u""},
      {{u"/Silent", u"/Path:/srv/updates"}, u"/Silent /Path:/srv/updates"},
      {{u"/Path:/srv/my updates", u"/SetDef"}, u"/Path:\"/srv/my updates\" /SetDef"},
      {{u"two words", u""}, u"\"two words\" \"\""},
      {{u"/No colon here"}, u"\"/No colon here\""},
      {{u"/Path:a\tb"}, u"/Path:\"a\tb\""},
      // The usage's own quoted form typed inside the shell's quotes stays one value.
      {{u"/Path:\"/srv/my updates\""}, u"/Path:\"/srv/my updates\""},
      {{u"\"two words\""}, u"\"two words\""}};
  for (const auto& [arguments, line] : rows) EXPECT_EQ(buildArgumentString(arguments), line);
}

}  // namespace
}  // namespace sigpatch::platform
