#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::platform {

/// The system's version record: major, minor, build, platform id and the
/// service-pack text.
struct OsVersionInfo {
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  std::u16string szCSDVersion;
};

/// A rectangle in pixels: left, top, right, bottom.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

/// The operating system's version, logon, window and power services.
class System {
 public:
  virtual ~System() = default;

  /// Fills the version record; false when the system cannot tell.
  virtual bool GetVersionEx(OsVersionInfo& info) = 0;
  /// The work area of the primary display (the desktop less the task bar), in
  /// pixels; false when it cannot be read.
  virtual bool GetWorkArea(Rect& area) = 0;
};

}  // namespace sigpatch::platform
