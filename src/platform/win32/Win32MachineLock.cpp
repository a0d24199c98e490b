// The machine's update lock: one named mutex for every session, which only
// those who may change the machine's settings can open.

#include <string>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32AccessRules.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/WindowsHeaders.h"

namespace sigpatch::platform::win32 {
namespace {

// SYSTEM (the boot run) and the Administrators (a run by hand, elevated) may
// do everything with the mutex; nobody else may open it, nor hold the updates
// back by taking it. "P": no rights are inherited from elsewhere.
constexpr wchar_t kLockAccess[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// An owned mutex of the machine lock.
class MutexLock final : public MachineLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    if (held_) ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  bool TryLock() override {
    if (held_) return true;
    // A mutex left by a process that died is abandoned: it is free, and ours now.
    const DWORD result = ::WaitForSingleObject(mutex_, 0);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
  }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace

std::unique_ptr<MachineLock> Win32System::CreateMachineLock(std::u16string_view name) {
  SddlAttributes attributes(kLockAccess);
  if (attributes.Get() == nullptr) return nullptr;
  const std::wstring mutexName = L"Global\\Sigpatch-" + wide(name);
  // Made with the descriptor, or opened when it is there: either needs a
  // caller the descriptor lets in.
  const HANDLE mutex =
      ::CreateMutexExW(attributes.Get(), mutexName.c_str(), 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
  if (mutex == nullptr) return nullptr;
  return std::make_unique<MutexLock>(mutex);
}

}  // namespace sigpatch::platform::win32
