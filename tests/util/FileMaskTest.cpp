#include <gtest/gtest.h>

#include <string>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

struct Match {
  const char16_t* name;
  const char16_t* mask;
  bool matches;
};

// Each row in the default mode (case folded, brackets literal) or the exact one.
void table(bool exact, std::initializer_list<Match> rows) {
  for (const auto& row : rows) {
    EXPECT_EQ(StringUtilities().MatchesFileMask(row.name, row.mask, exact), row.matches)
        << text::toUtf8(std::u16string(row.name) + u" against " + row.mask);
  }
}

int faultOf(std::u16string_view mask) {
  try {
    StringUtilities().MatchesFileMask(u"x", mask, true);
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// clang-format off
TEST(FileMask, IgnoresCaseByDefaultForTheLettersFromAToODiaeresis) {
  table(false, {{u"SDAT4321.EXE", u"sdat*.exe", true}, {u"sdat4321.exe", u"sdat*.exe", true},
                {u"Sdat1.Exe", u"sdat*.exe", true}, {u"sdat.exe.bak", u"sdat*.exe", false},
                {u"ÄRGER.TXT", u"ärger.txt", true},
                {u"a", u"A", true},     // "A" is the first letter that folds
                {u"Ö", u"ö", true},     // and "ö" the last,
                {u"ö", u"Ö", true},     // both ways
                {u"Ø", u"ø", false},    // beyond "ö" a letter keeps its case
                {u"ø", u"ø", true},     // and matches itself
                {u"~", u"^", false}});  // "^" lies in the range but is no letter
  table(true, {{u"SDAT4321.EXE", u"sdat*.exe", false}});
}

TEST(FileMask, KnowsTheWildcardsAndInTheDefaultModeTakesEveryBracketLiterally) {
  table(false, {{u"sdat.exe", u"sdat?.exe", false}, {u"sdat1.exe", u"sdat?.exe", true},
                {u"sdat1.exe", u"sdat#.exe", true}, {u"sdat9.exe", u"sdat#.exe", true},
                {u"sdatx.exe", u"sdat#.exe", false}, {u"", u"*", true}, {u"", u"", true},
                {u"a", u"", false}, {u"abc", u"a**c", true}, {u"abcbd", u"a*b?", true},
                {u"abcbde", u"a*b?", false}, {u"mississippi", u"*iss*ipp*", true},
                {u"[x]", u"[x]", true}, {u"x", u"[x]", false}, {u"]", u"]", true},
                {u"]]", u"]", false}, {u"a-b!", u"a-b!", true}});
}

TEST(FileMask, KnowsGroupsRangesAndNegationInTheExactMode) {
  table(true, {{u"b", u"[abc]", true}, {u"d", u"[abc]", false},
               {u"sdat5.exe", u"sdat[0-9].exe", true}, {u"sdatA.exe", u"sdat[0-9].exe", false},
               {u"d", u"[!abc]", true}, {u"a", u"[!abc]", false}, {u"-", u"[-a]", true},
               {u"-", u"[a-]", true}, {u"b", u"[a-]", false}, {u"x", u"[a-cx-z]", true},
               {u"]", u"[]]", true}, {u"]", u"[]a]", true}, {u"b", u"[!]a]", true},
               {u"]", u"[!]a]", false}, {u"*", u"[*]", true}, {u"x", u"[*]", false},
               {u"?#", u"[?][#]", true}});
}
// clang-format on

TEST(FileMask, MalformedMasksAreAFaultInTheExactMode) {
  EXPECT_EQ(faultOf(u"[abc"), 93);
  EXPECT_EQ(faultOf(u"[z-a]"), 93);
  EXPECT_EQ(faultOf(u"x*[]"), 93);
  EXPECT_EQ(faultOf(u"[a-z]"), 0);
  // The fault is raised even where the name would fail before the bad group.
  EXPECT_EQ(faultOf(u"y[abc"), 93);
  EXPECT_NO_THROW(StringUtilities().MatchesFileMask(u"x", u"[abc"));
}

TEST(FileMask, StarsDoNotBacktrackExponentially) {
  const std::u16string name(10000, u'a');
  table(false,
        {{name.c_str(), u"*a*a*a*a*a*b", false}, {(name + u"b").c_str(), u"*a*a*a*a*a*b", true}});
  table(true, {{name.c_str(), u"*[a]*[a]*[!c]*a*b", false}});
}

}  // namespace
}  // namespace sigpatch
