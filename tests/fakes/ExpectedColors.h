#pragma once

#include <cstdint>

namespace sigpatch::testing {

// The colours the tests expect of the program's lines (0x00BBGGRR), written out rather than taken
// from the program, so that a wrong colour there shows.
inline constexpr std::int32_t kBlack = 0, kRed = 255, kBlue = 16711680;

}  // namespace sigpatch::testing
