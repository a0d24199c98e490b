#include "runtime/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::inline runtime {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string doubleText(double value) {
  if (value == 0) return u"0";
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string digits(buffer, result.ptr);
  for (char& c : digits) {
    if (c == 'e') c = 'E';
  }
  return text::fromAscii(digits);
}

// Halves go to the even neighbour; the result is checked against the 32-bit range.
std::int32_t roundToLong(double value) {
  if (std::isnan(value)) throw RuntimeError(err::kOverflow);
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  if (whole < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      whole > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    throw RuntimeError(err::kOverflow);
  }
  return static_cast<std::int32_t>(whole);
}

// "&H" and "&O" numbers: up to 32 bits, read as a signed 32-bit pattern.
std::int32_t radixToLong(std::u16string_view digits, int radix) {
  if (digits.empty()) throw RuntimeError(err::kTypeMismatch);
  std::uint64_t value = 0;
  for (char16_t c : digits) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    }
    if (digit < 0 || digit >= radix) throw RuntimeError(err::kTypeMismatch);
    value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) throw RuntimeError(err::kOverflow);
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t textToLong(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.size() >= 2 && text[0] == u'&') {
    if (text[1] == u'H' || text[1] == u'h') return radixToLong(text.substr(2), 16);
    if (text[1] == u'O' || text[1] == u'o') return radixToLong(text.substr(2), 8);
    throw RuntimeError(err::kTypeMismatch);
  }
  // A decimal number: sign, digits with at most one point, an optional exponent.
  std::string ascii;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii += '-';
    ++i;
  }
  bool digits = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      digits = true;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    ascii += static_cast<char>(c);
  }
  if (!digits) throw RuntimeError(err::kTypeMismatch);
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ascii += 'e';
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
      ascii += static_cast<char>(text[i++]);
    bool exponentDigits = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      ascii += static_cast<char>(text[i]);
      exponentDigits = true;
    }
    if (!exponentDigits) throw RuntimeError(err::kTypeMismatch);
  }
  if (i != text.size()) throw RuntimeError(err::kTypeMismatch);
  double value = 0;
  const auto parsed = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    // Tiny exponents read as zero; huge ones do not fit.
    const auto e = ascii.find('e');
    if (e != std::string::npos && ascii.find('-', e) != std::string::npos) return 0;
    throw RuntimeError(err::kOverflow);
  }
  if (parsed.ec != std::errc()) throw RuntimeError(err::kTypeMismatch);
  return roundToLong(value);
}

}  // namespace

std::u16string Variant::toText() const {
  switch (kind()) {
    case Kind::Empty:
      return {};
    case Kind::Integer:
      return text::dec(std::get<std::int16_t>(value_));
    case Kind::Long:
      return text::dec(std::get<std::int32_t>(value_));
    case Kind::Double:
      return doubleText(std::get<double>(value_));
    case Kind::String:
      return std::get<std::u16string>(value_);
    case Kind::Boolean:
      return std::get<bool>(value_) ? u"True" : u"False";
  }
  return {};
}

std::int32_t Variant::toLong() const {
  switch (kind()) {
    case Kind::Empty:
      return 0;
    case Kind::Integer:
      return std::get<std::int16_t>(value_);
    case Kind::Long:
      return std::get<std::int32_t>(value_);
    case Kind::Double:
      return roundToLong(std::get<double>(value_));
    case Kind::String:
      return textToLong(std::get<std::u16string>(value_));
    case Kind::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
  }
  return 0;
}

}  // namespace sigpatch::runtime
