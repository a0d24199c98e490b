#pragma once

#include "platform/System.h"

namespace sigpatch::fakes {

/// A system whose answers a test sets.
class FakeSystem : public platform::System {
 public:
  bool GetVersionEx(platform::OsVersionInfo& info) override {
    info = version;
    return versionKnown;
  }
  bool GetWorkArea(platform::Rect& area) override {
    area = workArea;
    return workAreaKnown;
  }

  platform::OsVersionInfo version{6, 1, 0, 100, u"Debian GNU/Linux 12 (bookworm)"};
  bool versionKnown = true;
  platform::Rect workArea{0, 0, 1024, 738};
  bool workAreaKnown = true;
};

}  // namespace sigpatch::fakes
