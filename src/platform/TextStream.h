#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::platform {

/// A file opened for reading as single-byte text: each byte is one Windows-1252
/// character. Faults are RuntimeErrors with the system's numbers.
class TextStream {
 public:
  virtual ~TextStream() = default;
  /// Up to `Characters` characters from the current position; fewer at the end
  /// of the file, "" there. A negative count raises error 5.
  virtual std::u16string Read(std::int32_t Characters) = 0;
  /// Moves on by up to `Characters` characters. A negative count raises error 5.
  virtual void Skip(std::int32_t Characters) = 0;
  /// Closes the stream; reading afterwards raises error 5.
  virtual void Close() = 0;
};

}  // namespace sigpatch::platform
