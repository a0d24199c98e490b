#pragma once

#include "runtime/BuildConfig.h"

namespace sigpatch::inline runtime {

/// How paths are written: Windows ("C:\Updates\", ":" ends a drive) or POSIX
/// ("/srv/updates/", ":" an ordinary character, no drives).
enum class PathStyle { Windows, Posix };

/// The path style of the system this build runs on.
inline constexpr PathStyle kNativePathStyle = SIGPATCH_NATIVE_PATH_STYLE;

/// The folder separator of a path style.
constexpr char16_t separatorOf(PathStyle style) {
  return style == PathStyle::Windows ? u'\\' : u'/';
}

}  // namespace sigpatch::runtime
