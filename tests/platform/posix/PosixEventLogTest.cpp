// A run's entry in the system's log, read back as the system received it: a
// child of the test reports the run in a mount namespace of its own, where the
// journal's socket and syslog's /dev/log are sockets of the test, and the test
// decodes what arrives.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <map>
#include <regex>

#include "PosixTestSupport.h"
#include "platform/EventLogCases.h"
#include "platform/posix/PosixEventLog.h"

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;
using Fields = std::map<std::string, std::string>;
using Datagrams = std::vector<std::string>;

// The fields of one entry in the journal's native protocol: "KEY=value\n", or,
// for a value that may hold a line break, "KEY\n", the value's length as 64-bit
// little endian, the value and "\n".
Fields decodeNative(std::string_view data) {
  Fields fields;
  for (std::size_t end; (end = data.find('\n')) != std::string_view::npos;) {
    const std::string line(data.substr(0, end));
    data.remove_prefix(end + 1);
    if (const auto equals = line.find('='); equals != std::string::npos) {
      fields[line.substr(0, equals)] = line.substr(equals + 1);
      continue;
    }
    std::uint64_t size = 0;
    for (int i = 7; i >= 0 && data.size() >= 8; --i) size = size << 8 | std::uint8_t(data[i]);
    if (data.size() < 8 || data.size() - 8 <= size || data[8 + size] != '\n') break;
    fields[line] = data.substr(8, size);
    data.remove_prefix(8 + size + 1);
  }
  EXPECT_EQ(data, "") << "a field cut short";
  return fields;
}

bool bindAt(int socket, const char* path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// Every datagram waiting at the socket.
Datagrams drain(int socket) {
  Datagrams datagrams;
  for (ssize_t size;
       (size = ::recv(socket, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT)) >= 0;) {
    std::string data(static_cast<std::size_t>(size), '\0');
    if (::recv(socket, data.data(), data.size(), MSG_DONTWAIT) < 0) break;
    datagrams.push_back(std::move(data));
  }
  return datagrams;
}

class PosixEventLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "the log is read back in a mount namespace, as root";
  }

  // Reports the run from a child in a mount namespace of its own, where
  // /run/systemd/journal and /dev are fresh tmpfs (mounted on the nearest
  // folder that exists): syslog's /dev/log is a socket of the test, the
  // journal's socket too when there is a journal. Gives what reached the
  // journal's socket and syslog's; sets `refused` when the system allows no
  // namespace.
  std::pair<Datagrams, Datagrams> report(const RunRecord& record, bool journal) {
    const int journalSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int syslogSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const auto child = sigpatch::testing::runInChild([&](int out) {
      const auto fail = [&](const std::string& step) {
        const int error = errno;
        sigpatch::testing::writeAll(out, step + ": " + std::strerror(error));
        return error == EPERM ? 3 : 2;
      };
      if (::unshare(CLONE_NEWNS) != 0) return fail("unshare(CLONE_NEWNS)");
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return fail("private");
      const char* run = ::access("/run/systemd/journal", F_OK) == 0 ? "/run/systemd/journal"
                        : ::access("/run/systemd", F_OK) == 0       ? "/run/systemd"
                                                                    : "/run";
      std::error_code fault;
      if (::mount("tmpfs", run, "tmpfs", 0, "mode=0755") != 0 ||
          (std::filesystem::create_directories("/run/systemd/journal", fault), fault)) {
        return fail("a tmpfs at /run/systemd/journal");
      }
      if (::mount("tmpfs", "/dev", "tmpfs", 0, "mode=0755") != 0) return fail("a tmpfs at /dev");
      if (!bindAt(syslogSocket, "/dev/log")) return fail("binding /dev/log");
      if (journal && !bindAt(journalSocket, "/run/systemd/journal/socket")) {
        return fail("binding the journal's socket");
      }
      PosixEventLog().Report(record);
      return 0;
    });
    std::pair<Datagrams, Datagrams> received;
    if (child.exitCode == 0) received = {drain(journalSocket), drain(syslogSocket)};
    ::close(journalSocket);
    ::close(syslogSocket);
    if (child.exitCode == 3) refused = child.output;
    EXPECT_TRUE(child.exitCode == 0 || child.exitCode == 3) << "no report: " << child.output;
    return received;
  }
  std::string refused;
};

TEST_F(PosixEventLogTest, ARunIsOneJournalEntryWithItsFields) {
  for (const auto& c : sigpatch::testing::kEventLogCases) {
    SCOPED_TRACE(c.name);
    const RunRecord& r = c.record;
    const auto [journal, syslog] = report(r, true);
    if (!refused.empty()) GTEST_SKIP() << "no mount namespace: " << refused;
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(decodeNative(journal[0]),
              (Fields{{"MESSAGE", text::toUtf8(r.Message)},
                      {"PRIORITY", c.priority},
                      {"SYSLOG_IDENTIFIER", "sigpatch"},
                      {"SIGPATCH_RESULT", c.word},
                      {"SIGPATCH_PACKAGE", text::toUtf8(r.Package)},
                      {"SIGPATCH_FOLDER", text::toUtf8(r.Folder)},
                      {"SIGPATCH_EXIT_STATUS", std::to_string(r.ExitStatus)},
                      {"SIGPATCH_DURATION_MS", std::to_string(r.Duration.count())}}));
    EXPECT_TRUE(syslog.empty());
  }
}

// Without a journal, syslog's daemon facility, as an error (3) or as information (6).
TEST_F(PosixEventLogTest, WithoutAJournalTheRunGoesToSyslog) {
  for (const auto& [isError, priority] : {std::pair{true, "<27>"}, {false, "<30>"}}) {
    const auto [journal, syslog] = report({RunResult::Failed, u"", u"/srv/updates/", 0, 5ms,
                                           u"Folder /srv/updates/ does not exist!", isError},
                                          false);
    if (!refused.empty()) GTEST_SKIP() << "no mount namespace: " << refused;
    EXPECT_TRUE(journal.empty());
    ASSERT_EQ(syslog.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        syslog[0], std::regex(std::string(priority) +
                              R"([A-Z][a-z]{2} [ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} )"
                              R"(sigpatch\[[0-9]+\]: Folder /srv/updates/ does not exist!)")))
        << syslog[0];
  }
}

}  // namespace
}  // namespace sigpatch::platform::posix
