// The console build (sigpatch-console.exe), run as a user runs it, against a folder of update
// packages that record how they were started; the settings end up in the system's registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Win32TrustSupport.h"

namespace sigpatch::testing {
namespace {

// A program's output (UTF-8, lines ending in "\r\n") with lines ending in "\n", and a listing of
// packages (lines without a blank) sorted: the file system lists them in an order of its own.
std::u16string shown(const std::string& bytes) {
  std::vector<std::u16string> lines;
  const std::u16string all = text::fromUtf8(bytes);
  for (std::size_t start = 0, end = 0; start < all.size(); start = end + 1) {
    end = std::min(all.find(u'\n', start), all.size());
    lines.push_back(all.substr(start, end - start));
    if (lines.back().ends_with(u'\r')) lines.back().pop_back();
  }
  for (auto at = lines.begin(); at != lines.end();) {
    const auto bare = [](const std::u16string& line) { return line.find(u' ') == line.npos; };
    const auto end = std::find_if_not(at, lines.end(), bare);
    std::sort(at, end);
    at = end == lines.end() ? end : end + 1;
  }
  std::u16string text;
  for (const auto& line : lines) text += line + u"\n";
  return text;
}

// A value of the settings, or "(missing)".
std::u16string setting(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  const auto error =
      ::RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
  return error == ERROR_SUCCESS ? fromWide(buffer) : u"(missing)";
}

struct Outcome {  // of one run of sigpatch-console.exe
  DWORD exitCode = 0;
  std::u16string out, err;
};

class SigpatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!underWine()) GTEST_SKIP() << "the test changes the machine's settings and trusted roots";
    clearSettings();
    ASSERT_NE(::CreateDirectoryW(wide(updates).c_str(), nullptr), 0);
    // The packages are made just before each run: they may start at once.
    setSetting(L"PackageSettleSeconds", u"0");
    // Under Wine every file belongs to the account the test runs as, trusted as a downloader's
    // account would be: the program, an administrator, starts only what the trusted could change.
    setSetting(L"TrustedOwner", testAccount());
  }
  void TearDown() override { clearSettings(); }

  // Runs sigpatch-console.exe with the argument string as typed ({u} the packages' folder, {w}
  // the test's), its output to files, to its end.
  Outcome run(const std::u16string& arguments) {
    ::DeleteFileW(wide(recordFile).c_str());
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&](const std::u16string& name, DWORD access, DWORD disposition) {
      return ::CreateFileW(wide(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = open(u"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = open(outFile, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = open(errFile, GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring line = L"\"" + wide(exe) + L"\" " + wide(filled(arguments));
    PROCESS_INFORMATION process{};
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", wide(recordFile).c_str());
    const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          wide(work.path()).c_str(), &startup, &process) != 0;
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
      ::CloseHandle(handle);
    Outcome result;
    EXPECT_TRUE(started) << text::toUtf8(fromWide(line));
    if (!started) return result;
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), DWORD{WAIT_OBJECT_0});
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    ::CloseHandle(process.hProcess), ::CloseHandle(process.hThread);
    return {result.exitCode, shown(readFile(outFile)), shown(readFile(errFile))};
  }

  std::u16string filled(const std::u16string& text) const {
    return fill(text, {{u"{u}", updates}, {u"{w}", work.path()}});
  }
  // What the program's copy of a package, started from the program's folder, writes.
  std::string ranCopyOf(const std::u16string& package) const {
    return text::toUtf8(programCopies() + u"\\" + package + u" /SILENT /REBOOT\n" +
                        exe.substr(0, exe.rfind(u'\\')) + u"\n");
  }

  std::u16string exe = builtProgram(SIGPATCH_CONSOLE_EXE);
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  std::u16string signedProbe = builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\signed.exe";
  TempFolder work{u"sigpatch e2e "};
  std::u16string updates = work / u"Update Packages";
  std::u16string recordFile = work / u"record.txt";
  std::u16string outFile = work / u"out.txt";
  std::u16string errFile = work / u"err.txt";
};

#define HEAD(folder) u"Sigpatch V1.01.02\n \nLooking for SDAT*.EXE Updates in " folder u"\\...\n"
#define LISTED u"SDAT4600.EXE\nsdat4400.exe\nsdat4500.exe\nsdat4800.exe\nsdat4900.exe\n"
#define REFUSED                                                                   \
  u"sdat5000.exe is not started, as {u} is writable by Everyone (icacls \"{u}\" " \
  u"/inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F "         \
  u"*S-1-5-32-545:(OI)(CI)RX /remove:g *S-1-1-0).\nFinished!\n"

// One run after another from a folder with a blank: what each says, the package whose copy it
// starts (in the program's folder, from its own folder) and what it records.
TEST_F(SigpatchRunTest, RunsOneAfterAnother) {
  const TrustedRoot root(builtProgram(SIGPATCH_SIGNED_PROBES) + u"\\root.cer");
  ASSERT_TRUE(root.Added());
  writeFile(updates + u"\\readme.txt", "read me");
  setSetting(L"LatestUpdate", u"SDAT4400.EXE");
  const std::u16string exit7 = builtProgram(SIGPATCH_EXIT7_PROBE);
  const auto publisher = [] { setSetting(L"PackagePublisher", u"Ferrolite Test Publisher"); };
  const auto openFolder = [&] {
    ASSERT_EQ(setSecurity(updates, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)"),
              0u);
  };
  const auto allowUntrusted = [] {
    const DWORD allow = 1;
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettingsKey, L"AllowUntrustedSource", REG_DWORD, &allow,
                      sizeof allow);
  };
  const struct {
    std::vector<std::pair<const char16_t*, const std::u16string*>> add;  // packages, what each is
    std::function<void()> before;
    const char16_t *arguments, *out;  // what the run writes, its listing of packages sorted
    DWORD exitCode;
    const char16_t *ran, *latest;  // the package whose copy ran ("" none); LatestUpdate after
  } steps[] = {
      // clang-format off
      {{{u"sdat4400.exe", &recorder}, {u"sdat4500.exe", &recorder}}, {}, u"/Path:\"{u}\" /SetDef",
       HEAD(u"{u}") u"Last update on this PC: SDAT4400.EXE\nsdat4400.exe\nsdat4500.exe\n"
       u"Installing {u}\\sdat4500.exe...\nFinished!\n", 0, u"sdat4500.exe", u"SDAT4500.EXE"},
      // Silent, from the stored folder: the newer package installed, nothing said.
      {{{u"SDAT4600.EXE", &recorder}}, {}, u"/Silent", u"", 0, u"SDAT4600.EXE", u"SDAT4600.EXE"},
      // A package that ends with an exit code of its own still counts as installed.
      {{{u"sdat4800.exe", &exit7}}, {}, u"/Silent", u"", 0, u"", u"SDAT4800.EXE"},
      {{}, {}, u"/Path:\"{w}\\No Such Folder\"", HEAD(u"{w}\\No Such Folder")
       u"Last update on this PC: SDAT4800.EXE\nFolder {w}\\No Such Folder\\ does not exist!\n", 1,
       u"", u"SDAT4800.EXE"},
      // With a publisher named, only a package with a sound signature of that publisher starts.
      {{{u"sdat4900.exe", &recorder}}, publisher, u"/Path:\"{u}\"", HEAD(u"{u}")
       u"Last update on this PC: SDAT4800.EXE\n" LISTED
       u"sdat4900.exe is not started, as it is not signed.\nFinished!\n", 1, u"", u"SDAT4800.EXE"},
      // Anybody could have put a package into a folder that everyone may change, unless the
      // check is switched off.
      {{{u"sdat5000.exe", &signedProbe}}, openFolder, u"/Path:\"{u}\"", HEAD(u"{u}")
       u"Last update on this PC: SDAT4800.EXE\n" LISTED u"sdat5000.exe\n" REFUSED, 1, u"",
       u"SDAT4800.EXE"},
      {{}, allowUntrusted, u"/Silent", u"", 0, u"sdat5000.exe", u"SDAT5000.EXE"},
      // clang-format on
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(text::toUtf8(step.arguments));
    for (const auto& [name, program] : step.add)
      ASSERT_NE(::CopyFileW(wide(*program).c_str(), wide(updates + u"\\" + name).c_str(), FALSE),
                0);
    if (step.before) step.before();
    const Outcome outcome = run(step.arguments);
    EXPECT_EQ(outcome.exitCode, step.exitCode);
    EXPECT_EQ(text::toUtf8(outcome.err), "");
    EXPECT_EQ(text::toUtf8(outcome.out), text::toUtf8(filled(step.out)));
    EXPECT_EQ(readFile(recordFile), *step.ran ? ranCopyOf(step.ran) : "");
    EXPECT_FALSE(*step.ran && exists(programCopies() + u"\\" + step.ran)) << "the copy is removed";
    EXPECT_EQ(setting(L"LatestUpdate"), step.latest);
  }
  EXPECT_EQ(setting(L"Path"), updates) << "kept from the first run";
}

}  // namespace
}  // namespace sigpatch::testing
