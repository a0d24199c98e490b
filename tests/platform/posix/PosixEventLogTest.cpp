// A run's entry in the system's log as the system receives it: a child reports the run in a mount
// namespace of its own, where the journal's socket and syslog's /dev/log are sockets of the test.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <regex>

#include "PosixTestSupport.h"
#include "platform/posix/PosixEventLog.h"

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;

// What reached the journal's socket (when there is one) and syslog's; "" for none.
std::pair<std::string, std::string> report(const RunRecord& record, bool journal) {
  int sockets[2] = {::socket(AF_UNIX, SOCK_DGRAM, 0), ::socket(AF_UNIX, SOCK_DGRAM, 0)};
  const auto bindAt = [](int socket, const char* path) {
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  };
  const auto child = testing::runInChild([&](int) {
    const bool ready = ::unshare(CLONE_NEWNS) == 0 &&
                       ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                       ::mount("tmpfs", "/run", "tmpfs", 0, nullptr) == 0 &&
                       ::mount("tmpfs", "/dev", "tmpfs", 0, nullptr) == 0 &&
                       std::filesystem::create_directories("/run/systemd/journal") &&
                       bindAt(sockets[1], "/dev/log") &&
                       (!journal || bindAt(sockets[0], "/run/systemd/journal/socket"));
    if (!ready) return 3;
    PosixEventLog().Report(record);
    return 0;
  });
  std::pair<std::string, std::string> got;
  for (const auto& [fd, into] : {std::pair{sockets[0], &got.first}, {sockets[1], &got.second}}) {
    into->resize(65536);
    into->resize(std::max<ssize_t>(0, ::recv(fd, into->data(), into->size(), MSG_DONTWAIT)));
    ::close(fd);
  }
  if (child.exitCode == 3) return {"no namespace", ""};
  EXPECT_EQ(child.exitCode, 0);
  return got;
}

TEST(PosixEventLogTest, ARunIsOneJournalEntryWithItsFieldsOrASyslogLine) {
  if (::geteuid() != 0) GTEST_SKIP() << "the log is read back in a mount namespace, as root";
  const auto message = u"sdat4501.exe could not be started: 100% %s";
  const RunRecord failed{
      RunResult::Failed, u"sdat4501\n.exe", u"/srv/Mises à jour/", -1, 80ms, message, true};
  const auto [journal, syslog] = report(failed, true);
  if (journal == "no namespace") GTEST_SKIP() << "the system allows no mount namespace";
  EXPECT_EQ(syslog, "");
  for (const std::string& field : std::initializer_list<std::string>{
           "MESSAGE=sdat4501.exe could not be started: 100% %s\n", "PRIORITY=3\n",
           "SYSLOG_IDENTIFIER=sigpatch\n", "SIGPATCH_RESULT=failed\n",
           std::string("SIGPATCH_PACKAGE\n\x0d\0\0\0\0\0\0\0sdat4501\n.exe\n", 39),
           "SIGPATCH_FOLDER=/srv/Mises à jour/\n", "SIGPATCH_EXIT_STATUS=-1\n",
           "SIGPATCH_DURATION_MS=80\n"}) {
    EXPECT_NE(journal.find(field), std::string::npos) << field << " in:\n" << journal;
  }
  for (const auto& [record, line] :
       {std::pair{failed,
                  "<27>.* sigpatch\\[[0-9]+\\]: sdat4501.exe could not be started: 100% %s"},
        {RunRecord{RunResult::Installed, u"a.exe", u"/u/", 0, 1ms, u"Installed a.exe", false},
         "<30>[A-Z][a-z]{2} [ 123][0-9] [0-9:]{8} sigpatch\\[[0-9]+\\]: Installed a.exe"}}) {
    const auto [none, syslogLine] = report(record, false);
    EXPECT_EQ(none, "");
    EXPECT_TRUE(std::regex_match(syslogLine, std::regex(line))) << syslogLine;
  }
}

}  // namespace
}  // namespace sigpatch::platform::posix
