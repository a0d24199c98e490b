#pragma once

#include <cstdint>

namespace sigpatch::platform::win32 {

/// What a failed call was about: a missing file is error 53, a missing folder 76.
enum class Subject { File, Folder };

/// The run-time error number of the file-system service for a system error code
/// (GetLastError), the same numbers as on POSIX: 53 for a missing file (also
/// when its folder is missing), 76 for a missing folder,
/// 58 for what exists, 70 for a refusal, 61 disk full, 71 disk not ready, 57 a
/// device fault, 7 no memory, 75 anything else.
std::int32_t fileErrorNumber(std::uint32_t systemError, Subject subject);

/// Raises the RuntimeError for the calling thread's last system error.
[[noreturn]] void raiseLastError(Subject subject);

}  // namespace sigpatch::platform::win32
