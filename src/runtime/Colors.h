#pragma once

// The language's colour constants (vbBlack, vbRed, vbBlue, vbWhite) that the
// program paints with, as the system writes colours: 0x00BBGGRR.

#include <cstdint>

namespace sigpatch::inline runtime::color {

inline constexpr std::int32_t kBlack = 0x000000;
inline constexpr std::int32_t kRed = 0x0000FF;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kWhite = 0xFFFFFF;

}  // namespace sigpatch::runtime::color
