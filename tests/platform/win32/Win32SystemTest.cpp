// The system rules (PlatformBehaviour.h) on the Windows calls, what only
// Windows shows, and the library classes over them. The calls that change the
// session (screen saver, monitor, task bar, log-off, shut-down, the About
// dialog) are not made here.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "Win32TestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/PlatformBehaviour.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32System.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/SysUtilities.h"
// After <windows.h>:
#include <aclapi.h>

namespace sigpatch::platform::win32 {
namespace {

using namespace sigpatch::testing;

std::u16string variable(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
  return length == 0 || length >= 1024 ? std::u16string() : fromWide(buffer);
}

struct Win32SystemSubject : SystemSubject {
  Win32SystemSubject() {
    platformId = 2, machine = variable(L"COMPUTERNAME"), user = variable(L"USERNAME");
    fileNotFoundText =
        underWine() ? u"File not found.\r\n" : u"The system cannot find the file specified.\r\n";
    codeWithInsert = 182, folder = dir.path(), separator = u'\\';
  }
  System& system() override { return real; }
  std::uint32_t ticks() override { return ::GetTickCount(); }
  TempFolder dir;
  Win32System real;
};

INSTANTIATE_TEST_SUITE_P(Win32, SystemBehaviourTest,
                         ::testing::Values(SystemKind{
                             "Win32", [] { return std::make_unique<Win32SystemSubject>(); }}),
                         KindName());

class Win32SystemTest : public ::testing::Test {
 protected:
  Win32System system;
};

TEST_F(Win32SystemTest, VersionDomainWorkAreaAndBootAreTheSystems) {
  OsVersionInfo info;
  ASSERT_TRUE(system.GetVersionEx(info));
  EXPECT_GE(info.dwMajorVersion, 6u) << "the true version, not the one shown to old programs";
  EXPECT_GT(info.dwBuildNumber, 0u);
  std::u16string domain;
  ASSERT_TRUE(system.GetUserDomain(domain));
  EXPECT_FALSE(domain.empty());
  if (!variable(L"USERDOMAIN").empty()) {
    EXPECT_EQ(text::toUpper(domain), text::toUpper(variable(L"USERDOMAIN")));
  }
  Rect area;
  ASSERT_TRUE(system.GetWorkArea(area));
  EXPECT_GT(area.right, area.left);
  EXPECT_GT(area.bottom, area.top);
  EXPECT_LE(area.right - area.left, ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
  // The boot id is the boot time, a FILETIME before now, the same at every call.
  const std::u16string boot = system.BootId();
  EXPECT_EQ(boot.find_first_not_of(u"0123456789"), std::u16string::npos) << text::toUtf8(boot);
  EXPECT_EQ(system.BootId(), boot);
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  EXPECT_LT(std::stoull(text::toUtf8(boot)),
            (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

TEST_F(Win32SystemTest, SystemFoldersAreTheSystemsOwn) {
  std::u16string windows;
  ASSERT_TRUE(system.GetWindowsDirectory(windows));
  EXPECT_EQ(text::toUpper(windows), text::toUpper(variable(L"SystemRoot")));
  std::u16string programs;
  ASSERT_TRUE(system.GetSystemDirectory(programs));
  EXPECT_EQ(text::toUpper(programs), text::toUpper(windows) + u"\\SYSTEM32");
  std::u16string temp;
  ASSERT_TRUE(system.GetTempPath(temp));
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(Win32FileSystem().FolderExists(temp));
  std::u16string special;
  ASSERT_TRUE(system.GetSpecialFolder(0x001A, special));  // CSIDL_APPDATA
  EXPECT_EQ(text::toUpper(special), text::toUpper(variable(L"APPDATA")));
  ASSERT_TRUE(system.GetSpecialFolder(0x0024, special));  // CSIDL_WINDOWS
  EXPECT_EQ(text::toUpper(special), text::toUpper(windows));
  EXPECT_FALSE(system.GetSpecialFolder(0x7777, special));
}

TEST_F(Win32SystemTest, LongAndShortPathsOfWhatExists) {
  TempFolder dir(u"Long Folder Name ");
  writeFile(dir / u"A Long File Name.text", "x");
  std::u16string shortPath;
  ASSERT_TRUE(system.GetShortPathName(dir / u"A Long File Name.text", shortPath));
  EXPECT_EQ(shortPath.find(u' '), std::u16string::npos) << text::toUtf8(shortPath);
  std::u16string longPath;
  ASSERT_TRUE(system.GetLongPathName(shortPath, longPath));
  EXPECT_EQ(text::toUpper(longPath), text::toUpper(dir / u"A Long File Name.text"));
  EXPECT_FALSE(system.GetLongPathName(dir / u"missing", longPath));
  EXPECT_FALSE(system.GetShortPathName(dir / u"missing", shortPath));
}

TEST_F(Win32SystemTest, ADeviceIsNoFileAndAMonitorStateOtherThanTheThreeRaises5) {
  EXPECT_EQ(system.WriteWholeFile(u"NUL", "x"), u"it is a device, not a file");
  try {
    system.SetMonitorPower(3);
    FAIL() << "no fault";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), err::kInvalidProcedureCall);
  }
}

TEST_F(Win32SystemTest, OnlyWindowsOfThisProgramAreKeptOnTop) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"Sigpatch test", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  auto topmost = [&] { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  const auto handle = reinterpret_cast<std::intptr_t>(window);
  system.SetWindowPos(handle, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
  EXPECT_TRUE(topmost());
  system.SetWindowPos(handle, kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
  EXPECT_FALSE(topmost());
  // The console's windows have handles of their own that are no system
  // windows; they, and windows of other programs, are left alone.
  system.SetWindowPos(3, kHwndTopmost, 0, 0, 0, 0, kSwpHideWindow);
  const HWND desktop = ::GetDesktopWindow();
  const bool desktopShown = ::IsWindowVisible(desktop) != 0;
  system.SetWindowPos(reinterpret_cast<std::intptr_t>(desktop), 0, 0, 0, 0, 0,
                      kSwpNoSize | kSwpNoMove | kSwpHideWindow);
  EXPECT_EQ(::IsWindowVisible(desktop) != 0, desktopShown);
  ::DestroyWindow(window);
}

// The SIDs that the access list of a kernel object lets in, in order; "" for
// one that is no allowing entry.
std::vector<std::u16string> allowedIn(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::vector<std::u16string> sids;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {u"(no access list)"};
  }
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    ::GetAce(dacl, i, &ace);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    wchar_t* sid = nullptr;
    if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
        ::ConvertSidToStringSidW(&allowed->SidStart, &sid) != 0) {
      sids.push_back(fromWide(sid));
      ::LocalFree(sid);
    } else {
      sids.emplace_back();
    }
  }
  ::LocalFree(descriptor);
  return sids;
}

TEST_F(Win32SystemTest, TheMachineLockIsOneGlobalMutexOnlyTheAdministratorsMayOpen) {
  auto lock = system.CreateMachineLock(u"TestLock");
  ASSERT_NE(lock, nullptr);
  ASSERT_TRUE(lock->TryLock());
  EXPECT_TRUE(lock->TryLock()) << "held already";
  const HANDLE named =
      ::OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, L"Global\\Sigpatch-TestLock");
  ASSERT_NE(named, nullptr) << "made in the global name space";
  // SYSTEM and the Administrators, nobody else.
  EXPECT_EQ(allowedIn(named), (std::vector<std::u16string>{u"S-1-5-18", u"S-1-5-32-544"}));
  ::CloseHandle(named);

  // Another holder (the other thread stands for another process) waits.
  auto tryElsewhere = [&] {
    bool taken = false;
    std::thread([&] {
      auto other = system.CreateMachineLock(u"TestLock");
      taken = other != nullptr && other->TryLock();
    }).join();
    return taken;
  };
  EXPECT_FALSE(tryElsewhere());
  lock.reset();
  EXPECT_TRUE(tryElsewhere()) << "free once the holder has gone";
  auto otherName = system.CreateMachineLock(u"OtherLock");
  ASSERT_NE(otherName, nullptr);
  EXPECT_TRUE(otherName->TryLock());
}

// A program with windows hears the session's end as WM_ENDSESSION, not as a
// console event: while catching, a hidden window of its own keeps it, and
// answers (after which the system may end the process) only when catching ends.
TEST_F(Win32SystemTest, TheSessionsEndIsKeptAsAStopRequest) {
  system.CatchStopRequests(true);
  HWND watch = nullptr;
  ::EnumWindows(
      [](HWND window, LPARAM found) {
        DWORD process = 0;
        wchar_t name[64] = {};
        ::GetWindowThreadProcessId(window, &process);
        ::GetClassNameW(window, name, 64);
        if (process != ::GetCurrentProcessId() || std::wstring(name) != L"SigpatchSessionWatch") {
          return TRUE;
        }
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&watch));
  ASSERT_NE(watch, nullptr) << "no window hears the session's end";
  EXPECT_EQ(::SendMessageW(watch, WM_QUERYENDSESSION, 0, 0), TRUE) << "the end is not held back";
  EXPECT_EQ(system.StopRequested(), u"") << "a query is not the end yet";
  EXPECT_FALSE(system.ShuttingDown());

  std::thread session([&] { ::SendMessageW(watch, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF); });
  for (int i = 0; i < 6000 && system.StopRequested().empty(); ++i) ::Sleep(10);
  EXPECT_EQ(system.StopRequested(), u"end of session");
  EXPECT_TRUE(system.ShuttingDown());
  system.CatchStopRequests(false);
  session.join();
  EXPECT_EQ(system.StopRequested(), u"") << "kept only while catching";
  EXPECT_FALSE(::IsWindow(watch));
}

// The one check of the library's system text on the real system.
TEST_F(Win32SystemTest, SysUtilitiesDescribeTheSystem) {
  fakes::FakePlatform fake;
  fake.Set([&](Platform& s) { s.system = &system; });
  OsVersionInfo info;
  ASSERT_TRUE(system.GetVersionEx(info));
  EXPECT_EQ(SysUtilities().GetOSVersionString(), u"Windows NT V" + text::dec(info.dwMajorVersion) +
                                                     u"." + text::dec(info.dwMinorVersion) + u"." +
                                                     text::dec(info.dwBuildNumber) + u" " +
                                                     info.szCSDVersion);
}

TEST(Win32ClockTest, LocalTimeIsTheSystemsLocalTime) {
  Win32Clock clock;
  const auto now = clock.Now();
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  const DateTime converted = clock.ToLocal(now);
  EXPECT_EQ(converted.Year, local.wYear);
  EXPECT_EQ(converted.Month, local.wMonth);
  EXPECT_EQ(converted.Day, local.wDay);
  EXPECT_EQ(converted.Hour, local.wHour);
  // 2004-03-07 09:05:01 UTC, seen from the local time zone.
  const auto fixed = Clock::TimePoint(std::chrono::seconds(1078650301));
  const DateTime then = clock.ToLocal(fixed);
  EXPECT_EQ(then.Second, 1);
  EXPECT_EQ(then.Year, 2004);
  const auto ticks = clock.Ticks();
  clock.Sleep(std::chrono::milliseconds(15));
  EXPECT_GE((clock.Ticks() - ticks).count(), 10);
}

}  // namespace
}  // namespace sigpatch::platform::win32
