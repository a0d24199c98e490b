#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/PathStyle.h"

namespace sigpatch {

/// Text and path operations. Positions count from 1 and lengths count UTF-16
/// code units; texts compare by character code unless an operation ignores case.
/// Path operations work in one path style, the system's own unless a caller asks
/// for the other. The class keeps no state.
class StringUtilities {
 public:
  explicit StringUtilities(runtime::PathStyle style = runtime::kNativePathStyle);

  /// The file-name part: "C:\Updates\sdat4321.exe" gives "sdat4321.exe".
  std::u16string ExtractFilename(std::u16string_view strPath) const;
  /// The text after the last "."; empty when the dot belongs to a folder or drive.
  std::u16string ExtractExtension(std::u16string_view strFile) const;
  /// The folder part ending in the separator (or in ":" for a bare Windows drive).
  std::u16string ExtractPath(std::u16string_view strPath) const;
  /// Every occurrence of `strFromString` replaced, left to right, without overlap.
  std::u16string ReplaceString(std::u16string_view strInString, std::u16string_view strFromString,
                               std::u16string_view strToString, bool blnIgnoreCase = false) const;
  /// The single-byte codes of the text in hexadecimal (format 0) or as C array
  /// assignments (format 1, or any other value without the header).
  std::u16string BinaryInStringToHexInString(std::u16string_view ConvertThis,
                                             std::int32_t lngOutFormat) const;
  /// The path with one separator ensured at its end; the empty text gives the separator.
  std::u16string CheckPathEnding(std::u16string_view strPath) const;
  /// The path without any trailing separator.
  std::u16string RemovePathEnding(std::u16string_view strPath) const;
  /// Position of occurrence number `lngSep` (occurrences may overlap); 0 when
  /// there are fewer occurrences.
  std::int32_t GetSepPos(std::u16string_view strInput, std::u16string_view StrSep,
                         std::int32_t lngSep) const;
  /// The number of fields between separators; a quoted stretch is kept together
  /// when `blnKeepTogether` is true.
  std::int32_t GetPosNum(std::u16string_view strInput, std::u16string_view StrSep,
                         bool blnKeepTogether = false) const;
  /// Field number `lngPos` (from 1) between separators.
  std::u16string GetPosSep(std::u16string_view strInput, std::u16string_view StrSep,
                           std::int32_t lngPos, bool blnKeepTogether = false) const;
  /// Every leading and trailing repetition of `strTrimText` removed (case respected).
  std::u16string TrimText(std::u16string_view strText, std::u16string_view strTrimText) const;
  /// Every trailing repetition of `strTrimText` removed; the result keeps the input's case.
  std::u16string RTrimText(std::u16string_view strText, std::u16string_view strTrimText,
                           bool blnIgnoreCase = false) const;
  /// Every leading repetition of `strTrimText` removed; the result keeps the input's case.
  std::u16string LTrimText(std::u16string_view strText, std::u16string_view strTrimText,
                           bool blnIgnoreCase = false) const;
  /// A path that begins with ".." resolved against the program's folder; any
  /// other path unchanged.
  std::u16string ResolvePath(std::u16string_view strFile) const;
  /// True when `strText` begins with `strTest`, letter case ignored.
  bool StartsWith(std::u16string_view strText, std::u16string_view strTest) const;
  /// True when `strText` ends with `strTest`, letter case ignored.
  bool EndsWith(std::u16string_view strText, std::u16string_view strTest) const;
  /// Whether the whole file name matches the mask ("?", "*", "#", "[a-z]",
  /// "[!x]"). Without `blnCaseSensitive` every letter of the mask from "A" to "ö"
  /// matches both its cases. A malformed mask raises error 93.
  bool MatchesFileMask(std::u16string_view strFileName, std::u16string_view strMask,
                       bool blnCaseSensitive = false) const;
  /// The text between the first `strFirstSeparator` and the next `strEndSeparator`.
  std::u16string GetTextBetweenSeparators(std::u16string_view strInput,
                                          std::u16string_view strFirstSeparator,
                                          std::u16string_view strEndSeparator) const;
  /// The path without its drive (Windows) or its leading separators (POSIX).
  std::u16string RemoveDriveFromPath(std::u16string_view strPath) const;
  /// The piece of `strLongOriginalString` that a template describes, in which
  /// `strKeyword` marks places of free text.
  std::u16string ReplacePartOfKeywordString(std::u16string_view strLongOriginalString,
                                            std::u16string_view strKeyword,
                                            std::u16string_view strStringWithKeyword) const;
  /// Occurrence number `lngOccurance` replaced; error 5 when there is no such occurrence.
  std::u16string ReplaceNthOccuranceOfString(std::u16string_view strOriginal,
                                             std::u16string_view strToBeReplaced,
                                             std::u16string_view strToReplace,
                                             std::int32_t lngOccurance) const;

  runtime::PathStyle Style() const { return style_; }

 private:
  std::int32_t pFindSeparator(std::int32_t lngStart, std::u16string_view strInput,
                              std::u16string_view StrSep, bool blnKeepTogether) const;
  bool isPathSeparator(char16_t c) const;

  runtime::PathStyle style_;
  char16_t separator_;
};

}  // namespace sigpatch
