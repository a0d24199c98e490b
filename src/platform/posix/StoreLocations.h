#pragma once

#include <string>

namespace sigpatch::platform::posix {

/// Where the registry store files live: the machine-wide file (for
/// HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and HKEY_USERS) and the user's file (for
/// HKEY_CURRENT_USER). Both name the same file when one file holds all four roots.
struct StoreLocations {
  std::string machine;
  std::string user;

  bool SingleFile() const { return machine == user; }

  /// One file for all four roots.
  static StoreLocations singleFile(const std::string& path);
  /// The file SIGPATCH_REGISTRY names; else /var/lib/sigpatch/registry.db and
  /// $XDG_STATE_HOME/sigpatch/user.db (~/.local/state/sigpatch/user.db). The
  /// user's file is empty when neither XDG_STATE_HOME nor a home folder is known.
  static StoreLocations fromEnvironment();
};

}  // namespace sigpatch::platform::posix
