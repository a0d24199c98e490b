#pragma once

#include <optional>

#include "fakes/FakeClock.h"
#include "fakes/FakeEventLog.h"
#include "fakes/FakeWindowing.h"
#include "platform/Platform.h"

namespace sigpatch::fakes {

/// The fake windowing layer, clock and log, installed for the lifetime of the object. A test adds
/// further services with Set(), or takes FakeServices.
class FakePlatform {
 public:
  FakePlatform() {
    Set([&](platform::Platform& s) {
      s.windowing = &windowing, s.clock = &clock, s.eventLog = &eventLog;
      s.drivesAndFolders = &windowing.folders;
    });
  }
  /// Changes the bundle and installs it again: Set([&](auto& s) { s.registry = &store; }).
  template <typename Change>
  void Set(Change change) {
    change(services_);
    installed_.reset();
    installed_.emplace(services_);
  }

  FakeWindowing windowing;
  FakeClock clock;
  FakeEventLog eventLog;

 private:
  platform::Platform services_;
  std::optional<platform::ScopedPlatform> installed_;
};

}  // namespace sigpatch::fakes
