#include "platform/EventLog.h"

namespace sigpatch::platform {

std::u16string_view resultWord(RunResult result) {
  switch (result) {
    case RunResult::Installed:
      return u"installed";
    case RunResult::NothingNewer:
      return u"nothing-newer";
    case RunResult::Failed:
      return u"failed";
    case RunResult::Stale:
      return u"stale";
  }
  return u"failed";
}

}  // namespace sigpatch::platform
