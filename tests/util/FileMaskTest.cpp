#include <gtest/gtest.h>

#include <string>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

class FileMask : public ::testing::Test {
 protected:
  bool matches(std::u16string_view name, std::u16string_view mask) const {
    return su.MatchesFileMask(name, mask);
  }
  bool matchesExactly(std::u16string_view name, std::u16string_view mask) const {
    return su.MatchesFileMask(name, mask, true);
  }
  int faultOf(std::u16string_view mask) const {
    try {
      su.MatchesFileMask(u"x", mask, true);
    } catch (const RuntimeError& e) {
      return e.Number();
    }
    return 0;
  }
  StringUtilities su;
};

TEST_F(FileMask, IgnoresCaseByDefault) {
  EXPECT_TRUE(matches(u"SDAT4321.EXE", u"sdat*.exe"));
  EXPECT_TRUE(matches(u"sdat4321.exe", u"sdat*.exe"));
  EXPECT_TRUE(matches(u"Sdat1.Exe", u"sdat*.exe"));
  EXPECT_FALSE(matches(u"sdat.exe.bak", u"sdat*.exe"));
  EXPECT_FALSE(matchesExactly(u"SDAT4321.EXE", u"sdat*.exe"));
  EXPECT_TRUE(matches(u"ÄRGER.TXT", u"ärger.txt"));
}

TEST_F(FileMask, FoldsOnlyTheLettersFromAToODiaeresis) {
  struct Case {
    const char16_t* name;
    const char16_t* mask;
    bool matches;
  };
  const Case cases[] = {
      {u"a", u"A", true},   // "A" is the first letter that folds
      {u"Ö", u"ö", true},   // and "ö" the last,
      {u"ö", u"Ö", true},   // both ways
      {u"Ø", u"ø", false},  // beyond "ö" a letter keeps its case
      {u"ø", u"ø", true},   // and matches itself
      {u"~", u"^", false},  // "^" lies in the range but is no letter
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(std::u16string(c.name) + u" against " + c.mask));
    EXPECT_EQ(matches(c.name, c.mask), c.matches);
  }
}

TEST_F(FileMask, KnowsTheWildcards) {
  EXPECT_FALSE(matches(u"sdat.exe", u"sdat?.exe"));
  EXPECT_TRUE(matches(u"sdat1.exe", u"sdat?.exe"));
  EXPECT_TRUE(matches(u"sdat1.exe", u"sdat#.exe"));
  EXPECT_TRUE(matches(u"sdat9.exe", u"sdat#.exe"));
  EXPECT_FALSE(matches(u"sdatx.exe", u"sdat#.exe"));
  EXPECT_TRUE(matches(u"", u"*"));
  EXPECT_TRUE(matches(u"", u""));
  EXPECT_FALSE(matches(u"a", u""));
  EXPECT_TRUE(matches(u"abc", u"a**c"));
  EXPECT_TRUE(matches(u"abcbd", u"a*b?"));
  EXPECT_FALSE(matches(u"abcbde", u"a*b?"));
  EXPECT_TRUE(matches(u"mississippi", u"*iss*ipp*"));
}

TEST_F(FileMask, DefaultModeMakesEveryBracketALiteral) {
  EXPECT_TRUE(matches(u"[x]", u"[x]"));
  EXPECT_FALSE(matches(u"x", u"[x]"));
  EXPECT_TRUE(matches(u"]", u"]"));
  EXPECT_FALSE(matches(u"]]", u"]"));
  EXPECT_TRUE(matches(u"a-b!", u"a-b!"));
}

TEST_F(FileMask, GroupsRangesAndNegation) {
  EXPECT_TRUE(matchesExactly(u"b", u"[abc]"));
  EXPECT_FALSE(matchesExactly(u"d", u"[abc]"));
  EXPECT_TRUE(matchesExactly(u"sdat5.exe", u"sdat[0-9].exe"));
  EXPECT_FALSE(matchesExactly(u"sdatA.exe", u"sdat[0-9].exe"));
  EXPECT_TRUE(matchesExactly(u"d", u"[!abc]"));
  EXPECT_FALSE(matchesExactly(u"a", u"[!abc]"));
  EXPECT_TRUE(matchesExactly(u"-", u"[-a]"));
  EXPECT_TRUE(matchesExactly(u"-", u"[a-]"));
  EXPECT_FALSE(matchesExactly(u"b", u"[a-]"));
  EXPECT_TRUE(matchesExactly(u"x", u"[a-cx-z]"));
  EXPECT_TRUE(matchesExactly(u"]", u"[]]"));
  EXPECT_TRUE(matchesExactly(u"]", u"[]a]"));
  EXPECT_TRUE(matchesExactly(u"b", u"[!]a]"));
  EXPECT_FALSE(matchesExactly(u"]", u"[!]a]"));
  EXPECT_TRUE(matchesExactly(u"*", u"[*]"));
  EXPECT_FALSE(matchesExactly(u"x", u"[*]"));
  EXPECT_TRUE(matchesExactly(u"?#", u"[?][#]"));
}

TEST_F(FileMask, MalformedMasksAreAFaultInTheCaseSensitiveMode) {
  EXPECT_EQ(faultOf(u"[abc"), 93);
  EXPECT_EQ(faultOf(u"[z-a]"), 93);
  EXPECT_EQ(faultOf(u"x*[]"), 93);
  EXPECT_EQ(faultOf(u"[a-z]"), 0);
  // The fault is raised even where the name would fail before the bad group.
  EXPECT_EQ(faultOf(u"y[abc"), 93);
  EXPECT_NO_THROW(su.MatchesFileMask(u"x", u"[abc"));
}

TEST_F(FileMask, StarsDoNotBacktrackExponentially) {
  const std::u16string name(10000, u'a');
  EXPECT_FALSE(matches(name, u"*a*a*a*a*a*b"));
  EXPECT_TRUE(matches(name + u"b", u"*a*a*a*a*a*b"));
  EXPECT_FALSE(matchesExactly(name, u"*[a]*[a]*[!c]*a*b"));
}

}  // namespace
}  // namespace sigpatch
