#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sigpatch {

class RegUtilities;

/// The record of an installation under way, kept under the settings key while
/// a package runs so that a restart, or a run that was killed, cannot make the
/// next start install it again blindly: "PendingUpdate" (the package's
/// upper-cased name), "PendingBoot" (the boot it was started in),
/// "PendingProcess" (its process's identity) and "PendingAttempts". An
/// administrator reads and clears it with sigreg; it counts as present while
/// "PendingUpdate" is not empty.
struct PendingInstall {
  std::u16string Package;
  std::u16string Boot;
  std::u16string Process;
  std::int32_t Attempts = 0;

  bool Present() const { return !Package.empty(); }

  /// The record as stored; an empty one when there is none.
  static PendingInstall Read(RegUtilities& reg);
  /// Writes every value of the record; the system's result code of the first
  /// write that failed, 0 when all were written.
  std::int32_t Write(RegUtilities& reg) const;
  /// Removes the record's values.
  static void Clear(RegUtilities& reg);
};

}  // namespace sigpatch
