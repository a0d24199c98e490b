// A run's entry in the system's log, read back as the system received it:
// from the machine's journald when it runs one; else a child of the test
// reports the run in a mount namespace of its own, where the journal's socket
// and syslog's /dev/log are sockets of the test, and the test decodes what
// arrives.

#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "platform/posix/PosixEventLog.h"
#include "runtime/Text.h"

extern char** environ;

namespace sigpatch::platform::posix {
namespace {

using namespace std::chrono_literals;
using Fields = std::map<std::string, std::string>;
using testing::readAll;
using testing::runInChild;
using testing::writeAll;

constexpr const char* kJournalSocket = "/run/systemd/journal/socket";

bool isSocket(const char* path) {
  struct stat info {};
  return ::stat(path, &info) == 0 && S_ISSOCK(info.st_mode);
}

// systemd as PID 1 with its journal listening.
bool machineRunsJournald() {
  std::ifstream comm("/proc/1/comm");
  std::string name;
  std::getline(comm, name);
  return name == "systemd" && isSocket(kJournalSocket);
}

// The fields of one entry in the journal's native protocol: "KEY=value\n", or,
// for a value that may hold a line break, "KEY\n", the value's length as 64-bit
// little endian, the value and "\n".
Fields decodeNative(std::string_view data) {
  Fields fields;
  while (!data.empty()) {
    const auto lineEnd = data.find('\n');
    if (lineEnd == std::string_view::npos) {
      ADD_FAILURE() << "a field without its line end: " << data;
      break;
    }
    const auto equals = data.substr(0, lineEnd).find('=');
    if (equals != std::string_view::npos) {
      fields[std::string(data.substr(0, equals))] = data.substr(equals + 1, lineEnd - equals - 1);
      data.remove_prefix(lineEnd + 1);
      continue;
    }
    const std::string key(data.substr(0, lineEnd));
    data.remove_prefix(lineEnd + 1);
    std::uint64_t size = 0;
    for (int i = 7; i >= 0 && data.size() >= 8; --i) {
      size = size << 8 | static_cast<unsigned char>(data[i]);
    }
    if (data.size() < 8 || data.size() - 8 <= size || data[8 + size] != '\n') {
      ADD_FAILURE() << "a binary field " << key << " cut short";
      break;
    }
    fields[key] = data.substr(8, size);
    data.remove_prefix(8 + size + 1);
  }
  return fields;
}

// The fields of one line of `journalctl -o json`: an object without blanks
// whose values are strings, arrays of byte values (for values that are not
// printable text) or null; the journal's own fields ("_" first) left out.
Fields decodeJson(const std::string& json) {
  Fields fields;
  std::size_t at = 0;
  auto string = [&] {
    std::string value;
    while (++at < json.size() && json[at] != '"') {
      char c = json[at];
      if (c == '\\' && ++at < json.size()) {
        c = json[at];
        if (c == 'u') {
          c = static_cast<char>(std::stoi(json.substr(at + 1, 4), nullptr, 16));
          at += 4;
        } else if (const auto i = std::string_view("bfnrt").find(c); i != std::string_view::npos) {
          c = "\b\f\n\r\t"[i];
        }
      }
      value += c;
    }
    ++at;
    return value;
  };
  while (at < json.size() && json[at] != '}') {
    ++at;  // past '{' or ','
    const std::string key = string();
    ++at;  // past ':'
    std::string value;
    if (json[at] == '"') {
      value = string();
    } else if (json[at] == '[') {
      for (char* end = nullptr; json[at] != ']';
           at = static_cast<std::size_t>(end - json.c_str())) {
        value += static_cast<char>(std::strtol(json.c_str() + at + 1, &end, 10));
      }
      ++at;
    } else {
      at = json.find_first_of(",}", at);
    }
    if (!key.starts_with('_')) fields[key] = value;
  }
  return fields;
}

// The entry of the machine's journal whose SIGPATCH_FOLDER is `folder`: the
// journal is followed until it shows the entry, so no time is guessed.
std::optional<Fields> readFromJournald(const std::string& folder, std::string& failure) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const std::string match = "SIGPATCH_FOLDER=" + folder;
  const char* argv[] = {"journalctl",    "--follow",    "--lines=all",
                        "--output=json", match.c_str(), nullptr};
  pid_t pid = 0;
  const int spawned =
      ::posix_spawnp(&pid, "journalctl", &actions, nullptr, const_cast<char**>(argv), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string line;
  if (spawned == 0) {
    // Only a journal that never shows the entry runs into this bound.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    pollfd wait{pipeFds[0], POLLIN, 0};
    char c = 0;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline &&
           ::poll(&wait, 1, 1000) >= 0) {
      if ((wait.revents & (POLLIN | POLLHUP)) == 0) continue;
      if (::read(pipeFds[0], &c, 1) != 1) break;
      line += c;
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  ::close(pipeFds[0]);
  if (line.find('\n') == std::string::npos) {
    failure = spawned != 0 ? "journalctl cannot be started: " + std::string(std::strerror(spawned))
                           : "journalctl showed no entry with " + match;
    return std::nullopt;
  }
  return decodeJson(line);
}

// What a child of the test sent to the journal's socket and to syslog's.
struct Received {
  std::vector<std::string> journal;
  std::vector<std::string> syslog;
};

enum class Journal { Listening, Refusing, Absent };

bool bindAt(int socket, const char* path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// A fresh tmpfs at /run/systemd/journal, mounted there or on the nearest
// folder above it that exists.
bool freshJournalFolder() {
  for (const char* at : {"/run/systemd/journal", "/run/systemd", "/run"}) {
    if (::access(at, F_OK) != 0) continue;
    if (::mount("tmpfs", at, "tmpfs", 0, "mode=0755") != 0) return false;
    std::error_code fault;
    std::filesystem::create_directories("/run/systemd/journal", fault);
    return !fault;
  }
  return false;
}

// Every datagram waiting at the socket. A datagram that carries a file (an
// entry too large for a datagram comes as a sealed memfd) stands for its contents.
std::vector<std::string> drain(int socket) {
  std::vector<std::string> datagrams;
  for (ssize_t size;
       (size = ::recv(socket, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT)) >= 0;) {
    std::string data(static_cast<std::size_t>(size), '\0');
    iovec part{data.data(), data.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(socket, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC) < 0) break;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
      int file = -1;
      std::memcpy(&file, CMSG_DATA(c), sizeof file);
      ::lseek(file, 0, SEEK_SET);
      data = readAll(file);
      ::close(file);
    }
    datagrams.push_back(std::move(data));
  }
  return datagrams;
}

// Reports the run from a child in a mount namespace of its own, where
// /run/systemd/journal and /dev are fresh tmpfs: syslog's /dev/log is a
// socket of the test, the journal's socket too when it listens. Nothing, with
// the reason, when the system allows no such namespace.
std::optional<Received> reportInNamespace(const RunRecord& record, Journal journal,
                                          std::string& refused) {
  const int journalSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int syslogSocket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const auto child = runInChild([&](int out) {
    auto fail = [&](const std::string& step) {
      const int error = errno;
      writeAll(out, step + ": " + std::strerror(error));
      return error == EPERM ? 3 : 2;
    };
    if (::unshare(CLONE_NEWNS) != 0) return fail("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      return fail("making the mounts private");
    }
    if (!freshJournalFolder()) return fail("a tmpfs at /run/systemd/journal");
    if (::mount("tmpfs", "/dev", "tmpfs", 0, "mode=0755") != 0) return fail("a tmpfs at /dev");
    if (!bindAt(syslogSocket, "/dev/log")) return fail("binding /dev/log");
    if (journal == Journal::Listening && !bindAt(journalSocket, kJournalSocket)) {
      return fail("binding the journal's socket");
    }
    if (journal == Journal::Refusing) {
      // Its file stays when it closes: a socket nobody listens on.
      const int gone = ::socket(AF_UNIX, SOCK_DGRAM, 0);
      if (!bindAt(gone, kJournalSocket)) return fail("binding the journal's socket");
      ::close(gone);
    }
    PosixEventLog().Report(record);
    return 0;
  });
  std::optional<Received> received;
  if (child.exitCode == 0) received = Received{drain(journalSocket), drain(syslogSocket)};
  ::close(journalSocket);
  ::close(syslogSocket);
  if (child.exitCode == 3) refused = child.output;
  if (child.exitCode != 0 && child.exitCode != 3) {
    ADD_FAILURE() << "the child could not report: " << child.output;
  }
  return received;
}

const char* const kNoNamespace =
    "the entry is read back from the machine's journald (systemd as PID 1) or, as root, from "
    "sockets of the test's own in a mount namespace; this is neither";

struct JournalCase {
  const char* name;
  RunRecord record;
  Fields entry;
};

const JournalCase kJournalCases[] = {
    {"an installed package, as information",
     {RunResult::Installed, u"sdat4500.exe", u"/srv/updates/", 0, 2345ms,
      u"Installed sdat4500.exe from /srv/updates/", false},
     {{"MESSAGE", "Installed sdat4500.exe from /srv/updates/"},
      {"PRIORITY", "6"},
      {"SYSLOG_IDENTIFIER", "sigpatch"},
      {"SIGPATCH_RESULT", "installed"},
      {"SIGPATCH_PACKAGE", "sdat4500.exe"},
      {"SIGPATCH_FOLDER", "/srv/updates/"},
      {"SIGPATCH_EXIT_STATUS", "0"},
      {"SIGPATCH_DURATION_MS", "2345"}}},
    {"a failed start as an error: a format's marks in the text, a line break in the name",
     {RunResult::Failed, u"sdat4501\n.exe", u"/srv/Mises à jour/", -1, 80ms,
      u"sdat4501.exe could not be started: 100% %s %d", true},
     {{"MESSAGE", "sdat4501.exe could not be started: 100% %s %d"},
      {"PRIORITY", "3"},
      {"SYSLOG_IDENTIFIER", "sigpatch"},
      {"SIGPATCH_RESULT", "failed"},
      {"SIGPATCH_PACKAGE", "sdat4501\n.exe"},
      {"SIGPATCH_FOLDER", "/srv/Mises à jour/"},
      {"SIGPATCH_EXIT_STATUS", "-1"},
      {"SIGPATCH_DURATION_MS", "80"}}},
};

TEST(PosixEventLogTest, ARunIsOneJournalEntryWithItsFields) {
  const bool journald = machineRunsJournald();
  if (!journald && ::geteuid() != 0) GTEST_SKIP() << kNoNamespace;
  for (const auto& test : kJournalCases) {
    SCOPED_TRACE(test.name);
    RunRecord record = test.record;
    Fields expected = test.entry;
    if (journald) {
      // A folder of this test's own finds its entry among the machine's.
      const std::string unique = "/tmp/sigpatch-journal-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(std::random_device()());
      record.Folder = text::fromUtf8(unique) + record.Folder;
      expected["SIGPATCH_FOLDER"] = unique + expected["SIGPATCH_FOLDER"];
      PosixEventLog().Report(record);
      std::string failure;
      const auto entry = readFromJournald(expected["SIGPATCH_FOLDER"], failure);
      ASSERT_TRUE(entry) << failure;
      EXPECT_EQ(*entry, expected);
      continue;
    }
    std::string refused;
    const auto received = reportInNamespace(record, Journal::Listening, refused);
    if (!refused.empty()) GTEST_SKIP() << "no mount namespace: " << refused;
    ASSERT_TRUE(received);
    ASSERT_EQ(received->journal.size(), 1u);
    EXPECT_EQ(decodeNative(received->journal[0]), expected);
    EXPECT_TRUE(received->syslog.empty());
  }
}

TEST(PosixEventLogTest, WithoutAJournalTheRunGoesToSyslog) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "syslog is read back in a mount namespace, which needs root";
  struct Case {
    const char* name;
    Journal journal;
    bool isError;
    const char* priority;  // the daemon facility's error or information
  };
  const Case cases[] = {
      {"no journal socket at all", Journal::Absent, true, "<27>"},
      {"a journal socket nobody listens on", Journal::Refusing, false, "<30>"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const RunRecord record{
        RunResult::Failed, u"", u"/srv/updates/", 0, 5ms, u"Folder /srv/updates/ does not exist!",
        test.isError};
    std::string refused;
    const auto received = reportInNamespace(record, test.journal, refused);
    if (!refused.empty()) GTEST_SKIP() << "no mount namespace: " << refused;
    ASSERT_TRUE(received);
    EXPECT_TRUE(received->journal.empty());
    ASSERT_EQ(received->syslog.size(), 1u);
    std::smatch line;
    ASSERT_TRUE(std::regex_match(
        received->syslog[0], line,
        std::regex(
            std::string(test.priority) +
            R"([A-Z][a-z]{2} [ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} sigpatch\[[0-9]+\]: (.*))")))
        << received->syslog[0];
    EXPECT_EQ(line[1], "Folder /srv/updates/ does not exist!");
  }
}

}  // namespace
}  // namespace sigpatch::platform::posix
