#include "util/StringUtilities.h"

#include <algorithm>

#include "platform/Platform.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/Windowing.h"
#include "util/NumberUtilities.h"

namespace sigpatch {
namespace {

using std::int32_t;
using std::u16string;
using std::u16string_view;

int32_t len(u16string_view s) { return static_cast<int32_t>(s.size()); }

// The position (from 1) of `needle` in `haystack` at or after `start` (1 or
// more), 0 when it is not there; an empty needle is found at `start` while that
// lies within the text.
int32_t inStr(int32_t start, u16string_view haystack, u16string_view needle) {
  if (start > len(haystack)) return 0;
  if (needle.empty()) return start;
  auto found = haystack.find(needle, static_cast<std::size_t>(start - 1));
  return found == u16string_view::npos ? 0 : static_cast<int32_t>(found) + 1;
}

// The text from a 1-based position (1 or more) to the end, or of a length.
u16string mid(u16string_view s, int32_t start, int32_t length = -1) {
  if (start > len(s)) return {};
  auto from = static_cast<std::size_t>(start - 1);
  return length < 0 ? u16string(s.substr(from))
                    : u16string(s.substr(from, static_cast<std::size_t>(length)));
}

u16string left(u16string_view s, int32_t n) {
  return u16string(s.substr(0, static_cast<std::size_t>(std::clamp(n, 0, len(s)))));
}

char16_t upperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  auto u = text::toUpper(static_cast<char32_t>(c));
  return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
}

char16_t lowerUnit(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  auto l = text::toLower(static_cast<char32_t>(c));
  return l <= 0xFFFF ? static_cast<char16_t>(l) : c;
}

// Equality of two texts of the same length, by the case mapping given.
template <typename Fold>
bool equalFolded(u16string_view a, u16string_view b, Fold fold) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool equalText(u16string_view a, u16string_view b, bool ignoreCase) {
  return ignoreCase ? equalFolded(a, b, lowerUnit) : a == b;
}

// Text with blanks (only U+0020) removed from both ends.
u16string_view trimBlanks(u16string_view s) {
  auto first = s.find_first_not_of(u' ');
  if (first == u16string_view::npos) return {};
  auto last = s.find_last_not_of(u' ');
  return s.substr(first, last - first + 1);
}

// The single-byte code of a character; "?" for one the code page lacks.
unsigned ansiCode(char16_t c) {
  const int code = text::charToAnsi(c);
  return code < 0 ? u'?' : static_cast<unsigned>(code);
}

// ---- The file-mask pattern language ---------------------------------------

// Letters from "A" to "ö" in a mask match both their cases unless the match is
// case-sensitive; the mask is read as if each were the group of its two cases.
bool foldsInMask(char16_t c) { return c >= 0x41 && c <= 0xF6; }

// The closing "]" of the group that opens at `open`: a "]" directly after the
// "[" (or after "[!") belongs to the list. npos when the group is not closed.
std::size_t groupClose(u16string_view mask, std::size_t open) {
  std::size_t k = open + 1;
  if (k < mask.size() && mask[k] == u'!') ++k;
  if (k < mask.size() && mask[k] == u']') ++k;
  return mask.find(u']', k);
}

// A "!" directly after the "[" negates the group.
bool groupNegated(u16string_view mask, std::size_t open) {
  return open + 1 < mask.size() && mask[open + 1] == u'!';
}

// Walks the list of a closed group, calling `item(first, last)` for each single
// character (first == last) or range; stops early when `item` returns true.
template <typename Item>
bool forEachGroupItem(u16string_view mask, std::size_t open, std::size_t close, Item item) {
  std::size_t k = open + (groupNegated(mask, open) ? 2 : 1);
  while (k < close) {
    if (k + 2 < close && mask[k + 1] == u'-') {
      if (item(mask[k], mask[k + 2])) return true;
      k += 3;
    } else {
      if (item(mask[k], mask[k])) return true;
      k += 1;
    }
  }
  return false;
}

// Raises error 93 for a mask that breaks the pattern rules: an unclosed group
// or a range from a higher to a lower code.
void validateMask(u16string_view mask) {
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] != u'[') continue;
    auto close = groupClose(mask, i);
    if (close == u16string_view::npos) throw RuntimeError(err::kInvalidPatternString);
    forEachGroupItem(mask, i, close, [](char16_t first, char16_t last) {
      if (first > last) throw RuntimeError(err::kInvalidPatternString);
      return false;
    });
    i = close;
  }
}

struct MaskCursor {
  u16string_view mask;
  bool caseSensitive;

  bool isStar(std::size_t i) const { return mask[i] == u'*'; }

  // Whether the token at `i` matches `c`; `next` receives the position after it.
  bool matches(std::size_t i, char16_t c, std::size_t& next) const {
    char16_t m = mask[i];
    next = i + 1;
    switch (m) {
      case u'?':
        return true;
      case u'#':
        return c >= u'0' && c <= u'9';
      case u'[':
        if (caseSensitive) {
          auto close = groupClose(mask, i);
          next = close + 1;
          bool inList = forEachGroupItem(mask, i, close, [c](char16_t first, char16_t last) {
            return c >= first && c <= last;
          });
          return inList != groupNegated(mask, i);
        }
        return c == m;
      default:
        if (c == m) return true;
        if (caseSensitive || !foldsInMask(m)) return false;
        if (m < 0x80) {
          const char16_t folded = m | 0x20;
          return folded >= u'a' && folded <= u'z' && (c | 0x20) == folded;
        }
        return c == lowerUnit(m) || c == upperUnit(m);
    }
  }
};

// Star matching with one backtracking point: every token other than "*" takes
// exactly one character, so returning to the last "*" is enough, and the work is
// bounded by name length times mask length.
bool matchMask(u16string_view name, const MaskCursor& cursor) {
  const auto& mask = cursor.mask;
  std::size_t n = 0;
  std::size_t t = 0;
  std::size_t starToken = u16string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    std::size_t next = 0;
    if (t < mask.size() && cursor.isStar(t)) {
      starToken = ++t;
      starName = n;
    } else if (t < mask.size() && cursor.matches(t, name[n], next)) {
      t = next;
      ++n;
    } else if (starToken != u16string_view::npos) {
      t = starToken;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (t < mask.size() && cursor.isStar(t)) ++t;
  return t == mask.size();
}

}  // namespace

StringUtilities::StringUtilities(runtime::PathStyle style)
    : style_(style), separator_(runtime::separatorOf(style)) {}

bool StringUtilities::isPathSeparator(char16_t c) const {
  return c == separator_ || (style_ == runtime::PathStyle::Windows && c == u':');
}

u16string StringUtilities::ExtractFilename(u16string_view strPath) const {
  return mid(strPath, len(ExtractPath(strPath)) + 1);
}

u16string StringUtilities::ExtractExtension(u16string_view strFile) const {
  auto dot = strFile.rfind(u'.');
  if (dot == u16string_view::npos || dot + 1 == strFile.size()) return {};
  auto after = strFile.substr(dot + 1);
  if (std::any_of(after.begin(), after.end(), [this](char16_t c) { return isPathSeparator(c); })) {
    return {};
  }
  return u16string(after);
}

u16string StringUtilities::ExtractPath(u16string_view strPath) const {
  if (strPath.empty()) return {};
  std::size_t start = strPath.size() - 1;
  if (style_ == runtime::PathStyle::Windows) {
    auto firstColon = strPath.find(u':');
    if (firstColon != u16string_view::npos) {
      auto secondColon = strPath.find(u':', firstColon + 1);
      if (secondColon != u16string_view::npos) start = secondColon - 1;
    }
  }
  for (std::size_t i = start + 1; i-- > 0;) {
    if (isPathSeparator(strPath[i])) return u16string(strPath.substr(0, i + 1));
  }
  return {};
}

u16string StringUtilities::ReplaceString(u16string_view strInString, u16string_view strFromString,
                                         u16string_view strToString, bool blnIgnoreCase) const {
  if (strFromString.empty()) return u16string(strInString);
  u16string result;
  if (!blnIgnoreCase) {
    std::size_t from = 0;
    for (auto at = strInString.find(strFromString); at != u16string_view::npos;
         at = strInString.find(strFromString, from)) {
      result.append(strInString.substr(from, at - from)).append(strToString);
      from = at + strFromString.size();
    }
    return result.append(strInString.substr(from));
  }
  const u16string upperIn = text::toUpper(strInString);
  const u16string upperFrom = text::toUpper(strFromString);
  std::size_t from = 0;
  for (auto at = upperIn.find(upperFrom); at != u16string::npos;
       at = upperIn.find(upperFrom, from)) {
    result.append(strInString.substr(from, at - from)).append(strToString);
    from = at + upperFrom.size();
    toolkit::doEvents();
  }
  return result.append(strInString.substr(std::min(from, strInString.size())));
}

u16string StringUtilities::BinaryInStringToHexInString(u16string_view ConvertThis,
                                                       int32_t lngOutFormat) const {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  u16string result;
  if (lngOutFormat == 0) {
    for (std::size_t i = 0; i < ConvertThis.size(); ++i) {
      const auto code = ansiCode(ConvertThis[i]);
      if (i > 0) result += u", ";
      result += kHex[code >> 4];
      result += kHex[code & 0xF];
    }
    return result;
  }
  if (lngOutFormat == 1) result = u"\tszBin=\"\"; ";
  for (std::size_t i = 0; i < ConvertThis.size(); ++i) {
    result += u"szBin[" + text::dec(static_cast<int64_t>(i)) + u"]=\"" + text::dec(ansiCode(ConvertThis[i])) + u"\"; ";
    if ((i + 1) % 15 == 0) result += u"\r\n\t";
  }
  return u16string(trimBlanks(result));
}

u16string StringUtilities::CheckPathEnding(u16string_view strPath) const {
  u16string result(strPath);
  if (result.empty() || result.back() != separator_) result += separator_;
  return result;
}

u16string StringUtilities::RemovePathEnding(u16string_view strPath) const {
  return RTrimText(strPath, u16string(1, separator_));
}

int32_t StringUtilities::GetSepPos(u16string_view strInput, u16string_view StrSep,
                                   int32_t lngSep) const {
  if (strInput.empty() || lngSep <= 0) return 0;
  int32_t seen = 0;
  for (int32_t i = 1; i <= len(strInput); ++i) {
    if (strInput.substr(static_cast<std::size_t>(i - 1), StrSep.size()) == StrSep) {
      if (++seen == lngSep) return i;
    }
  }
  return 0;
}

int32_t StringUtilities::pFindSeparator(int32_t lngStart, u16string_view strInput,
                                        u16string_view StrSep, bool blnKeepTogether) const {
  const int32_t p = inStr(lngStart, strInput, StrSep);
  if (!blnKeepTogether) return p;
  const int32_t q = inStr(lngStart, strInput, u"\"");
  if (q == 0 || p <= q) return p;
  const int32_t q2 = inStr(q + 1, strInput, u"\"");
  return q2 > 0 ? inStr(q2, strInput, StrSep) : p;
}

int32_t StringUtilities::GetPosNum(u16string_view strInput, u16string_view StrSep,
                                   bool blnKeepTogether) const {
  const int32_t width = StrSep.empty() ? 1 : len(StrSep);
  int32_t count = 0;
  for (int32_t p = pFindSeparator(1, strInput, StrSep, blnKeepTogether);
       p > 0 && p <= len(strInput); p = pFindSeparator(p + width, strInput, StrSep, blnKeepTogether)) {
    ++count;
  }
  return count + 1;
}

u16string StringUtilities::GetPosSep(u16string_view strInput, u16string_view StrSep, int32_t lngPos,
                                     bool blnKeepTogether) const {
  const int32_t width = StrSep.empty() ? 1 : len(StrSep);
  int32_t p = pFindSeparator(1, strInput, StrSep, blnKeepTogether);
  if (lngPos <= 1) {
    if (p > 1) return left(strInput, p - 1);
    return StartsWith(strInput, StrSep) ? u16string() : u16string(strInput);
  }
  if (p == 0) return {};
  for (int32_t i = 0; i < lngPos - 2; ++i) {
    p = pFindSeparator(p + width, strInput, StrSep, blnKeepTogether);
    if (p == 0) return {};
  }
  const int32_t p2 = pFindSeparator(p + width, strInput, StrSep, blnKeepTogether);
  if (p2 > 0) return mid(strInput, p + width, p2 - (p + width));
  return mid(strInput, p + width);
}

u16string StringUtilities::TrimText(u16string_view strText, u16string_view strTrimText) const {
  return LTrimText(RTrimText(strText, strTrimText), strTrimText);
}

u16string StringUtilities::RTrimText(u16string_view strText, u16string_view strTrimText,
                                     bool blnIgnoreCase) const {
  if (strTrimText.empty()) return u16string(strText);
  const auto n = strTrimText.size();
  while (strText.size() >= n &&
         equalText(strText.substr(strText.size() - n), strTrimText, blnIgnoreCase)) {
    strText.remove_suffix(n);
  }
  return u16string(strText);
}

u16string StringUtilities::LTrimText(u16string_view strText, u16string_view strTrimText,
                                     bool blnIgnoreCase) const {
  if (strTrimText.empty()) return u16string(strText);
  const auto n = strTrimText.size();
  while (strText.size() >= n && equalText(strText.substr(0, n), strTrimText, blnIgnoreCase)) {
    strText.remove_prefix(n);
  }
  return u16string(strText);
}

u16string StringUtilities::ResolvePath(u16string_view strFile) const {
  const u16string sep(1, separator_);
  if (GetPosSep(strFile, sep, 1) != u"..") return u16string(strFile);
  u16string base = platform::windowing().App().Path;
  u16string rest(strFile);
  while (GetPosSep(rest, sep, 1) == u"..") {
    rest = LTrimText(LTrimText(rest, u".."), sep);
    base = RemovePathEnding(base);
    const u16string lastFolder = GetPosSep(base, sep, GetPosNum(base, sep));
    base.resize(base.size() - lastFolder.size());
  }
  return CheckPathEnding(base) + rest;
}

bool StringUtilities::StartsWith(u16string_view strText, u16string_view strTest) const {
  if (strTest.size() > strText.size()) return false;
  return equalFolded(strText.substr(0, strTest.size()), strTest, upperUnit);
}

bool StringUtilities::EndsWith(u16string_view strText, u16string_view strTest) const {
  if (strTest.size() > strText.size()) return false;
  return equalFolded(strText.substr(strText.size() - strTest.size()), strTest, upperUnit);
}

bool StringUtilities::MatchesFileMask(u16string_view strFileName, u16string_view strMask,
                                      bool blnCaseSensitive) const {
  if (blnCaseSensitive) validateMask(strMask);
  return matchMask(strFileName, MaskCursor{strMask, blnCaseSensitive});
}

u16string StringUtilities::GetTextBetweenSeparators(u16string_view strInput,
                                                    u16string_view strFirstSeparator,
                                                    u16string_view strEndSeparator) const {
  if (strFirstSeparator.empty() && strEndSeparator.empty()) return u16string(strInput);
  if (strFirstSeparator.empty()) {
    const int32_t end = inStr(1, strInput, strEndSeparator);
    return end > 0 ? left(strInput, end - 1) : u16string();
  }
  const int32_t first = inStr(1, strInput, strFirstSeparator);
  if (first == 0) return {};
  const int32_t afterFirst = first + len(strFirstSeparator);
  if (strEndSeparator.empty() || inStr(1, strInput, strEndSeparator) == 0) {
    return mid(strInput, afterFirst);
  }
  // The end separator is looked for only up to the next first separator; when it
  // is not there, that next first separator ends the text.
  const u16string field = GetPosSep(strInput, strFirstSeparator, 2);
  const int32_t end = inStr(1, field, strEndSeparator);
  return end > 0 ? left(field, end - 1) : field;
}

u16string StringUtilities::RemoveDriveFromPath(u16string_view strPath) const {
  if (style_ == runtime::PathStyle::Posix) {
    auto first = strPath.find_first_not_of(separator_);
    return first == u16string_view::npos ? u16string() : u16string(strPath.substr(first));
  }
  if (strPath.size() <= 3) return {};
  strPath.remove_prefix(1);
  while (!strPath.empty() && (strPath.front() == u':' || strPath.front() == u'\\')) {
    strPath.remove_prefix(1);
  }
  return u16string(strPath);
}

u16string StringUtilities::ReplacePartOfKeywordString(u16string_view strLongOriginalString,
                                                      u16string_view strKeyword,
                                                      u16string_view strStringWithKeyword) const {
  u16string result;
  if (strKeyword.empty()) return result;
  u16string original(strLongOriginalString);
  u16string pattern(strStringWithKeyword);
  while (GetPosNum(pattern, strKeyword, true) > 1) {
    const int32_t first = inStr(1, pattern, strKeyword);
    if (first == 0) break;
    const u16string firstSeparator = left(pattern, first - 1);
    const int32_t afterFirst = first + len(strKeyword);
    const int32_t second = inStr(afterFirst, pattern, strKeyword);
    u16string endSeparator;
    if (second > 0) {
      endSeparator = mid(pattern, afterFirst, second - afterFirst);
      pattern = mid(pattern, second);
    } else {
      endSeparator = mid(pattern, afterFirst);
      pattern.clear();
    }
    const u16string piece =
        firstSeparator + GetTextBetweenSeparators(original, firstSeparator, endSeparator) +
        endSeparator;
    result += piece;
    original = mid(original, len(piece) + 1);
  }
  return result;
}

u16string StringUtilities::ReplaceNthOccuranceOfString(u16string_view strOriginal,
                                                       u16string_view strToBeReplaced,
                                                       u16string_view strToReplace,
                                                       int32_t lngOccurance) const {
  const int32_t p = GetSepPos(strOriginal, strToBeReplaced, lngOccurance);
  if (p == 0) throw RuntimeError(err::kInvalidProcedureCall);
  return left(strOriginal, p - 1) + u16string(strToReplace) +
         mid(strOriginal, p + len(strToBeReplaced));
}

}  // namespace sigpatch
