#include "platform/Platform.h"

#include "platform/EventLog.h"
#include "runtime/RuntimeError.h"

namespace sigpatch::platform {
namespace {

Platform& installed() {
  static Platform services;
  return services;
}

template <typename T>
T& require(T* service) {
  if (service == nullptr) throw RuntimeError(err::kObjectNotSet);
  return *service;
}

// The log of a bundle that has none.
class NoEventLog final : public EventLog {
 public:
  void Report(const RunRecord& /*record*/) override {}
};

}  // namespace

const Platform& current() { return installed(); }

Windowing& windowing() { return require(installed().windowing); }
Clock& clock() { return require(installed().clock); }
RegistryApi& registry() { return require(installed().registry); }
FileSystemService& fileSystem() { return require(installed().fileSystem); }
Processes& processes() { return require(installed().processes); }
System& system() { return require(installed().system); }
DrivesAndFolders& drivesAndFolders() { return require(installed().drivesAndFolders); }

EventLog& eventLog() {
  static NoEventLog none;
  return installed().eventLog != nullptr ? *installed().eventLog : none;
}

ScopedPlatform::ScopedPlatform(const Platform& services) : previous_(installed()) {
  installed() = services;
}

ScopedPlatform::~ScopedPlatform() { installed() = previous_; }

}  // namespace sigpatch::platform
