// The store under real processes: killed writers, writers at once, a full disk
// and a store the user may not write.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "ChildProcess.h"
#include "PosixTestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using namespace platform;
using posix::SqliteRegistry;
using posix::StoreLocations;
using testing::StoredValue;
using testing::storedValue;
using testing::utf16;

constexpr char16_t kSettings[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";

// RegUtilities over a real store, with the message boxes seen through the fake.
class Program {
 public:
  explicit Program(const std::string& path) : store(StoreLocations::singleFile(path)) {
    fake.Set([&](Platform& s) { s.registry = &store; });
  }
  std::vector<std::u16string> prompts() const {
    std::vector<std::u16string> texts;
    for (const auto& m : fake.windowing.messages) texts.push_back(m.prompt);
    return texts;
  }
  SqliteRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

std::u16string crashData(int i) {
  return u"value number " + text::dec(i) + u" " +
         std::u16string(static_cast<std::size_t>(i % 40), u'\u00E9');
}

// A child writes values in a loop and reports each write that returned 0
// through a pipe; it is killed at a random moment, 200 times over. After each
// kill the store opens and holds every acknowledged value with its data.
TEST(RegistryCrashTest, EveryAcknowledgedWriteSurvivesSigkill) {
  testing::TempFolder dir;
  const auto path = dir / "crash.db";
  const auto seed = std::random_device()();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay(0, 8000);
  std::map<int, std::u16string> acknowledged;
  int next = 0;
  int killedWhileWriting = 0;
  for (int round = 0; round < 200; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int first = next;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      SqliteRegistry store(StoreLocations::singleFile(path));
      for (int i = first;; ++i) {
        RegKey key = 0;
        if (store.CreateKeyEx(kHkeyLocalMachine, u"Crash\\K" + text::dec(i % 5), u"", 0,
                              kKeyAllAccess, key, nullptr) != 0) {
          ::_exit(3);
        }
        const auto data = utf16(crashData(i));
        const auto code = store.SetValueEx(key, u"V" + text::dec(i), kRegSz, data.data(),
                                           static_cast<std::uint32_t>(data.size()));
        store.CloseKey(key);
        if (code != 0) ::_exit(4);
        if (::write(fds[1], &i, sizeof i) != sizeof i) ::_exit(5);
      }
    }
    ::close(fds[1]);
    // Most rounds kill the writer while it writes; every fourth at any moment,
    // its start and the store's creation included.
    std::string acks;
    if (round % 4 != 0) {
      char firstAck[sizeof(int)];
      if (::read(fds[0], firstAck, sizeof firstAck) == sizeof firstAck) {
        acks.append(firstAck, sizeof firstAck);
      }
    }
    ::usleep(static_cast<useconds_t>(delay(random)));
    ::kill(pid, SIGKILL);
    acks += testing::readAll(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer failed on its own, exit " << WEXITSTATUS(status) << ", seed " << seed;
    std::vector<int> fresh;
    for (std::size_t at = 0; at + sizeof(int) <= acks.size(); at += sizeof(int)) {
      int i = 0;
      std::memcpy(&i, acks.data() + at, sizeof i);
      fresh.push_back(i);
      acknowledged[i] = crashData(i);
      next = std::max(next, i + 1);
    }
    if (!fresh.empty()) ++killedWhileWriting;
    SqliteRegistry store(StoreLocations::singleFile(path));
    for (int i : fresh) {
      ASSERT_EQ(storedValue(store, kHkeyLocalMachine, u"Crash\\K" + text::dec(i % 5),
                            u"V" + text::dec(i)),
                (StoredValue{kRegSz, utf16(crashData(i))}))
          << "round " << round << ", value " << i << ", seed " << seed;
    }
    ASSERT_EQ(store.Diagnostic(), u"") << "round " << round << ", seed " << seed;
  }
  SqliteRegistry store(StoreLocations::singleFile(path));
  for (const auto& [i, data] : acknowledged) {
    ASSERT_EQ(
        storedValue(store, kHkeyLocalMachine, u"Crash\\K" + text::dec(i % 5), u"V" + text::dec(i)),
        (StoredValue{kRegSz, utf16(data)}))
        << "value " << i << " lost by a later crash, seed " << seed;
  }
  std::printf("200 kills (%d while writing), %zu acknowledged writes all present, seed %u\n",
              killedWhileWriting, acknowledged.size(), seed);
  EXPECT_GT(killedWhileWriting, 100);
}

// 8 processes each write 500 values into one key through RegUtilities, all at
// once, starting from no store at all: none fails, none is lost.
TEST(RegistryConcurrencyTest, EightProcessesWriteIntoOneKeyAtOnce) {
  testing::TempFolder dir;
  const auto path = dir / "shared.db";
  constexpr int kProcesses = 8;
  constexpr int kValues = 500;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  std::fflush(nullptr);
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(go[1]);
      char ignored;
      (void)!::read(go[0], &ignored, 1);
      Program program(path);
      for (int i = 0; i < kValues; ++i) {
        program.reg.SetKeyValue(kSettings, u"P" + text::dec(p) + u"-" + text::dec(i),
                                Variant(u"written by " + text::dec(p) + u" as " + text::dec(i)),
                                u"REG_SZ");
      }
      for (const auto& prompt : program.prompts()) {
        std::fprintf(stderr, "process %d: %s\n", p, text::toUtf8(prompt).c_str());
      }
      ::_exit(program.prompts().empty() ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  Program program(path);
  auto records = program.reg.EnumerateAnyKey(kSettings);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->RecordCount(), kProcesses * kValues);
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kValues; ++i) {
      ASSERT_EQ(program.reg.GetKeyValue(kSettings, u"P" + text::dec(p) + u"-" + text::dec(i), u""),
                u"written by " + text::dec(p) + u" as " + text::dec(i));
    }
  }
}

// A file-size limit stands for a full disk: the write that does not fit fails
// with a code and the message; every earlier value stays.
TEST(RegistryLimitsTest, FullDiskFailsTheWriteAndKeepsEveryEarlierValue) {
  testing::TempFolder dir;
  const auto path = dir / "full.db";
  {
    Program program(path);
    for (int i = 0; i < 20; ++i) {
      program.reg.SetKeyValue(kSettings, u"Seed" + text::dec(i), Variant(u"seed " + text::dec(i)),
                              u"REG_SZ");
    }
    ASSERT_TRUE(program.prompts().empty());
  }
  const auto limit = std::filesystem::file_size(path) + 8192;
  const auto result = testing::runInChild([&](int out) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit size{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &size) != 0) return 90;
    Program program(path);
    int written = 0;
    for (int i = 0; i < 5000 && program.prompts().empty(); ++i) {
      program.reg.SetKeyValue(kSettings, u"Fill" + text::dec(i),
                              Variant(std::u16string(120, static_cast<char16_t>(u'a' + i % 26))),
                              u"REG_SZ");
      if (program.prompts().empty()) written = i + 1;
    }
    testing::writeAll(out, std::to_string(written) + "\n");
    if (!program.prompts().empty()) testing::writeAll(out, text::toUtf8(program.prompts()[0]));
    return 0;
  });
  ASSERT_EQ(result.exitCode, 0);
  std::istringstream lines(result.output);
  int written = -1;
  lines >> written;
  lines.get();
  const std::string message(std::istreambuf_iterator<char>(lines), {});
  ASSERT_GE(written, 0);
  const std::string tail = "\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Fill" +
                           std::to_string(written);
  EXPECT_TRUE(message == "Error updating registry:  1016" + tail ||
              message == "Error updating registry:  112" + tail)
      << message;
  Program program(path);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(program.reg.GetKeyValue(kSettings, u"Seed" + text::dec(i), u"lost"),
              u"seed " + text::dec(i));
  }
  for (int i = 0; i < written; ++i) {
    EXPECT_EQ(program.reg.GetKeyValue(kSettings, u"Fill" + text::dec(i), u"lost"),
              std::u16string(120, static_cast<char16_t>(u'a' + i % 26)));
  }
  EXPECT_EQ(program.reg.GetKeyValue(kSettings, u"Fill" + text::dec(written), u"absent"), u"absent");
  EXPECT_EQ(program.store.Diagnostic(), u"");
  std::printf("file-size limit: %d writes fitted, then: %s\n", written,
              message.substr(0, message.find('\r')).c_str());
}

// As root (which CI is) the child gives up its rights and runs as "nobody";
// otherwise the file is made read-only. Either way the store is one the user
// may read but not write.
TEST(RegistryReadOnlyTest, StoreTheUserMayNotWriteOpensForReadingOnly) {
  testing::TempFolder dir;
  ::chmod(dir.path().c_str(), 0755);
  const auto path = dir / "registry.db";
  Program(path).reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT4321.EXE"), u"REG_SZ");
  const bool root = ::geteuid() == 0;
  if (!root) ::chmod(path.c_str(), 0444);
  const auto missing = dir / "machine/sigpatch/registry.db";
  const auto result = testing::runInChild([&](int out) {
    if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      return 90;
    }
    Program program(path);
    std::string lines;
    for (auto access : {kKeyAllAccess, kKeyRead}) {
      RegKey key = 0;
      const auto code = program.store.OpenKeyEx(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch",
                                                0, access, key);
      lines += "open: " + std::to_string(code) + "\n";
      if (code == 0) program.store.CloseKey(key);
    }
    auto records = program.reg.EnumerateAnyKey(kSettings);
    lines += text::toUtf8(program.reg.GetKeyValue(kSettings, u"LatestUpdate", u"default") + u" " +
                          (records ? records->Fields(u"Data") : u"nothing")) +
             "\n";
    program.reg.SetKeyValue(kSettings, u"LatestUpdate", Variant(u"SDAT9999.EXE"), u"REG_SZ");
    for (const auto& prompt : program.prompts()) lines += text::toUtf8(prompt) + "\n";
    if (root) {
      // A user who may not create the machine-wide folder.
      SqliteRegistry elsewhere(StoreLocations::singleFile(missing));
      const auto x = utf16(u"x");
      lines += std::to_string(elsewhere.SetValueEx(kHkeyLocalMachine, u"V", kRegSz, x.data(), 4));
      lines += " " + text::toUtf8(elsewhere.Diagnostic()) + "\n";
    }
    testing::writeAll(out, lines);
    return 0;
  });
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(
      result.output,
      "open: 5\nopen: 0\nSDAT4321.EXE SDAT4321.EXE\n"
      "Error updating registry:  5\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\nFor "
      "variable: LatestUpdate\n" +
          (root ? "5 The registry store " + missing + " cannot be created: Permission denied\n"
                : std::string()));
  if (!root) ::chmod(path.c_str(), 0644);
  EXPECT_EQ(Program(path).reg.GetKeyValue(kSettings, u"LatestUpdate", u""), u"SDAT4321.EXE");
}

}  // namespace
}  // namespace sigpatch
