#pragma once

#include <vector>

#include "platform/EventLog.h"

namespace sigpatch::fakes {

/// A log that keeps every run reported to it, in order.
struct FakeEventLog : platform::EventLog {
  void Report(const platform::RunRecord& record) override { reports.push_back(record); }
  std::vector<platform::RunRecord> reports;
};

}  // namespace sigpatch::fakes
