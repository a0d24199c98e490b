#pragma once

#include <memory>

namespace sigpatch::startup {

/// The real services of the system the program runs on (registry store, file
/// system, processes, system, clock, the system's log and the windowing
/// toolkit), installed for the lifetime of the object. One implementation a
/// system, chosen by the build.
class SystemServices {
 public:
  /// Opens the services and installs them; the toolkit is chosen as the
  /// environment asks (SIGPATCH_UI, the display).
  static std::unique_ptr<SystemServices> start(int& argc, char** argv);
  virtual ~SystemServices() = default;
  /// Once the program has ended normally: says what is wrong with the settings
  /// store, when anything is; false then.
  virtual bool finish() = 0;
};

}  // namespace sigpatch::startup
