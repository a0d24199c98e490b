#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch {

/// Number helpers. A byte string is a text whose characters stand for bytes
/// (their single-byte code page codes), most significant first. The class keeps
/// no state; faults go to the caller.
class NumberUtilities {
 public:
  std::int32_t Max(std::int32_t lng1, std::int32_t lng2) const;
  std::int32_t Min(std::int32_t lng1, std::int32_t lng2) const;
  /// The number at the start of the text, "," read as "." whatever the locale;
  /// blanks, tabs and line feeds are skipped; "&H" and "&O" read hexadecimal and
  /// octal. A text without a number gives 0; a number beyond a Double raises error 6.
  double fVal(std::u16string_view strText) const;
  /// The number whose bytes the 1 to 4 characters are; error 6 for more.
  std::int32_t ByteStringToLong(std::u16string_view strString) const;
  /// The number's digits in base 2^lngBitsPerByte as characters, filled at the
  /// front with zero characters to at least `lngStringLengthInBytes`.
  std::u16string LongToByteString(std::int32_t lngNumber, std::int32_t lngStringLengthInBytes,
                                  std::int32_t lngBitsPerByte) const;
  /// Reads back what LongToByteString writes with 7 bits a character; error 6
  /// beyond the 32-bit range.
  std::int32_t SevenBitByteStringToLong(std::u16string_view strString) const;
};

}  // namespace sigpatch
