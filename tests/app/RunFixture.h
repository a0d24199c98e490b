#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/Settings.h"
#include "fakes/ExpectedColors.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "registry/RegUtilities.h"
#include "toolkit/headless/HeadlessRichTextBox.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::testing {

/// A path of the tests written in the POSIX style, in the system's own style:
/// "/updates/sdat4500.exe" is "C:\\updates\\sdat4500.exe" on Windows.
std::u16string native(std::u16string_view posixPath);

/// One line of the output window with its colour.
struct Line {
  std::u16string text;
  std::int32_t color;
  friend bool operator==(const Line&, const Line&) = default;
  friend void PrintTo(const Line& line, std::ostream* out);
};

/// A whole program run against fakes: the registry, the disk, the processes and
/// the system, with the fake toolkit and clock.
class RunFixture : public ::testing::Test {
 public:
  RunFixture();

  /// A setting under the settings key, "<missing>" when there is none.
  std::u16string Setting(std::u16string_view name);
  void Store(std::u16string_view key, std::u16string_view name, std::u16string_view value);
  /// A setting under the settings key.
  void Set(std::u16string_view name, std::u16string_view value) {
    Store(kSettingsKey, name, value);
  }
  /// A package file in a folder of the fake disk.
  void AddPackage(const std::u16string& path);

  /// Makes the application with the command line; it may stop the program.
  Application& Start(std::u16string_view command);
  /// The entry procedure's run of the application made by Start: Execute and Terminate.
  void ExecuteAndTerminate();
  /// Start and run; false when the program stopped at once.
  bool Run(std::u16string_view command);

  /// The lines of the main window, each with its colour.
  std::vector<Line> Lines();
  /// The lines after the title line and the blank line under it.
  std::vector<Line> RunLines();
  /// Whether the main window is still open (pinned, or the run not ended).
  bool MainWindowOpen() const;
  toolkit::headless::HeadlessWindow& MainWindow() { return fake.windowing.Form(u"frmMain"); }
  bool ChooserShown() const { return fake.windowing.FindForm(u"frmSelectFolder") != nullptr; }
  /// Answers the folder chooser when it opens: OK with the text typed, or Cancel.
  void AnswerChooser(std::optional<std::u16string> typed);
  /// Closes the modal About box when it opens; `usage` then holds its text.
  void CloseAboutBox();
  std::u16string usage;

  fakes::FakePlatform fake;
  fakes::FakeRegistry registry;
  fakes::FakeFileSystemService files;
  fakes::FakeProcesses processes;
  fakes::FakeSystem system;
  std::optional<Application> app;
  /// What the chooser showed in its path box when it opened.
  std::u16string chooserProposal;
  /// The source folder the run was given.
  std::u16string runFolder;
  /// What the last run came to, and the program's exit status.
  RunOutcome outcome;
  int exitStatus = -1;

 private:
  std::vector<Line> snapshot_;
};

}  // namespace sigpatch::testing
