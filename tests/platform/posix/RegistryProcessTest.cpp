// The store under real processes: killed writers, writers at once, a full disk.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <map>
#include <random>

#include "PosixTestSupport.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegUtilities.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch {
namespace {

using namespace platform;
using namespace testing;
using posix::SqliteRegistry;
using posix::StoreLocations;

constexpr char16_t kSettings[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";

// RegUtilities over a real store, with the message boxes seen through the fake.
struct Program {
  explicit Program(const std::string& path) : store(StoreLocations::singleFile(path)) {
    fake.Set([&](Platform& s) { s.registry = &store; });
  }
  std::string prompts() const {
    std::string texts;
    for (const auto& m : fake.windowing.messages) texts += text::toUtf8(m.prompt);
    return texts;
  }
  void set(const std::u16string& name, const std::u16string& data) {
    reg.SetKeyValue(kSettings, name, Variant(data), u"REG_SZ");
  }
  std::u16string get(const std::u16string& n) { return reg.GetKeyValue(kSettings, n, u"lost"); }
  SqliteRegistry store;
  fakes::FakePlatform fake;
  RegUtilities reg;
};

std::u16string crashKey(int i) { return u"Crash\\K" + text::dec(i % 5); }
std::u16string crashName(int i) { return u"V" + text::dec(i); }
StoredValue crashData(int i) {
  return {kRegSz, utf16(u"value " + text::dec(i) + u" " + std::u16string(i % 40, u'\u00E9'))};
}
bool crashStored(SqliteRegistry& store, int i) {
  return storedValue(store, kHkeyLocalMachine, crashKey(i), crashName(i)) == crashData(i);
}

// A child writes values in a loop and reports each write that returned 0
// through a pipe; it is killed at a random moment, 200 times over. After each
// kill the store opens and holds every acknowledged value with its data.
TEST(RegistryCrashTest, EveryAcknowledgedWriteSurvivesSigkill) {
  TempFolder dir;
  const auto path = dir / "crash.db";
  const auto seed = std::random_device()();
  std::mt19937 random(seed);
  std::set<int> acknowledged;
  int next = 0, killedWhileWriting = 0;
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round) + ", seed " + std::to_string(seed));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      SqliteRegistry store(StoreLocations::singleFile(path));
      for (int i = next;; ++i) {
        const auto v = crashData(i);
        if (storeValue(store, kHkeyLocalMachine, crashKey(i), crashName(i), v.type, v.data) != 0) {
          ::_exit(4);
        }
        if (::write(fds[1], &i, sizeof i) != sizeof i) ::_exit(5);
      }
    }
    ::close(fds[1]);
    // Most rounds kill the writer while it writes; every fourth at any moment,
    // its start and the store's creation included.
    std::string acks(round % 4 != 0 ? sizeof(int) : 0, '\0');
    if (::read(fds[0], acks.data(), acks.size()) != std::ssize(acks)) acks.clear();
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 8000)(random));
    ::kill(pid, SIGKILL);
    acks += readAll(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer failed on its own, exit " << WEXITSTATUS(status);
    SqliteRegistry store(StoreLocations::singleFile(path));
    for (std::size_t at = 0; at + sizeof(int) <= acks.size(); at += sizeof(int)) {
      int i = 0;
      std::memcpy(&i, acks.data() + at, sizeof i);
      acknowledged.insert(i);
      next = std::max(next, i + 1);
      ASSERT_TRUE(crashStored(store, i)) << i;
    }
    killedWhileWriting += acks.empty() ? 0 : 1;
    ASSERT_EQ(store.Diagnostic(), u"");
  }
  SqliteRegistry store(StoreLocations::singleFile(path));
  for (int i : acknowledged) ASSERT_TRUE(crashStored(store, i)) << i << " lost by a later crash";
  EXPECT_GT(killedWhileWriting, 100);
}

// 8 processes each write 500 values into one key through RegUtilities, all at
// once, starting from no store at all: none fails, none is lost.
TEST(RegistryConcurrencyTest, EightProcessesWriteIntoOneKeyAtOnce) {
  TempFolder dir;
  const auto path = dir / "shared.db";
  const auto name = [](int p, int i) { return u"P" + text::dec(p) + u"-" + text::dec(i); };
  const auto data = [](int p, int i) { return u"by " + text::dec(p) + u" as " + text::dec(i); };
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  std::fflush(nullptr);
  for (int p = 0; p < 8; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(go[1]);
      char ignored;
      (void)!::read(go[0], &ignored, 1);  // until the parent lets all go at once
      Program program(path);
      for (int i = 0; i < 500; ++i) program.set(name(p, i), data(p, i));
      std::fprintf(stderr, "%s", program.prompts().c_str());
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
  ASSERT_EQ(program.reg.EnumerateAnyKey(kSettings)->RecordCount(), 8 * 500);
  for (int p = 0; p < 8; ++p) {
    for (int i = 0; i < 500; ++i) ASSERT_EQ(program.get(name(p, i)), data(p, i));
  }
}

// A file-size limit stands for a full disk: the write that does not fit fails
// with a code and the message; every earlier value stays.
TEST(RegistryLimitsTest, FullDiskFailsTheWriteAndKeepsEveryEarlierValue) {
  TempFolder dir;
  const auto path = dir / "full.db";
  const auto seed = [](int i) { return u"seed " + text::dec(i); };
  const auto fill = [](int i) { return std::u16string(120, static_cast<char16_t>(u'a' + i % 26)); };
  {
    Program program(path);
    for (int i = 0; i < 20; ++i) program.set(u"Seed" + text::dec(i), seed(i));
    ASSERT_EQ(program.prompts(), "");
  }
  const auto limit = std::filesystem::file_size(path) + 8192;
  const auto result = runInChild([&](int out) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit size{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &size) != 0) return 90;
    Program program(path);
    int written = 0;
    for (; written < 5000 && program.prompts().empty(); ++written) {
      program.set(u"Fill" + text::dec(written), fill(written));
    }
    writeAll(out, std::to_string(written - 1) + "\n" + program.prompts());
    return 0;
  });
  ASSERT_EQ(result.exitCode, 0);
  const int written = std::stoi(result.output);
  const std::string message = result.output.substr(result.output.find('\n') + 1);
  const std::string tail = "\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: Fill" +
                           std::to_string(written);
  EXPECT_TRUE(message == "Error updating registry:  1016" + tail ||
              message == "Error updating registry:  112" + tail)
      << message;
  Program program(path);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(program.get(u"Seed" + text::dec(i)), seed(i));
  for (int i = 0; i < written; ++i) EXPECT_EQ(program.get(u"Fill" + text::dec(i)), fill(i));
  EXPECT_EQ(program.get(u"Fill" + text::dec(written)), u"lost");
  EXPECT_EQ(program.store.Diagnostic(), u"");
}

}  // namespace
}  // namespace sigpatch
