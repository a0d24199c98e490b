#pragma once

#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"

namespace sigpatch::fakes {

/// Every service faked and installed in one go, for the lifetime of the object:
/// FakePlatform's windowing, clock and log, and a registry, a disk, processes
/// and a system. A test sets them up through these members; Set() still swaps
/// one for a real service.
class FakeServices : public FakePlatform {
 public:
  FakeServices() {
    Set([&](platform::Platform& s) {
      s.registry = &registry;
      s.fileSystem = &files;
      s.processes = &processes;
      s.system = &system;
    });
  }

  FakeRegistry registry;
  FakeFileSystemService files;
  FakeProcesses processes;
  FakeSystem system;
};

}  // namespace sigpatch::fakes
