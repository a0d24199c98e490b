#pragma once

// The program's exit status, for scripts, service managers and monitoring.
// When several hold, the first of kBadCommandLine, kFailed, kStale, kSuccess wins.

namespace sigpatch::inline runtime::exitstatus {

/// A package was installed, nothing newer was found, the usage or the version
/// was shown, or the user cancelled the folder chooser.
inline constexpr int kSuccess = 0;
/// The run failed.
inline constexpr int kFailed = 1;
/// An unknown option or a duplicate argument.
inline constexpr int kBadCommandLine = 2;
/// The run did its work, but the newest package is older than it should be.
inline constexpr int kStale = 3;

}  // namespace sigpatch::runtime::exitstatus
