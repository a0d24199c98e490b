#include "registry/RegData.h"

#include "platform/RegistryApi.h"
#include "runtime/Text.h"

namespace sigpatch::regdata {

Bytes textBytes(std::u16string_view text, bool terminated) {
  Bytes bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

std::u16string textOf(const std::uint8_t* bytes, std::size_t size) {
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

std::u16string byteCharacters(const std::uint8_t* bytes, std::size_t size) {
  std::u16string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) text.push_back(text::ansiToChar(bytes[i]));
  return text;
}

Bytes dwordBytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes qwordBytes(std::uint64_t value) {
  Bytes bytes(8);
  for (int i = 0; i < 8; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

std::uint32_t dwordOf(const std::uint8_t* bytes, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
  return value;
}

std::uint64_t qwordOf(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < 8 && i < size; ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return value;
}

bool isTextType(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz ||
         type == platform::kRegMultiSz;
}

Bytes bufferToStore(const Bytes& data) {
  Bytes buffer(data);
  buffer.insert(buffer.end(), {0xFF, 0xFF});
  return buffer;
}

}  // namespace sigpatch::regdata
