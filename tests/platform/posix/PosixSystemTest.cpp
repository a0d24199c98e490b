#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "PosixTestSupport.h"
#include "fakes/FakeForm.h"
#include "fakes/FakePlatform.h"
#include "platform/RegistryApi.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/FileUtilities.h"
#include "util/SysUtilities.h"

namespace sigpatch::platform::posix {
namespace {

using sigpatch::testing::asNobody;
using sigpatch::testing::readFile;
using sigpatch::testing::ScopedEnv;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

std::u16string u(const std::string& utf8) { return text::fromUtf8(utf8); }

int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(KernelReleaseTest, GivesTheFirstThreeNumbers) {
  OsVersionInfo info;
  ASSERT_TRUE(parseKernelRelease("6.1.0-18-amd64", info));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 0u);
  ASSERT_TRUE(parseKernelRelease("6.18.44-fc-v1272", info));
  EXPECT_EQ(info.dwMinorVersion, 18u);
  EXPECT_EQ(info.dwBuildNumber, 44u);
  ASSERT_TRUE(parseKernelRelease("5.10", info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwBuildNumber, 0u);
  EXPECT_FALSE(parseKernelRelease("linux", info));
}

TEST(OsReleaseTest, PrettyNameLosesItsQuotes) {
  EXPECT_EQ(osReleasePrettyName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                "(bookworm)\"\nVERSION_ID=\"12\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=Fedora"), "Fedora");
  EXPECT_EQ(osReleasePrettyName("PRETTY_NAME='Arch $Linux'"), "Arch $Linux");
  EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=\"A \\\"quoted\\\" name\""), "A \"quoted\" name");
  EXPECT_EQ(osReleasePrettyName("NAME=x\n"), "");
}

TEST(WorkAreaTest, ReadsTheFirstAreaOfXprop) {
  Rect area;
  ASSERT_TRUE(
      parseWorkArea("_NET_WORKAREA(CARDINAL) = 0, 27, 1920, 1053, 0, 27, 1920, 1053\n", area));
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 27);
  EXPECT_EQ(area.right, 1920);
  EXPECT_EQ(area.bottom, 1080);
  EXPECT_FALSE(parseWorkArea("_NET_WORKAREA:  not found.\n", area));
}

TEST(WildcardTest, StarsAndQuestionMarks) {
  EXPECT_TRUE(matchesWildcards("sdat4321.exe", "sdat*.exe"));
  EXPECT_TRUE(matchesWildcards("sdat4321.exe", "sdat????.exe"));
  EXPECT_TRUE(matchesWildcards("a", "*"));
  EXPECT_TRUE(matchesWildcards("", "*"));
  EXPECT_FALSE(matchesWildcards("SDAT4321.exe", "sdat*.exe"));
  EXPECT_FALSE(matchesWildcards("sdat.exe.bak", "sdat*.exe"));
  EXPECT_TRUE(matchesWildcards("aXbXc", "*b*c"));
}

class PosixSystemTest : public ::testing::Test {
 protected:
  PosixSystemTest() {
    fake.Set([&](Platform& services) { services.system = &system; });
  }

  fakes::FakePlatform fake;
  PosixSystem system;
  SysUtilities sys;
};

TEST_F(PosixSystemTest, TheVersionRecordIsTheKernelAndTheDistribution) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  OsVersionInfo expected;
  ASSERT_TRUE(parseKernelRelease(names.release, expected));
  const std::string pretty = osReleasePrettyName(readFile("/etc/os-release"));
  EXPECT_EQ(sys.GetPlatformId(), 100);
  EXPECT_EQ(sys.GetMajorVersion(), static_cast<std::int32_t>(expected.dwMajorVersion));
  EXPECT_EQ(sys.GetOSVersionString(), u"Linux V" + text::dec(expected.dwMajorVersion) + u"." +
                                          text::dec(expected.dwMinorVersion) + u"." +
                                          text::dec(expected.dwBuildNumber) + u" " + u(pretty));
}

TEST_F(PosixSystemTest, ApiErrorTextGivesWindowsTextsWithTheirLineBreak) {
  const std::pair<std::int32_t, const char16_t*> texts[] = {
      {2, u"The system cannot find the file specified.\r\n"},
      {3, u"The system cannot find the path specified.\r\n"},
      {5, u"Access is denied.\r\n"},
      {6, u"The handle is invalid.\r\n"},
      {32, u"The process cannot access the file because it is being used by another process.\r\n"},
      {87, u"The parameter is incorrect.\r\n"},
      {234, u"More data is available.\r\n"},
      {259, u"No more data is available.\r\n"},
      {1155, u"No application is associated with the specified file for this operation.\r\n"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(sys.ApiErrorText(code), text);
  // Every result code of the registry store has its text.
  for (std::int32_t code :
       {kErrorSuccess, kErrorFileNotFound, kErrorAccessDenied, kErrorInvalidHandle,
        kErrorOutOfMemory, kErrorNotSupported, kErrorInvalidParameter, kErrorDiskFull,
        kErrorBadPathname, kErrorBusy, kErrorMoreData, kErrorNoMoreItems, kErrorNoAccess,
        kErrorRegistryCorrupt, kErrorRegistryIoFailed, kErrorKeyDeleted}) {
    EXPECT_NE(sys.ApiErrorText(code).find(u".\r\n"), std::u16string::npos) << code;
  }
  EXPECT_EQ(sys.ApiErrorText(998), u"Invalid access to memory location.\r\n");
  EXPECT_EQ(sys.ApiErrorText(193), u"Error (193) not defined.");  // needs an insert
  EXPECT_EQ(sys.ApiErrorText(123456), u"Error (123456) not defined.");
}

TEST_F(PosixSystemTest, NamesOfMachineAndUser) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  std::string shortName = host;
  shortName = shortName.substr(0, shortName.find('.'));
  EXPECT_EQ(sys.GetMachineName(), u(shortName));
  EXPECT_EQ(sys.GetUserID(), u(getpwuid(getuid())->pw_name));
  EXPECT_EQ(sys.GetUserDomain().find(u'\0'), std::u16string::npos);
}

TEST_F(PosixSystemTest, TheTickCountIsTheTimeSinceBoot) {
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  const auto expected = static_cast<std::uint64_t>(uptime * 1000) & 0xFFFFFFFF;
  const std::uint32_t ticks = system.GetTickCount();
  EXPECT_LT(static_cast<std::uint32_t>(ticks - static_cast<std::uint32_t>(expected)), 2000u);
}

TEST_F(PosixSystemTest, SpecialFoldersAreTheXdgFolders) {
  TempFolder config;
  writeFile(config / "user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
            "XDG_MUSIC_DIR=\"/srv/music\"\n");
  ScopedEnv home("HOME", "/home/tester");
  ScopedEnv configHome("XDG_CONFIG_HOME", config.path());
  ScopedEnv dataHome("XDG_DATA_HOME", std::nullopt);
  ScopedEnv cacheHome("XDG_CACHE_HOME", "relative/ignored");
  FileUtilities fu;
  EXPECT_EQ(fu.GetSpecialPath(0x0005), u"/home/tester/Dokumente");
  EXPECT_EQ(fu.GetSpecialPath(0x000D), u"/srv/music");
  EXPECT_EQ(fu.GetSpecialPath(0x0000), u"/home/tester/Desktop");
  EXPECT_EQ(fu.GetSpecialPath(0x0010), u"/home/tester/Desktop");
  EXPECT_EQ(fu.GetSpecialPath(0x001A), u(config.path()));
  EXPECT_EQ(fu.GetSpecialPath(0x001C), u"/home/tester/.local/share");
  EXPECT_EQ(fu.GetSpecialPath(0x0020), u"/home/tester/.cache");
  EXPECT_EQ(fu.GetSpecialPath(0x0028), u"/home/tester");
  EXPECT_EQ(fu.GetSpecialPath(0x0026), u"/usr/local");
  EXPECT_EQ(fu.GetSpecialPath(0x0023), u"/var/lib");
  EXPECT_EQ(fu.GetSpecialPath(0x0003), u"");  // the control panel is no folder
  EXPECT_EQ(fu.GetSpecialPath(0x0011), u"");
}

TEST_F(PosixSystemTest, ADirectorySearchFindsFilesFoldersAndPatterns) {
  TempFolder dir;
  writeFile(dir / "sdat4321.exe", "x");
  mkdir((dir / "sub").c_str(), 0755);
  symlink((dir / "nothing").c_str(), (dir / "dangling").c_str());
  EXPECT_TRUE(system.FindFirstFile(u(dir / "sdat4321.exe")));
  EXPECT_TRUE(system.FindFirstFile(u(dir / "sub")));
  EXPECT_TRUE(system.FindFirstFile(u(dir / "sub/")));
  EXPECT_TRUE(system.FindFirstFile(u(dir / "dangling")));
  EXPECT_TRUE(system.FindFirstFile(u(dir / "sdat*.exe")));
  EXPECT_TRUE(system.FindFirstFile(u(dir / "s?b")));
  EXPECT_FALSE(system.FindFirstFile(u(dir / "*.zip")));
  EXPECT_FALSE(system.FindFirstFile(u(dir / "missing/")));
  EXPECT_FALSE(system.FindFirstFile(u(dir / "missing/*")));
  EXPECT_FALSE(system.FindFirstFile(u""));
}

// The paths sigreg's own test (tests/sigreg_smoke.sh) does not reach: links
// through other folders, what cannot be followed or written, a new file's mode.
TEST_F(PosixSystemTest, AWholeFileIsWrittenWhereItsLinksLeadOrNotAtAll) {
  TempFolder dir;
  mkdir((dir / "a").c_str(), 0755);
  mkdir((dir / "b").c_str(), 0755);
  writeFile(dir / "b/file.reg", "old");
  symlink("../b/file.reg", (dir / "a/first").c_str());
  symlink("a/first", (dir / "chain").c_str());
  symlink("loop2", (dir / "loop1").c_str());
  symlink("loop1", (dir / "loop2").c_str());
  writeFile(dir / "readonly.reg", "kept", 0444);
  const mode_t mask = ::umask(027);
  EXPECT_EQ(system.WriteWholeFile(u(dir / "new.reg"), "new"), u"");
  ::umask(mask);
  EXPECT_EQ(readFile(dir / "new.reg"), "new");
  struct stat made {};
  ASSERT_EQ(::stat((dir / "new.reg").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0640u) << "a new file has the mode the umask leaves";

  EXPECT_EQ(system.WriteWholeFile(u(dir / "chain"), "through"), u"");
  EXPECT_EQ(readFile(dir / "b/file.reg"), "through")
      << "relative links followed from their folders";
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain")) << "the link stays";
  struct Refused {
    std::string path;
    std::u16string reason;
  };
  const Refused refused[] = {
      {dir / "loop1", u"Too many levels of symbolic links"},
      {dir / "missing/new.reg",
       u"no new file can be made in " + u(dir / "missing") + u": No such file or directory"},
      {dir / "b/file.reg/x", u"Not a directory"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(system.WriteWholeFile(u(r.path), "x"), r.reason);
  }
  // A file its user may not write stays, though its folder would let a rename
  // replace it.
  EXPECT_EQ(
      asNobody([&] {
        return system.WriteWholeFile(u(dir / "readonly.reg"), "x") == u"Permission denied" ? 0 : 1;
      }),
      0);
  EXPECT_EQ(readFile(dir / "readonly.reg"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 7)
      << "no new file is left behind";
}

// Stand-ins for the desktop's and the login manager's commands, which only log
// their arguments: nothing is blanked, locked or shut down.
class DesktopCommandsTest : public PosixSystemTest {
 protected:
  DesktopCommandsTest() {
    mkdir(bin.c_str(), 0755);
    for (const char* name :
         {"xdg-screensaver", "xset", "systemctl", "loginctl", "wmctrl", "xdotool"}) {
      writeFile(bin + "/" + name,
                std::string("#!/bin/sh\necho \"") + name + " $*\" >> '" + log + "'\n", 0755);
    }
  }

  std::vector<std::string> calls() {
    std::vector<std::string> lines;
    std::istringstream in(readFile(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  TempFolder dir;
  std::string bin = dir / "bin";
  std::string log = dir / "calls.log";
  ScopedEnv path{"PATH", bin};
  ScopedEnv session{"XDG_SESSION_ID", "c7"};
};

TEST_F(DesktopCommandsTest, ScreenSaverMonitorAndSessionCommands) {
  EXPECT_TRUE(sys.StartScreenSaver());
  EXPECT_TRUE(sys.PowerSaveMonitor(2));
  EXPECT_TRUE(sys.PowerSaveMonitor(1));
  EXPECT_TRUE(sys.PowerSaveMonitor(-1));
  EXPECT_FALSE(sys.PowerSaveMonitor(5));
  sys.DisableCtrlAltDel(true);
  sys.DisableCtrlAltDel(false);
  sys.LogOffWindows();
  sys.ShutDownWindows();
  sys.RestartWindows();
  EXPECT_EQ(calls(),
            (std::vector<std::string>{
                "xdg-screensaver activate", "xset dpms force off", "xset dpms force standby",
                "xset dpms force on", "systemctl mask --runtime ctrl-alt-del.target",
                "systemctl unmask --runtime ctrl-alt-del.target", "loginctl terminate-session c7",
                "systemctl poweroff", "systemctl reboot"}));
}

TEST_F(DesktopCommandsTest, WindowsAndTheTaskBar) {
  fakes::FakeForm form;
  form.handle = 0x3a00007;
  sys.AlwaysOnTop(form, true);
  sys.AlwaysOnTop(form, false);
  sys.Taskbar(false);
  sys.Taskbar(true);
  EXPECT_EQ(
      calls(),
      (std::vector<std::string>{
          "wmctrl -i -r 0x3a00007 -b add,above", "wmctrl -i -r 0x3a00007 -b remove,above",
          "xdotool search --class "
          "^(panel|xfce4-panel|gnome-panel|mate-panel|lxpanel|tint2|polybar)$ windowunmap %@",
          "xdotool search --class "
          "^(panel|xfce4-panel|gnome-panel|mate-panel|lxpanel|tint2|polybar)$ windowmap %@"}));
}

TEST_F(DesktopCommandsTest, WithoutASessionThereIsNothingToLogOff) {
  ScopedEnv noSession("XDG_SESSION_ID", std::nullopt);
  sys.LogOffWindows();
  EXPECT_TRUE(calls().empty());
}

TEST_F(DesktopCommandsTest, MissingOrFailingCommandsAreErrorsWhereTheyCount) {
  writeFile(bin + "/xset", "#!/bin/sh\nexit 1\n", 0755);
  EXPECT_EQ(errorOf([&] { system.SetMonitorPower(2); }), 5);
  unlink((bin + "/xdg-screensaver").c_str());
  EXPECT_EQ(errorOf([&] { system.StartScreenSaver(); }), 53);
  EXPECT_FALSE(sys.StartScreenSaver());
  unlink((bin + "/systemctl").c_str());
  sys.ShutDownWindows();  // nobody looks at the result
  EXPECT_TRUE(calls().empty());
}

TEST_F(PosixSystemTest, TheAboutNoticeShowsThroughTheWindowingLayer) {
  fakes::FakeForm form;
  sys.Aboutbox(form);
  OsVersionInfo info;
  ASSERT_TRUE(system.GetVersionEx(info));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].title, u"About Sigpatch 1.01.02");
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"Sigpatch 1.01.02\n" + info.szCSDVersion + u" (Linux " +
                text::dec(info.dwMajorVersion) + u"." + text::dec(info.dwMinorVersion) + u"." +
                text::dec(info.dwBuildNumber) + u")\nCopyright \u00A9 Ferrolite");
  const auto notice = system.ShellAbout(0, u"Title#First line", u"", 0);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->title, u"About Title");
  EXPECT_EQ(notice->text.substr(0, 11), u"First line\n");
}

}  // namespace
}  // namespace sigpatch::platform::posix
