#pragma once

// The one bundle of system services. `main` installs the real services; a test
// installs fakes for its own scope with a ScopedPlatform. Classes reach the
// services through the accessors below, so that each class can create its own
// library objects without a parameter threaded through every constructor.

namespace sigpatch::toolkit {
class Windowing;
}

namespace sigpatch::platform {

using toolkit::Windowing;

class Clock;
class DrivesAndFolders;
class EventLog;
class FileSystemService;
class Processes;
class RegistryApi;
class System;

struct Platform {
  Windowing* windowing = nullptr;
  Clock* clock = nullptr;
  RegistryApi* registry = nullptr;
  FileSystemService* fileSystem = nullptr;
  Processes* processes = nullptr;
  System* system = nullptr;
  EventLog* eventLog = nullptr;
  DrivesAndFolders* drivesAndFolders = nullptr;
};

/// The services installed now (all empty when none are).
const Platform& current();

/// Each accessor raises RuntimeError 91 when its service is not installed.
Windowing& windowing();
Clock& clock();
RegistryApi& registry();
FileSystemService& fileSystem();
Processes& processes();
System& system();
DrivesAndFolders& drivesAndFolders();
/// The system's log. A bundle without one gets a log that keeps nothing: a run
/// never fails for want of a log.
EventLog& eventLog();

/// Installs a bundle for the lifetime of this object and puts the previous one
/// back afterwards.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(const Platform& services);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform previous_;
};

}  // namespace sigpatch::platform
