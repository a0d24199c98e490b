#include <gtest/gtest.h>

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
      {uR"(a\\b d"e f"g h)", {uR"(a\\b)", u"de fg", u"h"}},
      {uR"(a\\\"b c d)", {uR"(a\"b)", u"c", u"d"}},
      {uR"(a"b"" c d)", {uR"(ab" c d)"}},
      {uR"(a\\\\"b c" d e)", {uR"(a\\b c)", u"d", u"e"}},
      {u"  \t a\t\tb  ", {u"a", u"b"}},
      {uR"("" x "")", {u"", u"x", u""}},
      {uR"(C:\dir\ "C:\dir\\" \)", {uR"(C:\dir\)", uR"(C:\dir\)", uR"(\)"}},
      {uR"(/Path:"C:\My Updates" /SILENT)", {uR"(/Path:C:\My Updates)", u"/SILENT"}},
      {u"", {}}};
  for (const auto& [line, arguments] : rows) EXPECT_EQ(splitArguments(line), arguments);
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
  // The program name knows quotes but no escapes.
  EXPECT_EQ(splitCommandLine(uR"("a b"c\ d)"), (CommandLineParts{uR"(a bc\)", {u"d"}}));
}

// On POSIX the separate arguments are joined back into the line as typed.
TEST(CommandLineTest, RebuildsTheArgumentStringAsTypedOnWindows) {
  const std::pair<Args, std::u16string_view> rows[] = {
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
