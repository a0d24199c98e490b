#pragma once

#include <vector>

#include "platform/EventLog.h"

namespace sigpatch::fakes {

/// A log that keeps every run reported to it, in order.
class FakeEventLog : public platform::EventLog {
 public:
  void Report(const platform::RunRecord& record) override { reports.push_back(record); }

  std::vector<platform::RunRecord> reports;
};

}  // namespace sigpatch::fakes
