#pragma once

#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"

namespace sigpatch::fakes {

/// Every service faked and installed for the lifetime of the object: FakePlatform's, and a
/// registry, a disk, processes and a system; Set() still swaps one for a real service.
struct FakeServices : FakePlatform {
  FakeServices() {
    Set([&](platform::Platform& s) {
      s.registry = &registry, s.fileSystem = &files, s.processes = &processes, s.system = &system;
    });
  }
  FakeRegistry registry;
  FakeFileSystemService files;
  FakeProcesses processes;
  FakeSystem system;
};

}  // namespace sigpatch::fakes
