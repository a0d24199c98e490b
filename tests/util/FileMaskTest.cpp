#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystemBehaviour.h"
#include "runtime/Text.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

// Name, mask, and 1 when it matches, 0 when not, else the fault it raises.
using Rows = std::initializer_list<std::tuple<std::u16string_view, std::u16string_view, int>>;

void table(bool exact, Rows rows) {
  for (const auto& [name, mask, expected] : rows) {
    bool matched = false;
    const int fault =
        testing::errorOf([&] { matched = StringUtilities().MatchesFileMask(name, mask, exact); });
    EXPECT_EQ(fault ? fault : int{matched}, expected)
        << text::toUtf8(std::u16string(name) + u" against " + std::u16string(mask));
  }
}

// The default mode folds the case of the letters from "A" to "ö" both ways (beyond
// "ö", and for "^" in the range, case is kept) and takes every bracket literally.
// clang-format off
TEST(FileMask, TheDefaultModeIgnoresCaseAndKnowsOnlyTheWildcards) {
  table(false, {{u"SDAT4321.EXE", u"sdat*.exe", 1}, {u"sdat4321.exe", u"sdat*.exe", 1},
                {u"Sdat1.Exe", u"sdat*.exe", 1}, {u"sdat.exe.bak", u"sdat*.exe", 0},
                {u"ÄRGER.TXT", u"ärger.txt", 1}, {u"a", u"A", 1}, {u"Ö", u"ö", 1}, {u"ö", u"Ö", 1},
                {u"Ø", u"ø", 0}, {u"ø", u"ø", 1}, {u"~", u"^", 0},
                {u"sdat.exe", u"sdat?.exe", 0}, {u"sdat1.exe", u"sdat?.exe", 1},
                {u"sdat1.exe", u"sdat#.exe", 1}, {u"sdat9.exe", u"sdat#.exe", 1},
                {u"sdatx.exe", u"sdat#.exe", 0}, {u"", u"*", 1}, {u"", u"", 1},
                {u"a", u"", 0}, {u"abc", u"a**c", 1}, {u"abcbd", u"a*b?", 1},
                {u"abcbde", u"a*b?", 0}, {u"mississippi", u"*iss*ipp*", 1},
                {u"[x]", u"[x]", 1}, {u"x", u"[x]", 0}, {u"]", u"]", 1},
                {u"]]", u"]", 0}, {u"a-b!", u"a-b!", 1}, {u"x", u"[abc", 0}});
}

// The exact mode keeps case and knows groups, ranges and negation; a malformed
// mask is fault 93, even where the name would fail before the bad group.
TEST(FileMask, TheExactModeKnowsGroupsRangesAndNegation) {
  table(true, {{u"SDAT4321.EXE", u"sdat*.exe", 0},
               {u"b", u"[abc]", 1}, {u"d", u"[abc]", 0},
               {u"sdat5.exe", u"sdat[0-9].exe", 1}, {u"sdatA.exe", u"sdat[0-9].exe", 0},
               {u"d", u"[!abc]", 1}, {u"a", u"[!abc]", 0}, {u"-", u"[-a]", 1},
               {u"-", u"[a-]", 1}, {u"b", u"[a-]", 0}, {u"x", u"[a-cx-z]", 1},
               {u"]", u"[]]", 1}, {u"]", u"[]a]", 1}, {u"b", u"[!]a]", 1},
               {u"]", u"[!]a]", 0}, {u"*", u"[*]", 1}, {u"x", u"[*]", 0},
               {u"?#", u"[?][#]", 1}, {u"x", u"[a-z]", 1},
               {u"x", u"[abc", 93}, {u"x", u"[z-a]", 93}, {u"x", u"x*[]", 93},
               {u"x", u"y[abc", 93}});
}
// clang-format on

TEST(FileMask, StarsDoNotBacktrackExponentially) {
  const std::u16string name(10000, u'a');
  table(false, {{name, u"*a*a*a*a*a*b", 0}, {name + u"b", u"*a*a*a*a*a*b", 1}});
  table(true, {{name, u"*[a]*[a]*[!c]*a*b", 0}});
}

}  // namespace
}  // namespace sigpatch
