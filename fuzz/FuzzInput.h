#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Fuzzer bytes read as UTF-16 code units, so that every code unit, unpaired
// surrogates included, reaches the code under test.
inline std::u16string asText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}
