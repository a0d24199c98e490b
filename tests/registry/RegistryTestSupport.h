#pragma once

// Direct access to a registry store for tests: raw values, without RegUtilities.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/RegistryApi.h"
#include "runtime/Text.h"
#include "runtime/Variant.h"

namespace sigpatch {

/// Test names and failures show a tagged value as its text.
inline void PrintTo(const Variant& value, std::ostream* out) {
  *out << "Variant(" << text::toUtf8(value.toText()) << ")";
}

}  // namespace sigpatch

namespace sigpatch::testing {

using Bytes = std::vector<std::uint8_t>;

struct StoredValue {
  std::uint32_t type = 0;
  Bytes data;
  bool operator==(const StoredValue&) const = default;
  friend void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "type " << value.type << ":";
    static const char kHex[] = "0123456789ABCDEF";
    for (auto b : value.data) *out << ' ' << kHex[b >> 4] << kHex[b & 0xF];
  }
};

/// The value as stored, or nothing when the key or the value is missing.
inline std::optional<StoredValue> storedValue(platform::RegistryApi& api, platform::RegKey root,
                                              std::u16string_view path, std::u16string_view name) {
  StoredValue value;
  std::uint32_t size = 0;
  if (api.GetValue(root, path, name, &value.type, nullptr, &size) != 0) return std::nullopt;
  value.data.resize(size);
  if (api.GetValue(root, path, name, &value.type, value.data.data(), &size) != 0) return {};
  value.data.resize(size);
  return value;
}

/// Writes a value, creating the key; returns the first failing result code. A character that is
/// not a zero follows the data, so text without its terminator is stored without.
inline std::int32_t storeValue(platform::RegistryApi& api, platform::RegKey root,
                               std::u16string_view path, std::u16string_view name,
                               std::uint32_t type, const Bytes& data) {
  platform::RegKey key = 0;
  auto code = api.CreateKeyEx(root, path, u"", 0, platform::kKeyAllAccess, key, nullptr);
  if (code != 0) return code;
  Bytes buffer = data;
  buffer.insert(buffer.end(), {0xFF, 0xFF});
  code = api.SetValueEx(key, name, type, buffer.data(), static_cast<std::uint32_t>(data.size()));
  api.CloseKey(key);
  return code;
}

inline bool keyExists(platform::RegistryApi& api, platform::RegKey root, std::u16string_view path) {
  platform::RegKey key = 0;
  if (api.OpenKeyEx(root, path, 0, platform::kKeyRead, key) != 0) return false;
  api.CloseKey(key);
  return true;
}

/// UTF-16LE bytes of a text, with its terminator when asked.
inline Bytes utf16(std::u16string_view text, bool terminated = true) {
  Bytes bytes;
  for (char16_t c : text) bytes.insert(bytes.end(), {std::uint8_t(c & 0xFF), std::uint8_t(c >> 8)});
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

/// A REG_SZ value of the text with its terminator.
inline StoredValue sz(std::u16string_view text) { return {platform::kRegSz, utf16(text)}; }

}  // namespace sigpatch::testing
