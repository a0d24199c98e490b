// The system's side of a run that must not be cut short: the boot it runs in,
// a shut-down under way, and the signals that ask the program to end.

#include <signal.h>

#include <array>
#include <csignal>
#include <fstream>
#include <string>

#include "platform/posix/PosixSystem.h"
#include "platform/posix/Spawn.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

constexpr std::array<int, 3> kStopSignals = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void keepStopRequest(int signal) { caughtSignal = signal; }

struct SavedActions {
  bool catching = false;
  std::array<struct sigaction, kStopSignals.size()> previous{};
};

SavedActions& saved() {
  static SavedActions actions;
  return actions;
}

}  // namespace

std::u16string PosixSystem::BootId() {
  std::ifstream file("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(file, id);
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return text::fromUtf8(id);
}

bool PosixSystem::ShuttingDown() {
  std::string state;
  if (runCommand({"systemctl", "is-system-running"}, &state, std::chrono::seconds(5)) < 0) {
    return false;
  }
  return state.rfind("stopping", 0) == 0;
}

void PosixSystem::CatchStopRequests(bool catching) {
  auto& actions = saved();
  if (catching == actions.catching) return;
  if (catching) {
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = keepStopRequest;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
      sigaction(kStopSignals[i], &action, &actions.previous[i]);
    }
  } else {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
      sigaction(kStopSignals[i], &actions.previous[i], nullptr);
    }
  }
  actions.catching = catching;
}

std::u16string PosixSystem::StopRequested() {
  switch (caughtSignal) {
    case SIGTERM:
      return u"SIGTERM";
    case SIGINT:
      return u"SIGINT";
    case SIGHUP:
      return u"SIGHUP";
    default:
      return {};
  }
}

}  // namespace sigpatch::platform::posix
