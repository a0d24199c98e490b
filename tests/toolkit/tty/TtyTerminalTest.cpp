// The terminal toolkit on a real POSIX terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "fakes/FakeClock.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "toolkit/controls/RichTextBox.h"
#include "toolkit/headless/HeadlessWindow.h"
#include "toolkit/tty/TtyWindowing.h"

namespace sigpatch::toolkit::tty {
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

// systemd connects a service's standard output to the journal and names that
// stream in JOURNAL_STREAM; journald reads a leading "<3>" as error priority.
TEST(TtyJournalTest, RedLinesGetTheErrorPrefixOnlyOnTheStreamJournalStreamNames) {
  struct Case {
    const char* name;
    bool named;
    const char* expected;
  };
  const Case cases[] = {
      {"standard output is the journal's stream", true,
       "Installing /srv/sdat4500.exe...\n<3>Installation failed!\n"
       "<3>Folder /srv/x does not exist!\nFinished!\n"},
      {"JOURNAL_STREAM names another file", false,
       "\x1b[34mInstalling /srv/sdat4500.exe...\x1b[0m\n\x1b[31mInstallation failed!\x1b[0m\n"
       "\x1b[31mFolder /srv/x \x1b[0m\x1b[31mdoes not exist!\x1b[0m\nFinished!\n"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    std::FILE* out = std::tmpfile();
    std::FILE* other = std::tmpfile();
    struct stat named {};
    ASSERT_EQ(::fstat(::fileno(test.named ? out : other), &named), 0);
    const std::string stream = std::to_string(named.st_dev) + ":" + std::to_string(named.st_ino);
    ::setenv("JOURNAL_STREAM", stream.c_str(), 1);
    {
      TtyOptions options;
      options.colors = true;
      TtyWindowing tty(resources::programInfo(u"sigpatch", u"/"), u"", options, out, out, stdin);
      fakes::FakeClock clock;
      platform::Platform services;
      services.windowing = &tty;
      services.clock = &clock;
      platform::ScopedPlatform installed(services);
      FormDesign design;
      design.Name = u"frmOut";
      auto window = tty.NewForm(design);
      window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100));
      auto& box = static_cast<headless::HeadlessWindow&>(*window).RichTextBoxNamed(u"tbo");
      window->Show();
      // A red line added in two pieces carries the prefix once, at its start.
      const std::pair<const char16_t*, std::int32_t> pieces[] = {
          {u"Installing /srv/sdat4500.exe...\r\n", 16711680},
          {u"Installation failed!\r\n", 255},
          {u"Folder /srv/x ", 255},
          {u"does not exist!\r\n", 255},
          {u"Finished!\r\n", 0},
      };
      for (const auto& [text, color] : pieces) {
        box.SetSelStart(box.TextLength());
        box.SetSelColor(color);
        box.SetSelText(text);
      }
    }
    ::unsetenv("JOURNAL_STREAM");
    std::string written(4096, '\0');
    std::rewind(out);
    written.resize(std::fread(written.data(), 1, written.size(), out));
    EXPECT_EQ(written, test.expected);
    std::fclose(out);
    std::fclose(other);
  }
}

}  // namespace
}  // namespace sigpatch::toolkit::tty
