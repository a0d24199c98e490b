// The terminal toolkit on a real POSIX terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/tty/TtyWindowing.h"
#include "resources/VersionInfo.h"

namespace sigpatch::platform::tty {
namespace {

// A real terminal: the output side of a pseudo-terminal.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
      const int slave = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
      if (slave >= 0) slave_ = ::fdopen(slave, "w");
    }
  }
  ~PseudoTerminal() {
    if (slave_ != nullptr) std::fclose(slave_);
    if (master_ >= 0) ::close(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  std::FILE* get() const { return slave_; }

 private:
  int master_ = -1;
  std::FILE* slave_ = nullptr;
};

class TerminalColorsTest : public ::testing::Test {
 protected:
  ~TerminalColorsTest() override {
    ::unsetenv("NO_COLOR");
    if (savedTerm) ::setenv("TERM", savedTerm->c_str(), 1);
  }

  bool ColorsOn(std::FILE* stream) {
    TtyWindowing tty(resources::programInfo(u"sigpatch", u"/"), u"", {}, stream, stream, stdin);
    return tty.Colors();
  }

  std::optional<std::string> savedTerm =
      std::getenv("TERM") ? std::optional<std::string>(std::getenv("TERM")) : std::nullopt;
};

TEST_F(TerminalColorsTest, ATerminalGetsColoursUnlessNoColorIsSet) {
  PseudoTerminal terminal;
  ASSERT_NE(terminal.get(), nullptr);
  ::setenv("TERM", "xterm-256color", 1);
  ::unsetenv("NO_COLOR");
  EXPECT_TRUE(ColorsOn(terminal.get()));
  ::setenv("NO_COLOR", "1", 1);
  EXPECT_FALSE(ColorsOn(terminal.get()));
  ::setenv("NO_COLOR", "", 1);
  EXPECT_TRUE(ColorsOn(terminal.get()));
  std::FILE* file = std::tmpfile();
  ::unsetenv("NO_COLOR");
  EXPECT_FALSE(ColorsOn(file));
  std::fclose(file);
}

}  // namespace
}  // namespace sigpatch::platform::tty
