#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace sigpatch::inline runtime {

/// A tagged value: a value that carries its own type (empty, 16- or 32-bit
/// integer, double, text or Boolean), converted as the system converts them.
class Variant {
 public:
  enum class Kind { Empty, Integer, Long, Double, String, Boolean };

  Variant() = default;
  Variant(std::int16_t value) : value_(value) {}
  Variant(std::int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(bool value) : value_(value) {}
  Variant(std::u16string value) : value_(std::move(value)) {}
  Variant(std::u16string_view value) : value_(std::u16string(value)) {}
  Variant(const char16_t* value) : value_(std::u16string(value)) {}

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return kind() == Kind::Empty; }

  /// The value as text, as the system converts it: empty for Empty, plain
  /// decimal for integers, at most 15 significant digits for a double ("0.5",
  /// "1E+15", "1E-05"), "True" / "False".
  std::u16string toText() const;

  /// The value as a 32-bit signed integer, as the system converts it: numeric
  /// text is read (blanks around it, a sign, a fraction, an exponent, "&H" and
  /// "&O"), a fraction is rounded to the nearest integer with halves to the even
  /// one, True is -1. Text that is no number (the empty text included) raises
  /// error 13; a number outside the 32-bit range raises error 6.
  std::int32_t toLong() const;

  bool operator==(const Variant& other) const = default;

 private:
  std::variant<std::monostate, std::int16_t, std::int32_t, double, std::u16string, bool> value_;
};

}  // namespace sigpatch::runtime
