#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::inline runtime {

/// What the program knows of itself: title, executable and version information.
struct ProgramInfo {
  std::u16string Title;
  /// The executable's name without folder and extension ("sigpatch").
  std::u16string EXEName;
  /// The folder that holds the executable, without a trailing separator.
  std::u16string Path;
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Revision = 0;
  std::u16string CompanyName;
  std::u16string Comments;
  std::u16string LegalCopyright;
};

/// The title line of every window and of "LatestRunVersion": the title, " V",
/// the major version, the minor and the revision with at least two digits
/// ("Sigpatch V1.01.02").
std::u16string titleLine(const ProgramInfo& app);

}  // namespace sigpatch::runtime
