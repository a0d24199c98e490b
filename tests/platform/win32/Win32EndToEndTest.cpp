// The console build (sigpatch-console.exe), run as a user runs it, against a folder of
// update packages that record how they were started; the settings end up in
// the system's registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "Win32TrustSupport.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Ferrolite\\Sigpatch";

using Lines = std::vector<std::u16string>;

// The lines of a program's output: UTF-8, lines ending in "\r\n".
Lines linesOf(const std::string& bytes) {
  Lines lines;
  const std::u16string all = text::fromUtf8(bytes);
  std::size_t start = 0;
  while (start < all.size()) {
    auto end = all.find(u'\n', start);
    if (end == std::u16string::npos) end = all.size();
    auto line = all.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A value of the settings key, or "(missing)".
std::u16string setting(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_ANY, &type, buffer, &size) !=
      ERROR_SUCCESS) {
    return u"(missing)";
  }
  if (type != REG_SZ) return u"(type " + text::dec(type) + u")";
  return fromWide(buffer);
}

void setSetting(const wchar_t* name, const std::u16string& value) {
  const std::wstring data = wide(value);
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void setNumber(const wchar_t* name, DWORD value) {
  ASSERT_EQ(
      ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, REG_DWORD, &value, sizeof value),
      ERROR_SUCCESS);
}

bool holds(const std::vector<std::u16string>& lines, const std::u16string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

/// What one run of sigpatch-console.exe gave.
struct Outcome {
  DWORD exitCode = 0;
  Lines out;
  Lines err;
};

class SigpatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY existing = nullptr;
    if (!underWine() &&
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &existing) == 0) {
      ::RegCloseKey(existing);
      GTEST_SKIP() << "this machine has settings of its own, which the test leaves alone";
    }
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_NE(::CreateDirectoryW(wide(updates).c_str(), nullptr), 0);
    // The packages are made just before each run: they may start at once.
    setSetting(L"PackageSettleSeconds", u"0");
    // The program runs as an administrator (under Wine always), so it starts
    // only packages that nobody but the trusted could have put there. The
    // folders of the test belong to the account it runs as (under Wine every
    // file does, C:\ too), which is trusted as a downloader's account would be.
    setSetting(L"TrustedOwner", testAccount());
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey); }

  void addPackage(const std::u16string& name, const std::u16string& program) {
    ASSERT_NE(::CopyFileW(wide(program).c_str(), wide(updates + u"\\" + name).c_str(), FALSE), 0);
  }
  void addPackage(const std::u16string& name) { addPackage(name, recorder); }

  // Starts sigpatch-console.exe with the argument string as typed, its output to
  // files; a process without handles when it cannot start.
  PROCESS_INFORMATION start(const std::u16string& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = ::CreateFileW(wide(outFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                     &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE err = ::CreateFileW(wide(errFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                     &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE in = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring line = L"\"" + wide(exe) + L"\" " + wide(arguments);
    PROCESS_INFORMATION process{};
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", wide(recordFile).c_str());
    const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          wide(work.path()).c_str(), &startup, &process) != 0;
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr);
    ::CloseHandle(out);
    ::CloseHandle(err);
    ::CloseHandle(in);
    EXPECT_TRUE(started) << text::toUtf8(fromWide(line));
    if (started) ::CloseHandle(process.hThread);
    return process;
  }

  // Runs sigpatch-console.exe with the argument string as typed, to its end.
  Outcome run(const std::u16string& arguments) {
    Outcome result;
    const PROCESS_INFORMATION process = start(arguments);
    if (process.hProcess == nullptr) return result;
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    ::CloseHandle(process.hProcess);
    result.out = linesOf(readFile(outFile));
    result.err = linesOf(readFile(errFile));
    return result;
  }

  // What the last package started wrote: its command line and working folder.
  Lines record() { return linesOf(readFile(recordFile)); }

  std::u16string exe = builtProgram(SIGPATCH_CONSOLE_EXE);
  std::u16string exeFolder = exe.substr(0, exe.rfind(u'\\'));
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  std::u16string exit7 = builtProgram(SIGPATCH_EXIT7_PROBE);
  TempFolder work{u"sigpatch e2e "};
  std::u16string updates = work / u"Update Packages";
  std::u16string recordFile = work / u"record.txt";
  std::u16string outFile = work / u"out.txt";
  std::u16string errFile = work / u"err.txt";
};

TEST_F(SigpatchRunTest, TheWorkedExampleInAFolderWithABlank) {
  addPackage(u"sdat4400.exe");
  addPackage(u"sdat4500.exe");
  writeFile(updates + u"\\readme.txt", "read me");
  setSetting(L"LatestUpdate", u"SDAT4400.EXE");

  const Outcome first = run(u"/Path:\"" + updates + u"\" /SetDef");
  EXPECT_EQ(first.exitCode, 0u);
  EXPECT_EQ(first.err, Lines{});
  ASSERT_EQ(first.out.size(), 8u) << ::testing::PrintToString(first.out);
  EXPECT_EQ(first.out[0], u"Sigpatch V1.01.02");
  EXPECT_EQ(first.out[1], u" ");
  EXPECT_EQ(first.out[2], u"Looking for SDAT*.EXE Updates in " + updates + u"\\...");
  EXPECT_EQ(first.out[3], u"Last update on this PC: SDAT4400.EXE");
  // The two packages in the order the file system lists them.
  EXPECT_EQ((std::set<std::u16string>{first.out[4], first.out[5]}),
            (std::set<std::u16string>{u"sdat4400.exe", u"sdat4500.exe"}));
  EXPECT_EQ(first.out[6], u"Installing " + updates + u"\\sdat4500.exe...");
  EXPECT_EQ(first.out[7], u"Finished!");

  // What ran is the program's own copy, in the program's folder.
  EXPECT_EQ(record(), (Lines{programCopies() + u"\\sdat4500.exe /SILENT /REBOOT", exeFolder}));
  EXPECT_FALSE(exists(programCopies() + u"\\sdat4500.exe")) << "the copy is removed afterwards";
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
  EXPECT_EQ(setting(L"Path"), updates);
  EXPECT_EQ(setting(L"LatestRunVersion"), u"Sigpatch V1.01.02");
  EXPECT_EQ(setting(L"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(setting(L"FileMask"), u"sdat*.exe");
  const std::u16string date = setting(L"LatestUpdateDate");
  ASSERT_EQ(date.size(), 19u) << text::toUtf8(date);
  EXPECT_EQ(date.substr(4, 1) + date.substr(7, 1) + date.substr(10, 1) + date.substr(13, 1) +
                date.substr(16, 1),
            u"-- ::");

  // A silent run from the stored folder: nothing on the screen, the newer
  // package installed and recorded.
  addPackage(u"SDAT4600.EXE");
  ::DeleteFileW(wide(recordFile).c_str());
  const Outcome silent = run(u"/Silent");
  EXPECT_EQ(silent.exitCode, 0u);
  EXPECT_EQ(silent.out, Lines{});
  EXPECT_EQ(silent.err, Lines{});
  EXPECT_EQ(record(), (Lines{programCopies() + u"\\SDAT4600.EXE /SILENT /REBOOT", exeFolder}));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4600.EXE");

  // Nothing newer: listed, not installed.
  ::DeleteFileW(wide(recordFile).c_str());
  const Outcome again = run(u"/Silent");
  EXPECT_EQ(again.out, Lines{});
  EXPECT_EQ(record(), Lines{});
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4600.EXE");
}

TEST_F(SigpatchRunTest, APackageThatEndsWithAnExitCodeStillCountsAsInstalled) {
  addPackage(u"sdat4800.exe", exit7);
  const Outcome run7 = run(u"/Path:\"" + updates + u"\"");
  EXPECT_EQ(run7.exitCode, 0u);
  EXPECT_EQ(run7.err, Lines{});
  EXPECT_EQ(run7.out, (Lines{u"Sigpatch V1.01.02", u" ",
                             u"Looking for SDAT*.EXE Updates in " + updates + u"\\...",
                             u"Last update on this PC: ", u"sdat4800.exe",
                             u"Installing " + updates + u"\\sdat4800.exe...", u"Finished!"}));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4800.EXE");
  EXPECT_EQ(setting(L"Path"), updates);  // a first start keeps its folder
}

// The package runs in a job of the run: a run that is killed (by the task
// manager, by a script) takes its package with it, and nothing is recorded.
TEST_F(SigpatchRunTest, APackageEndsWithARunThatIsKilled) {
  addPackage(u"sdat4900.exe", builtProgram(SIGPATCH_HOLD_PROBE));
  const PROCESS_INFORMATION sigpatch = start(u"/Path:\"" + updates + u"\"");
  ASSERT_NE(sigpatch.hProcess, nullptr);
  // The package's number, once it runs.
  std::string package;
  for (int i = 0; i < 600 && (package = readFile(recordFile)).empty(); ++i) {
    if (::WaitForSingleObject(sigpatch.hProcess, 50) != WAIT_TIMEOUT) break;
  }
  ASSERT_FALSE(package.empty()) << "the package did not start";
  const HANDLE packageProcess = ::OpenProcess(SYNCHRONIZE, FALSE, std::stoul(package));
  ASSERT_NE(packageProcess, nullptr);

  ::TerminateProcess(sigpatch.hProcess, 1);
  EXPECT_EQ(::WaitForSingleObject(sigpatch.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(::WaitForSingleObject(packageProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the package runs on after the run was killed";
  ::CloseHandle(packageProcess);
  ::CloseHandle(sigpatch.hProcess);
  EXPECT_EQ(setting(L"LatestUpdate"), u"(missing)");
}

// Anybody could have put a package into a folder that everyone may change:
// it is not started, unless the check is switched off.
TEST_F(SigpatchRunTest, APackageFromAFolderEveryoneMayChangeIsNotStarted) {
  addPackage(u"sdat4500.exe");
  ASSERT_EQ(setSecurity(updates, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)"),
            static_cast<DWORD>(ERROR_SUCCESS));
  const Outcome refused = run(u"/Path:\"" + updates + u"\"");
  EXPECT_EQ(refused.exitCode, 1u);
  EXPECT_TRUE(holds(refused.out,
                    u"sdat4500.exe is not started, as " + updates +
                        u" is writable by Everyone (icacls \"" + updates +
                        u"\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F "
                        u"*S-1-5-32-545:(OI)(CI)RX /remove:g *S-1-1-0)."))
      << ::testing::PrintToString(refused.out);
  EXPECT_EQ(record(), Lines{});
  EXPECT_EQ(setting(L"LatestUpdate"), u"(missing)");

  setNumber(L"AllowUntrustedSource", 1);
  const Outcome allowed = run(u"/Path:\"" + updates + u"\"");
  EXPECT_EQ(allowed.exitCode, 0u) << ::testing::PrintToString(allowed.out);
  EXPECT_EQ(record(), (Lines{programCopies() + u"\\sdat4500.exe /SILENT /REBOOT", exeFolder}));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4500.EXE");
}

// With a publisher named, only a package with a sound signature of that
// publisher is started; an unsigned one is left, and tried again next time.
TEST_F(SigpatchRunTest, OnlyAPackageSignedByTheNamedPublisherIsStarted) {
  if (!underWine()) {
    GTEST_SKIP() << "the test puts a root certificate of its own among the machine's trusted roots";
  }
  const TrustedRoot root(builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\root.cer");
  ASSERT_TRUE(root.Added());
  setSetting(L"PackagePublisher", u"Ferrolite Test Publisher");
  addPackage(u"sdat4500.exe");
  const Outcome notSigned = run(u"/Path:\"" + updates + u"\"");
  EXPECT_EQ(notSigned.exitCode, 1u);
  EXPECT_TRUE(holds(notSigned.out, u"sdat4500.exe is not started, as it is not signed."))
      << ::testing::PrintToString(notSigned.out);
  EXPECT_EQ(record(), Lines{});
  EXPECT_FALSE(exists(programCopies() + u"\\sdat4500.exe"))
      << "the copy that was checked is removed";

  addPackage(u"sdat4600.exe", builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\signed.exe");
  const Outcome good = run(u"/Path:\"" + updates + u"\"");
  EXPECT_EQ(good.exitCode, 0u) << ::testing::PrintToString(good.out);
  EXPECT_EQ(record(), (Lines{programCopies() + u"\\sdat4600.exe /SILENT /REBOOT", exeFolder}));
  EXPECT_EQ(setting(L"LatestUpdate"), u"SDAT4600.EXE");
}

TEST_F(SigpatchRunTest, AFolderThatDoesNotExistIsSaidInRed) {
  const Outcome missing = run(u"/Path:\"" + work / u"No Such Folder" + u"\"");
  EXPECT_EQ(missing.out,
            (Lines{u"Sigpatch V1.01.02", u" ",
                   u"Looking for SDAT*.EXE Updates in " + work / u"No Such Folder" + u"\\...",
                   u"Last update on this PC: ",
                   u"Folder " + work / u"No Such Folder" + u"\\ does not exist!"}));
  EXPECT_EQ(setting(L"LatestUpdate"), u"(missing)");
}

TEST_F(SigpatchRunTest, TheUsageTextIsTheAboutBox) {
  const Outcome usage = run(u"/?");
  EXPECT_EQ(usage.exitCode, 0u);
  ASSERT_FALSE(usage.out.empty());
  EXPECT_NE(std::find(usage.out.begin(), usage.out.end(),
                      u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]"),
            usage.out.end())
      << ::testing::PrintToString(usage.out);
}

}  // namespace
}  // namespace sigpatch::testing
