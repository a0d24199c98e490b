#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "fakes/FakeClock.h"
#include "fakes/FakeFolders.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"
#include "toolkit/tty/TtyColors.h"
#include "toolkit/tty/TtyWindowing.h"
#include "ui/SelectFolder.h"
#include "ui/Splash.h"

namespace sigpatch::toolkit::tty {
namespace {

using namespace std::chrono_literals;

TEST(ColorEscapeTest, BasicColoursFromTheChannels) {
  EXPECT_EQ(colorEscape(0), "");
  EXPECT_EQ(colorEscape(255), "\x1b[31m");
  EXPECT_EQ(colorEscape(16711680), "\x1b[34m");
  EXPECT_EQ(colorEscape(0x00FF00), "\x1b[32m");
  EXPECT_EQ(colorEscape(0x00FFFF), "\x1b[33m");
  EXPECT_EQ(colorEscape(0x800080), "\x1b[35m");
  EXPECT_EQ(colorEscape(0x808080), "");
  EXPECT_EQ(colorEscape(0xFFFFFF), "");
  EXPECT_EQ(colorEscape(0x00007F), "");
}

TEST(WantColorsTest, OnlyOnATerminalWithoutNoColorOrADumbTerminal) {
  EXPECT_TRUE(wantColors(true, nullptr, "xterm"));
  EXPECT_TRUE(wantColors(true, "", "xterm"));
  EXPECT_FALSE(wantColors(true, "1", "xterm"));
  EXPECT_FALSE(wantColors(true, nullptr, "dumb"));
  EXPECT_FALSE(wantColors(false, nullptr, "xterm"));
}

// A stream the test reads back.
class Capture {
 public:
  Capture() : file_(std::tmpfile()) {}
  ~Capture() { std::fclose(file_); }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::FILE* get() const { return file_; }
  std::string Text() const {
    std::fflush(file_);
    std::string all;
    std::rewind(file_);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
      all.append(buffer, n);
    }
    return all;
  }

 private:
  std::FILE* file_;
};

// Standard input with the given text.
class Input {
 public:
  explicit Input(const std::string& text) : file_(std::tmpfile()) {
    std::fputs(text.c_str(), file_);
    std::rewind(file_);
  }
  ~Input() { std::fclose(file_); }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

TtyOptions Options(std::optional<bool> colors, std::optional<bool> interactive, bool statusBar) {
  TtyOptions options;
  options.colors = colors;
  options.interactive = interactive;
  options.statusBar = statusBar;
  return options;
}

class TtyWindowingTest : public ::testing::Test {
 protected:
  // Installs a terminal toolkit over the captured streams.
  TtyWindowing& Make(TtyOptions options, std::FILE* in = nullptr) {
    tty_.emplace(resources::programInfo(u"sigpatch", u"/opt/sigpatch"), u"", options, out.get(),
                 err.get(), in == nullptr ? noInput.get() : in);
    platform::Platform services;
    services.windowing = &*tty_;
    services.clock = &clock;
    services.system = &system;
    services.drivesAndFolders = &folders;
    installed_.emplace(services);
    return *tty_;
  }

  // A window with one rich-text box, the way the main window is made.
  std::unique_ptr<Window> OutputWindow() {
    FormDesign design;
    design.Name = u"frmOut";
    design.Caption = u"Sigpatch";
    auto window = tty_->NewForm(design);
    window->AddRichTextBox(ControlDesign::At(u"tbo", 0, 0, 100, 100));
    return window;
  }

  static RichTextBox& Box(Window& window) {
    return static_cast<headless::HeadlessWindow&>(window).RichTextBoxNamed(u"tbo");
  }

  static void Line(RichTextBox& box, std::u16string_view text, std::int32_t color) {
    box.SetSelStart(box.TextLength());
    box.SetSelColor(color);
    box.SetSelText(std::u16string(text) + u"\r\n");
  }

  Capture out;
  Capture err;
  Input noInput{""};
  fakes::FakeClock clock;
  fakes::FakeSystem system;
  fakes::FakeFolders folders;
  std::optional<platform::ScopedPlatform> installed_;
  std::optional<TtyWindowing> tty_;
};

TEST_F(TtyWindowingTest, AMessageBoxIsOneLineOnStandardError) {
  auto& tty = Make({});
  tty.MsgBox(u"No Source path!");
  tty.MsgBox(u"two\r\nlines", MsgBoxStyle::Critical, u"Other");
  EXPECT_EQ(err.Text(), "Sigpatch: No Source path!\nOther: two / lines\n");
  EXPECT_EQ(out.Text(), "");
}

TEST_F(TtyWindowingTest, AShownWindowPrintsItsLinesAndEveryLineAdded) {
  Make(Options(false, std::nullopt, false));
  auto window = OutputWindow();
  auto& box = Box(*window);
  Line(box, u"Sigpatch V1.01.02", 0);
  window->Show();
  Line(box, u"Installation failed!", 255);
  EXPECT_EQ(out.Text(), "Sigpatch V1.01.02\nInstallation failed!\n");
}

TEST_F(TtyWindowingTest, AHiddenWindowPrintsNothing) {
  Make(Options(true, std::nullopt, false));
  auto window = OutputWindow();
  Line(Box(*window), u"Looking for SDAT*.EXE Updates in /srv/...", 0);
  window->Load();
  Line(Box(*window), u"Finished!", 0);
  window->Unload();
  EXPECT_EQ(out.Text(), "");
}

TEST_F(TtyWindowingTest, ColoursAreEscapesThatEndBeforeTheLineBreak) {
  Make(Options(true, std::nullopt, false));
  auto window = OutputWindow();
  window->Show();
  Line(Box(*window), u"Installing /srv/sdat4500.exe...", 16711680);
  Line(Box(*window), u"Installation failed!", 255);
  Line(Box(*window), u"Finished!", 0);
  EXPECT_EQ(out.Text(),
            "\x1b[34mInstalling /srv/sdat4500.exe...\x1b[0m\n"
            "\x1b[31mInstallation failed!\x1b[0m\n"
            "Finished!\n");
}

TEST_F(TtyWindowingTest, RedirectedOutputHasNoEscapes) {
  auto& tty = Make({});
  EXPECT_FALSE(tty.Colors());
  auto window = OutputWindow();
  window->Show();
  Line(Box(*window), u"Installation failed!", 255);
  EXPECT_EQ(out.Text(), "Installation failed!\n");
}

TEST_F(TtyWindowingTest, TextPutBeforeTheEndIsNotPrinted) {
  Make(Options(false, std::nullopt, false));
  auto window = OutputWindow();
  window->Show();
  auto& box = Box(*window);
  Line(box, u"one", 0);
  box.SetSelStart(0);
  box.SetSelText(u"zero\r\n");
  EXPECT_EQ(out.Text(), "one\n");
}

TEST_F(TtyWindowingTest, TheStatusBarIsSilentUnlessAskedFor) {
  for (const bool asked : {false, true}) {
    Make(Options(false, std::nullopt, asked));
    auto window = OutputWindow();
    auto& bar = window->AddStatusBar(ControlDesign::At(u"sbInfo", 0, 0, 0, 375),
                                     {{u"Info", u"Some status messages will appear here!"}});
    window->Show();
    bar.SetPanelText(u"Info", u"Copying");
    bar.Refresh();
  }
  EXPECT_EQ(err.Text(), "Sigpatch status: Copying\n");
}

// The folder chooser on a terminal, in the system's own path style.
class TtyFolderChooserTest : public TtyWindowingTest {
 protected:
  TtyFolderChooserTest() { folders.AddFolder(Folder() + Sep() + u"updates"); }

  static constexpr char sep = static_cast<char>(separatorOf(kNativePathStyle));
  // A folder of each test's own: ctest runs the tests side by side.
  std::string folder = ::testing::TempDir() + "sigpatch-chooser-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::u16string Folder() const { return text::fromUtf8(folder); }
  static std::u16string Sep() { return std::u16string(1, separatorOf(kNativePathStyle)); }
};

TEST_F(TtyFolderChooserTest, AnAnswerIsTheChosenFolder) {
  Input answer(folder + sep + "updates\n");
  Make(Options(std::nullopt, true, false), answer.get());
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  chooser.SetPath(Folder());
  chooser.ShowMain();
  EXPECT_TRUE(chooser.OK());
  EXPECT_EQ(chooser.Path(), Folder() + Sep() + u"updates" + Sep());
  EXPECT_EQ(err.Text(), "Select Folder [" + folder + sep + "]: ");
}

TEST_F(TtyFolderChooserTest, AnEmptyAnswerTakesTheProposal) {
  Input answer("\n");
  Make(Options(std::nullopt, true, false), answer.get());
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  chooser.SetPath(Folder() + Sep() + u"updates");
  chooser.ShowMain();
  EXPECT_TRUE(chooser.OK());
  EXPECT_EQ(chooser.Path(), Folder() + Sep() + u"updates" + Sep());
}

TEST_F(TtyFolderChooserTest, EndOfInputCancels) {
  Input answer("");
  Make(Options(std::nullopt, true, false), answer.get());
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  chooser.SetPath(Folder());
  chooser.ShowMain();
  EXPECT_FALSE(chooser.OK());
  EXPECT_EQ(chooser.Path(), Folder());
  EXPECT_EQ(err.Text(), "Select Folder [" + folder + sep + "]: \n");
}

TEST_F(TtyFolderChooserTest, WithoutATerminalToAskItCountsAsCancelled) {
  Input answer(folder + "\n");
  Make(Options(std::nullopt, false, false), answer.get());
  SelectFolder chooser;
  chooser.SetApplication(nullptr);
  chooser.ShowMain();
  EXPECT_FALSE(chooser.OK());
  EXPECT_EQ(err.Text(), "");
  EXPECT_EQ(std::fgetc(answer.get()), folder.front());  // nothing was read
}

TEST_F(TtyWindowingTest, ASplashPrintsItsLinesAndKeepsItsTwoSeconds) {
  Make(Options(false, std::nullopt, false));
  const auto start = clock.now;
  {
    Splash splash;
    splash.ShowMain();
    splash.AddText(u"Starting");
  }
  EXPECT_EQ(out.Text(), "Sigpatch V1.01.02\nFerrolite\nStarting\n");
  EXPECT_EQ(clock.now - start, 2s);
}

TEST_F(TtyWindowingTest, AModalWindowWithoutAQuestionPrintsAndCloses) {
  Make(Options(false, true, false));
  auto window = OutputWindow();
  Line(Box(*window), u"Sigpatch V1.01.02", 0);
  window->Show(ShowMode::Modal);
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(out.Text(), "Sigpatch V1.01.02\n");
}

}  // namespace
}  // namespace sigpatch::toolkit::tty
