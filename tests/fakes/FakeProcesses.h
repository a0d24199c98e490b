#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace sigpatch::fakes {

/// A process a test started (how it was started: FakeProcesses::starts): how long it runs (waits
/// use up this time) and how it ends by itself, and the stops asked for (false a request to end,
/// true a forced end).
struct FakeProcess {
  std::chrono::milliseconds runTime{0}, waited{0};
  platform::ProcessExit exit;
  bool closed = false;
  std::vector<bool> stops;
  bool ended() const { return waited >= runTime; }
};

/// A ShellExecute call the program made.
struct ShellCall {
  std::u16string operation, file, parameters, directory;
  friend bool operator==(const ShellCall&, const ShellCall&) = default;
};

/// Processes that run for a time a test sets, measured in waits, not in real time: a wait of
/// 100 ms on a process of 250 ms times out twice and then ends. A closed handle is unknown, as the
/// system's are.
class FakeProcesses : public platform::Processes {
 public:
  bool CreateProcess(std::u16string_view CommandLine, std::u16string_view CurrentDirectory,
                     platform::ProcessInformation& info, std::uint32_t CreationFlags) override {
    starts.push_back(
        {std::u16string(CommandLine), std::u16string(CurrentDirectory), CreationFlags});
    if (onStart) onStart();
    info = {};
    if (!startSucceeds) return false;
    processes[nextHandle] = {runTime, {}, exit, false, {}};
    info = {nextHandle++, nextPid++};
    return true;
  }
  platform::WaitResult WaitForSingleObject(platform::ProcessHandle handle,
                                           std::chrono::milliseconds timeout) override {
    waits.push_back(timeout);
    if (onWait) onWait();
    FakeProcess* process = find(handle);
    if (process == nullptr || waitFails) return platform::WaitResult::Failed;
    process->waited = std::min(process->runTime, process->waited + timeout);
    return process->ended() ? platform::WaitResult::Ended : platform::WaitResult::TimedOut;
  }
  bool CloseHandle(platform::ProcessHandle handle) override {
    closes.push_back(handle);
    FakeProcess* process = find(handle);
    if (process != nullptr) process->closed = true;
    return process != nullptr;
  }
  std::int32_t ShellExecute(std::u16string_view Operation, std::u16string_view File,
                            std::u16string_view Parameters,
                            std::u16string_view Directory) override {
    shellCalls.push_back({std::u16string(Operation), std::u16string(File),
                          std::u16string(Parameters), std::u16string(Directory)});
    if (shellResults.empty()) return platform::kShellExecuteStarted;
    const std::int32_t result = shellResults.front();
    shellResults.pop_front();
    return result;
  }
  std::int32_t GetCurrentProcessId() override { return ownPid; }
  std::u16string StartFailure() const override { return startFailure; }
  bool GetExitCodeProcess(platform::ProcessHandle handle, platform::ProcessExit& out) override {
    FakeProcess* process = find(handle);
    if (process == nullptr || !process->ended()) return false;
    out = process->exit;
    return true;
  }
  /// A stop ends the process at the next wait, by the signal.
  bool StopProcess(platform::ProcessHandle handle, bool force) override {
    FakeProcess* process = find(handle);
    if (process == nullptr || process->ended()) return false;
    process->stops.push_back(force);
    process->runTime = process->waited;
    process->exit = {false, force ? 9u : 15u,
                     force ? u"ended by signal 9 (Killed)" : u"ended by signal 15 (Terminated)"};
    return true;
  }
  std::u16string ProcessIdentity(std::int32_t pid) override {
    return running.contains(pid) ? running[pid] : u"";
  }

  /// What the next starts do, and how they end by themselves.
  bool startSucceeds = true, waitFails = false;
  std::chrono::milliseconds runTime{0};
  platform::ProcessExit exit;
  std::u16string startFailure = u"No such file or directory";
  /// Run at every wait (to act in the middle of a run), and at every start, before it succeeds.
  std::function<void()> onWait, onStart;
  /// The processes of the machine that run now, by number, with their identity.
  std::map<std::int32_t, std::u16string> running;
  /// The results of the coming ShellExecute calls; 42 once they are used up.
  std::deque<std::int32_t> shellResults;
  std::int32_t ownPid = 4242;

  struct Start {
    std::u16string commandLine, directory;
    std::uint32_t flags = 0;
  };
  std::vector<Start> starts;
  std::vector<std::chrono::milliseconds> waits;
  std::vector<platform::ProcessHandle> closes;
  std::vector<ShellCall> shellCalls;
  std::map<platform::ProcessHandle, FakeProcess> processes;

 private:
  FakeProcess* find(platform::ProcessHandle handle) {
    const auto found = processes.find(handle);
    return found == processes.end() || found->second.closed ? nullptr : &found->second;
  }
  platform::ProcessHandle nextHandle = 100;
  std::int32_t nextPid = 5000;
};

}  // namespace sigpatch::fakes
