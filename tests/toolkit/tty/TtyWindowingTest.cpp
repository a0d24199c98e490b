// The terminal toolkit over streams the test reads back. What the program's runs show on a
// terminal, and that a file gets no colours, is checked end to end (tests/e2e).

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <optional>
#include <string>

#include "fakes/FakeClock.h"
#include "fakes/FakeFolders.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "runtime/Text.h"
#include "toolkit/tty/TtyColors.h"
#include "toolkit/tty/TtyWindowing.h"
#include "ui/SelectFolder.h"

namespace sigpatch::toolkit::tty {
namespace {

TEST(TtyColorsTest, EscapesFromTheChannelsAndWhenToWriteThem) {
  const std::pair<std::int32_t, const char*> escapes[] = {
      {0x00FFFF, "\x1b[33m"}, {16711680, "\x1b[34m"}, {0x800080, "\x1b[35m"}, {0, ""},
      {0xFFFFFF, ""},         {0x00007F, ""}};
  for (const auto& [color, escape] : escapes) EXPECT_EQ(colorEscape(color), escape) << color;
  EXPECT_TRUE(wantColors(true, nullptr, "xterm") && wantColors(true, "", "xterm"));
  EXPECT_FALSE(wantColors(true, "1", "xterm") || wantColors(true, nullptr, "dumb") ||
               wantColors(false, nullptr, "xterm"));
}

// A temporary file as a stream: the text to read from it, or what was written.
struct Stream {
  explicit Stream(const std::string& text = "") {
    std::fputs(text.c_str(), file), std::rewind(file);
  }
  ~Stream() { std::fclose(file); }
  Stream(const Stream&) = delete;
  std::string Text() const {
    std::string all(1 << 16, '\0');
    std::fflush(file), std::rewind(file);
    all.resize(std::fread(all.data(), 1, all.size(), file));
    return all;
  }
  std::FILE* const file = std::tmpfile();
};

class TtyWindowingTest : public ::testing::Test {
 protected:
  // Installs a terminal toolkit over the streams, with standard input `input`.
  void Make(std::optional<bool> colors, std::optional<bool> interactive = std::nullopt,
            bool statusBar = false, const std::string& input = "") {
    installed.reset(), tty.reset();
    in.emplace(input);
    TtyOptions options;
    options.colors = colors, options.interactive = interactive, options.statusBar = statusBar;
    tty.emplace(resources::programInfo(u"sigpatch", u"/opt/sigpatch"), u"", options, out.file,
                err.file, in->file);
    platform::Platform services;
    services.windowing = &*tty, services.clock = &clock, services.system = &system;
    services.drivesAndFolders = &folders;
    installed.emplace(services);
  }

  Stream out, err;
  std::optional<Stream> in;
  fakes::FakeClock clock;
  fakes::FakeSystem system;
  fakes::FakeFolders folders;
  std::optional<TtyWindowing> tty;
  std::optional<platform::ScopedPlatform> installed;
};

// Each colour ends before its line break; a status bar and message boxes go to standard error.
TEST_F(TtyWindowingTest, AWindowPrintsItsLinesWhenShownAndThenEveryLineAddedAtTheEnd) {
  FormDesign design;
  design.Name = u"frmOut", design.Caption = u"Sigpatch";
  for (const bool colors : {true, false}) {
    Make(colors, std::nullopt, colors);  // no status bar unless asked for
    const auto written = out.Text().size(), said = err.Text().size();
    auto window = tty->NewForm(design);
    auto& box = window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100));
    auto& bar = window->AddStatusBar(ControlDesign::At(u"sb", 0, 0, 0, 375), {{u"Info", u""}});
    const auto line = [&](std::u16string_view text, std::int32_t color) {
      box.SetSelStart(box.TextLength()), box.SetSelColor(color);
      box.SetSelText(std::u16string(text) + u"\r\n");
    };
    line(u"made", 255);
    window->Load();
    line(u"loaded", 0);
    bar.Refresh();  // hidden: silent
    EXPECT_EQ(out.Text().size(), written);
    window->Show();
    box.SetSelStart(0), box.SetSelText(u"before\r\n");
    line(u"shown", 16711680);
    bar.SetPanelText(u"Info", u"Copying"), bar.Refresh();
    tty->MsgBox(u"two\r\nlines", MsgBoxStyle::Critical, u"Other");
    EXPECT_EQ(tty->MsgBox(u"Stop?", MsgBoxStyle::YesNoQuestion), MsgBoxResult::No);  // nobody
    EXPECT_EQ(
        out.Text().substr(written),
        colors ? "\x1b[31mmade\x1b[0m\nloaded\n\x1b[34mshown\x1b[0m\n" : "made\nloaded\nshown\n");
    EXPECT_EQ(err.Text().substr(said), (colors ? "Sigpatch status: Copying\n" : "") +
                                           std::string("Other: two / lines\nSigpatch: Stop?\n"));
  }
}

// The folder chooser asks on an interactive terminal, in the system's own path style.
TEST_F(TtyWindowingTest, TheFolderChooserAsksOnATerminal) {
  const auto sep = std::string(1, static_cast<char>(separatorOf(kNativePathStyle)));
  const auto home = text::toUtf8(folders.current), updates = home + sep + "updates";
  folders.AddFolder(text::fromUtf8(updates));
  const struct {
    bool interactive;
    std::string preset, input, chosen, asked;
  } rows[] = {
      {true, home, updates + "\n", "OK " + updates + sep, "Select Folder [" + home + sep + "]: "},
      {true, updates, "\n", "OK " + updates + sep, "Select Folder [" + updates + sep + "]: "},
      {true, home, "", "cancelled " + home, "Select Folder [" + home + sep + "]: \n"},
      {false, home, updates + "\n", "cancelled " + home, ""}};
  for (const auto& row : rows) {
    Make(std::nullopt, row.interactive, false, row.input);
    const auto before = err.Text().size();
    SelectFolder chooser;
    chooser.SetApplication(nullptr);
    chooser.SetPath(text::fromUtf8(row.preset));
    chooser.ShowMain();
    EXPECT_EQ((chooser.OK() ? "OK " : "cancelled ") + text::toUtf8(chooser.Path()), row.chosen);
    EXPECT_EQ(err.Text().substr(before), row.asked);
    EXPECT_EQ(out.Text(), "");  // a one-line box is a question, not lines to print
    EXPECT_TRUE(row.interactive || std::fgetc(in->file) == row.input[0]) << "nothing was read";
  }
}

#ifndef _WIN32
// systemd names the journal's stream in JOURNAL_STREAM; journald reads a leading "<3>" as error
// priority. A red line added in two pieces carries the prefix once, at its start.
TEST_F(TtyWindowingTest, RedLinesGetTheErrorPrefixOnlyOnTheStreamJournalStreamNames) {
  for (const bool named : {true, false}) {
    struct stat stream {};
    ASSERT_EQ(::fstat(::fileno(named ? out.file : err.file), &stream), 0);
    ::setenv("JOURNAL_STREAM",
             (std::to_string(stream.st_dev) + ":" + std::to_string(stream.st_ino)).c_str(), 1);
    Make(true);
    ::unsetenv("JOURNAL_STREAM");
    const auto written = out.Text().size();
    FormDesign design;
    design.Name = u"frmOut";
    auto window = tty->NewForm(design);
    auto& box = window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100));
    window->Show();
    const std::pair<const char16_t*, int> lines[] = {{u"Installing...\r\n", 16711680},
                                                     {u"Folder /srv/x ", 255},
                                                     {u"does not exist!\r\n", 255},
                                                     {u"Finished!\r\n", 0}};
    for (const auto& [text, color] : lines) {
      box.SetSelStart(box.TextLength()), box.SetSelColor(color), box.SetSelText(text);
    }
    EXPECT_EQ(out.Text().substr(written),
              named ? "Installing...\n<3>Folder /srv/x does not exist!\nFinished!\n"
                    : "\x1b[34mInstalling...\x1b[0m\n\x1b[31mFolder /srv/x \x1b[0m"
                      "\x1b[31mdoes not exist!\x1b[0m\nFinished!\n");
  }
}
#endif

}  // namespace
}  // namespace sigpatch::toolkit::tty
