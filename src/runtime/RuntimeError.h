#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace sigpatch::inline runtime {

/// The system's run-time error numbers that the program raises or tests.
namespace err {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kDivisionByZero = 11;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDeviceIOError = 57;
inline constexpr std::int32_t kFileAlreadyExists = 58;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kDeviceUnavailable = 68;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kDiskNotReady = 71;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidPatternString = 93;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kDuplicateKey = 457;
inline constexpr std::int32_t kInvalidPicture = 481;
inline constexpr std::int32_t kNoCurrentRecord = 3021;
inline constexpr std::int32_t kItemNotFound = 3265;
inline constexpr std::int32_t kElementNotFound = 35600;
}  // namespace err

/// The system's own description of a run-time error number; "Application-defined
/// or object-defined error" for a number the table does not hold.
std::u16string errorDescription(std::int32_t number);

/// A run-time fault: the system's error number and its description. Faults travel
/// as this exception until a handler shows the error report.
class RuntimeError : public std::exception {
 public:
  /// A fault with the system's own description of `number`.
  explicit RuntimeError(std::int32_t number);
  RuntimeError(std::int32_t number, std::u16string description);

  std::int32_t Number() const noexcept { return number_; }
  const std::u16string& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::u16string description_;
  std::string what_;
};

/// Number and description of any caught standard exception: a RuntimeError as it
/// is, the standard library's own faults mapped to the system's numbers (no
/// memory 7, out of range 9, overflow 6, invalid argument 5, anything else 51).
struct ErrorInfo {
  std::int32_t number;
  std::u16string description;
};
ErrorInfo errorInfoOf(const std::exception& e);

}  // namespace sigpatch::runtime
