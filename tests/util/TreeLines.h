#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "fakes/ExpectedColors.h"
#include "runtime/Text.h"

namespace sigpatch::testing {

struct TreeLine {
  std::u16string text;
  std::int32_t color;
  bool operator==(const TreeLine&) const = default;
  friend void PrintTo(const TreeLine& line, std::ostream* os) {
    *os << line.color << " \"" << text::toUtf8(line.text) << "\"";
  }
};

inline TreeLine black(std::u16string text) { return {std::move(text), kBlack}; }
inline TreeLine red(std::u16string text) { return {std::move(text), kRed}; }
inline TreeLine blue(std::u16string text) { return {std::move(text), kBlue}; }
inline const TreeLine kSpacer{u" ", kBlack};

}  // namespace sigpatch::testing
