#pragma once

#include "resources/version.h"
#include "runtime/ProgramInfo.h"

namespace sigpatch::resources {

#define SIGPATCH_U16(text) u"" text

inline constexpr const char16_t* kTitle = SIGPATCH_U16(SIGPATCH_TITLE);
/// The maker's web address, opened by the About box's link.
inline constexpr const char16_t* kLink = SIGPATCH_U16(SIGPATCH_LINK);

/// The program information of this build, for an executable of the given name
/// in the given folder.
inline runtime::ProgramInfo programInfo(std::u16string exeName, std::u16string folder) {
  runtime::ProgramInfo info;
  info.Title = kTitle;
  info.EXEName = std::move(exeName);
  info.Path = std::move(folder);
  info.Major = SIGPATCH_VERSION_MAJOR;
  info.Minor = SIGPATCH_VERSION_MINOR;
  info.Revision = SIGPATCH_VERSION_REVISION;
  info.CompanyName = SIGPATCH_U16(SIGPATCH_COMPANY_NAME);
  info.Comments = SIGPATCH_U16(SIGPATCH_COMMENTS);
  info.LegalCopyright = SIGPATCH_U16(SIGPATCH_LEGAL_COPYRIGHT);
  return info;
}

#undef SIGPATCH_U16

}  // namespace sigpatch::resources
