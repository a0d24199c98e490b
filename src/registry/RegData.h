#pragma once

// The byte layouts of registry data: text as UTF-16LE code units, numbers low
// byte first.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sigpatch::regdata {

using Bytes = std::vector<std::uint8_t>;

/// The text's UTF-16LE code units, with one zero character after them when `terminated`.
Bytes textBytes(std::u16string_view text, bool terminated);
/// The UTF-16LE code units of `bytes` (a last odd byte is left out).
std::u16string textOf(const std::uint8_t* bytes, std::size_t size);
inline std::u16string textOf(const Bytes& bytes) { return textOf(bytes.data(), bytes.size()); }
/// One character a byte, each the code page's character for that byte.
std::u16string byteCharacters(const std::uint8_t* bytes, std::size_t size);
/// 4 bytes, low byte first.
Bytes dwordBytes(std::uint32_t value);
/// 8 bytes, low byte first.
Bytes qwordBytes(std::uint64_t value);
/// The number in the first (up to) 4 bytes, low byte first; missing bytes count as zero.
std::uint32_t dwordOf(const std::uint8_t* bytes, std::size_t size);
/// The number in the first (up to) 8 bytes, low byte first.
std::uint64_t qwordOf(const std::uint8_t* bytes, std::size_t size);
/// Whether the type's data is text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
bool isTextType(std::uint32_t type);

/// The data in a buffer to hand to SetValueEx with the data's own size. The
/// registry reads the character just past that size and stores a terminator
/// the text lacks when that character is a zero; here one that is not a zero
/// follows, so the data is stored exactly as given.
Bytes bufferToStore(const Bytes& data);

}  // namespace sigpatch::regdata
