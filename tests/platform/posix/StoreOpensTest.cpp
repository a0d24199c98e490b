// When a store is checked whole on opening: after a writer that ended without
// closing it, never for a writer that is still open.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#include "PosixTestSupport.h"
#include "platform/RegistryApi.h"
#include "platform/posix/SqliteStore.h"

namespace sigpatch::platform::posix {
namespace {

bool write(SqliteStore& store, const char16_t* name) {
  const std::uint8_t data[] = {'1', 0, 0, 0};
  return store.Write([&] {
    return store.SetValue(SqliteStore::rootId(2), name, kRegSz, data, sizeof data);
  }) == 0;
}

class StoreOpensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(write(*std::make_unique<SqliteStore>(path, StoreOptions{}), u"First"));
  }

  // Checks the store whole; whether a writer had left it open.
  bool leftOpen() {
    SqliteStore store(path, {});
    const auto check = store.CheckWhole();
    EXPECT_EQ(check.result, 0);
    EXPECT_EQ(check.closedAgain, check.leftOpen) << "a writer counts it closed again";
    return check.leftOpen;
  }

  // A writer in a process of its own that has written its value; `end` makes it
  // close the store ('c': its control pipe closes) or kills it ('k').
  struct Writer {
    pid_t pid = -1;
    int control = -1;
    void end(char how) {
      if (how == 'k') ::kill(pid, SIGKILL);
      ::close(control);
      int status = 0;
      ::waitpid(pid, &status, 0);
      EXPECT_EQ(how == 'k', WIFSIGNALED(status));
    }
  };
  Writer startWriter() {
    int fds[2];  // the child says 'w' once it has written, then waits until its end closes
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      auto store = std::make_unique<SqliteStore>(path, StoreOptions{});
      char written = write(*store, u"Second") ? 'w' : 'f';
      if (::write(fds[1], &written, 1) != 1) ::_exit(2);
      while (::read(fds[1], &written, 1) > 0) continue;
      store.reset();
      ::_exit(0);
    }
    ::close(fds[1]);
    char written = 0;
    EXPECT_TRUE(::read(fds[0], &written, 1) == 1 && written == 'w');
    return {pid, fds[0]};
  }

  sigpatch::testing::TempFolder dir;
  std::string path = dir / "registry.db";
};

// Never for a writer still open, also when another is killed beside it; a reader that may not
// write checks it whole too, but leaves the mark.
TEST_F(StoreOpensTest, AWriterKilledLeavesTheStoreToBeCheckedWholeOnce) {
  {
    SqliteStore store(path, {});
    const auto check = store.CheckWhole();
    EXPECT_FALSE(check.leftOpen);
    EXPECT_EQ(check.keys * 10 + check.values, 41) << "the four roots and a value";
  }
  auto writer = startWriter();
  EXPECT_FALSE(leftOpen());
  writer.end('c');
  EXPECT_FALSE(leftOpen());
  auto open = startWriter();
  startWriter().end('k');
  {
    SqliteStore reader(path, StoreOptions{true, {}});
    const auto check = reader.CheckWhole();
    EXPECT_TRUE(check.leftOpen && !check.closedAgain);
  }
  EXPECT_TRUE(leftOpen());
  EXPECT_FALSE(leftOpen()) << "the check marks it closed again";
  open.end('c');
  EXPECT_FALSE(leftOpen());
}

// Someone made the writers' file first, open to all, and holds every byte of it.
TEST_F(StoreOpensTest, AWritersFileOthersMayOpenIsNotBelieved) {
  const int planted = ::open((path + "-writers").c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(planted, 0);
  ASSERT_EQ(::fchmod(planted, 0666), 0);
  struct flock all {};
  all.l_type = F_WRLCK;
  all.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(planted, F_OFD_SETLK, &all), 0);
  startWriter().end('k');
  EXPECT_TRUE(leftOpen()) << "the bytes held in that file stand for no writer";
  ::close(planted);
}

}  // namespace
}  // namespace sigpatch::platform::posix
