#include "util/NumberUtilities.h"

#include <charconv>
#include <string>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

bool skipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The single-byte code of a character of a byte string; "?" for one the code
// page lacks.
std::int64_t byteOf(char16_t c) {
  const int code = text::charToAnsi(c);
  return code < 0 ? '?' : code;
}

// Reads a whole number in base 8 or 16 after its "&H" or "&O" prefix.
double readRadix(std::u16string_view digits, int radix) {
  double value = 0;
  for (char16_t c : digits) {
    if (skipped(c)) continue;
    int digit = -1;
    if (isDigit(c)) {
      digit = c - u'0';
    } else if (radix == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (radix == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    }
    if (digit < 0 || digit >= radix) break;
    value = value * radix + digit;
  }
  return value;
}

}  // namespace

std::int32_t NumberUtilities::Max(std::int32_t lng1, std::int32_t lng2) const {
  return lng1 > lng2 ? lng1 : lng2;
}

std::int32_t NumberUtilities::Min(std::int32_t lng1, std::int32_t lng2) const {
  return lng1 < lng2 ? lng1 : lng2;
}

double NumberUtilities::fVal(std::u16string_view strText) const {
  std::size_t i = 0;
  auto skip = [&] {
    while (i < strText.size() && skipped(strText[i])) ++i;
  };
  auto at = [&](std::size_t k) -> char16_t {
    char16_t c = k < strText.size() ? strText[k] : u'\0';
    return c == u',' ? u'.' : c;
  };
  skip();
  if (at(i) == u'&' && i + 1 < strText.size()) {
    const char16_t kind = at(i + 1);
    if (kind == u'H' || kind == u'h') return readRadix(strText.substr(i + 2), 16);
    if (kind == u'O' || kind == u'o') return readRadix(strText.substr(i + 2), 8);
    return 0;
  }
  // Gather the number as plain ASCII, then read it with the C locale's rules.
  std::string number;
  if (at(i) == u'-' || at(i) == u'+') {
    number += static_cast<char>(at(i));
    ++i;
  }
  bool anyDigit = false;
  bool point = false;
  for (skip(); i < strText.size(); ++i, skip()) {
    const char16_t c = at(i);
    if (isDigit(c)) {
      number += static_cast<char>(c);
      anyDigit = true;
    } else if (c == u'.' && !point) {
      number += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0;
  const char16_t e = at(i);
  if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
    std::size_t k = i + 1;
    while (k < strText.size() && skipped(strText[k])) ++k;
    std::string exponent = "e";
    if (at(k) == u'-' || at(k) == u'+') exponent += static_cast<char>(at(k++));
    bool exponentDigits = false;
    for (; k < strText.size(); ++k) {
      if (skipped(strText[k])) continue;
      if (!isDigit(strText[k])) break;
      exponent += static_cast<char>(strText[k]);
      exponentDigits = true;
    }
    if (exponentDigits) number += exponent;
  }
  const char* first = number.data();
  if (*first == '+') ++first;
  double value = 0;
  const auto [end, ec] = std::from_chars(first, number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Beyond a Double is an overflow; a number too small to hold is 0.
    if (number.find("e-") == std::string::npos) throw RuntimeError(err::kOverflow);
    return 0;
  }
  return value;
}

std::int32_t NumberUtilities::ByteStringToLong(std::u16string_view strString) const {
  if (strString.size() > 4) throw RuntimeError(err::kOverflow);
  std::uint32_t value = 0;
  for (char16_t c : strString) value = (value << 8) | static_cast<std::uint32_t>(byteOf(c));
  return static_cast<std::int32_t>(value);
}

std::u16string NumberUtilities::LongToByteString(std::int32_t lngNumber,
                                                 std::int32_t lngStringLengthInBytes,
                                                 std::int32_t lngBitsPerByte) const {
  if (lngBitsPerByte < 1) throw RuntimeError(err::kInvalidProcedureCall);
  const std::int64_t base = lngBitsPerByte >= 32 ? (std::int64_t{1} << 32)
                                                 : (std::int64_t{1} << lngBitsPerByte);
  std::u16string result;
  for (std::int64_t number = lngNumber; number > 0; number /= base) {
    const auto digit = number % base;
    result.insert(result.begin(), digit < 256 ? text::ansiToChar(static_cast<unsigned char>(digit))
                                              : static_cast<char16_t>(digit));
  }
  if (static_cast<std::int32_t>(result.size()) < lngStringLengthInBytes) {
    result.insert(0, static_cast<std::size_t>(lngStringLengthInBytes) - result.size(), u'\0');
  }
  return result;
}

std::int32_t NumberUtilities::SevenBitByteStringToLong(std::u16string_view strString) const {
  std::int64_t value = 0;
  for (char16_t c : strString) {
    value = value * 128 + byteOf(c);
    if (value > INT32_MAX) throw RuntimeError(err::kOverflow);
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace sigpatch
