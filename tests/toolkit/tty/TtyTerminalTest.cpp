// The terminal toolkit on the journal's stream. That a file gets no colours is checked end to end
// (tests/e2e), whose runs write to files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "fakes/FakeClock.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "toolkit/tty/TtyWindowing.h"

namespace sigpatch::toolkit::tty {
namespace {

// systemd connects a service's standard output to the journal and names that stream in
// JOURNAL_STREAM; journald reads a leading "<3>" as error priority. A red line added in two pieces
// carries the prefix once, at its start.
TEST(TtyTerminalTest, RedLinesGetTheErrorPrefixOnlyOnTheStreamJournalStreamNames) {
  for (const bool named : {true, false}) {
    std::FILE* out = std::tmpfile();
    std::FILE* other = std::tmpfile();
    struct stat stream {};
    ASSERT_EQ(::fstat(::fileno(named ? out : other), &stream), 0);
    ::setenv("JOURNAL_STREAM",
             (std::to_string(stream.st_dev) + ":" + std::to_string(stream.st_ino)).c_str(), 1);
    {
      TtyOptions options;
      options.colors = true;
      TtyWindowing tty(resources::programInfo(u"sigpatch", u"/"), u"", options, out, out, stdin);
      fakes::FakeClock clock;
      platform::Platform services;
      services.windowing = &tty, services.clock = &clock;
      platform::ScopedPlatform installed(services);
      FormDesign design;
      design.Name = u"frmOut";
      auto window = tty.NewForm(design);
      auto& box = window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100));
      window->Show();
      for (const auto& [text, color] :
           std::initializer_list<std::pair<const char16_t*, int>>{{u"Installing...\r\n", 16711680},
                                                                  {u"Folder /srv/x ", 255},
                                                                  {u"does not exist!\r\n", 255},
                                                                  {u"Finished!\r\n", 0}}) {
        box.SetSelStart(box.TextLength()), box.SetSelColor(color), box.SetSelText(text);
      }
    }
    ::unsetenv("JOURNAL_STREAM");
    std::string written(4096, '\0');
    std::rewind(out);
    written.resize(std::fread(written.data(), 1, written.size(), out));
    EXPECT_EQ(written, named ? "Installing...\n<3>Folder /srv/x does not exist!\nFinished!\n"
                             : "\x1b[34mInstalling...\x1b[0m\n\x1b[31mFolder /srv/x \x1b[0m"
                               "\x1b[31mdoes not exist!\x1b[0m\nFinished!\n");
    std::fclose(out), std::fclose(other);
  }
}

}  // namespace
}  // namespace sigpatch::toolkit::tty
