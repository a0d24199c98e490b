#include "util/ProcessUtilities.h"

#include <chrono>

#include "platform/Platform.h"
#include "platform/Processes.h"
#include "toolkit/Windowing.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

// How long one wait for the process lasts before the window events run again.
constexpr std::chrono::milliseconds kWaitSlice{100};

// The working folder of a start: the given one, else the program's own folder.
std::u16string workingFolder(std::u16string_view strPath) {
  if (!strPath.empty()) return std::u16string(strPath);
  return platform::windowing().App().Path;
}

}  // namespace

void ProcessUtilities::ShellDoc(const std::u16string& strFile) const {
  auto& processes = platform::processes();
  if (processes.ShellExecute(u"open", strFile, u"", u"") == platform::kSeErrNoAssoc) {
    processes.ShellExecute(u"openas", strFile, u"", FileUtilities().GetWindowsSystemDir());
  }
}

std::int16_t ProcessUtilities::ShellWait(std::u16string_view strCommand,
                                         std::u16string_view strPath) const {
  auto& processes = platform::processes();
  std::int16_t result = 0;
  platform::ProcessInformation info;
  if (!processes.CreateProcess(strCommand, workingFolder(strPath), info)) result = -1;
  platform::WaitResult waited = platform::WaitResult::Failed;
  do {
    toolkit::doEvents();
    waited = processes.WaitForSingleObject(info.hProcess, kWaitSlice);
  } while (waited == platform::WaitResult::TimedOut);
  if (waited != platform::WaitResult::Ended) result = -1;
  processes.CloseHandle(info.hProcess);
  return result;
}

std::int32_t ProcessUtilities::StartProcess(std::u16string_view strCommand,
                                            std::u16string_view strPath) const {
  auto& processes = platform::processes();
  platform::ProcessInformation info;
  if (!processes.CreateProcess(strCommand, workingFolder(strPath), info)) return 0;
  processes.CloseHandle(info.hProcess);
  return info.dwProcessId;
}

std::int32_t ProcessUtilities::GetPocID() const {
  return platform::processes().GetCurrentProcessId();
}

}  // namespace sigpatch
