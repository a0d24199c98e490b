#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/Settings.h"
#include "fakes/ExpectedColors.h"
#include "fakes/FakeServices.h"
#include "registry/RegUtilities.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"
#include "toolkit/headless/HeadlessRichTextBox.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::testing {

using namespace std::chrono_literals;

/// A path of the tests in the POSIX style, in the system's own: "/u/a.exe" is "C:\\u\\a.exe".
inline std::u16string native(std::u16string_view posixPath) {
  if (runtime::kNativePathStyle == runtime::PathStyle::Posix) return std::u16string(posixPath);
  std::u16string path = u"C:" + std::u16string(posixPath);
  for (auto& c : path) c = c == u'/' ? u'\\' : c;
  return path;
}

/// One line of the output window with its colour.
struct Line {
  std::u16string text;
  std::int32_t color = kBlack;
  friend bool operator==(const Line&, const Line&) = default;
  friend void PrintTo(const Line& line, std::ostream* out) {
    *out << '"' << text::toUtf8(line.text) << "\" in " << line.color;
  }
};
using Lines = std::vector<Line>;
inline const Line kFinished{u"Finished!"};
constexpr auto kMissing = u"<missing>";
inline Line looking(std::u16string folder = u"/updates/", std::u16string mask = u"SDAT*.EXE") {
  return {u"Looking for " + mask + u" Updates in " + native(folder) + u"..."};
}
inline Line last(std::u16string name = u"") { return {u"Last update on this PC: " + name}; }
inline Line red(std::u16string text) { return {std::move(text), kRed}; }

/// A whole program run against fakes: the registry, the disk with the folders /updates and
/// /srv/updates, the processes and the system, with the fake toolkit and clock. The program's
/// copies of packages go to /var/lib/sigpatch/packages.
class RunFixture : public ::testing::Test {
 public:
  RunFixture() {
    system.privateFolder = native(u"/var/lib/sigpatch/packages");
    for (const auto* folder : {u"/var/lib/sigpatch/packages", u"/updates", u"/srv/updates"})
      files.disk.AddFolder(native(folder));
  }
  /// A setting under the settings key, "<missing>" when there is none.
  std::u16string Setting(std::u16string_view name) {
    return RegUtilities().GetKeyValue(kSettingsKey, name, kMissing);
  }
  void Store(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
    RegUtilities().SetKeyValue(key, name, Variant(value), u"REG_SZ");
  }
  void Set(std::u16string_view name, std::u16string_view value) {
    Store(kSettingsKey, name, value);
  }
  /// A package written an hour ago, as one the downloader has just fetched.
  void AddPackage(std::u16string_view path) {
    files.disk.AddFile(native(path), "package").modified = fake.clock.now - 1h;
  }
  /// Makes the application with the command line; it may stop the program.
  Application& Start(std::u16string_view command) {
    fake.windowing.command = command;
    return app.emplace();
  }
  /// Start, and the entry procedure's Execute and Terminate; false when the program stopped at
  /// once. The lines, the folder and the outcome are kept when the window goes with the run.
  bool Run(std::u16string_view command = u"") {
    outcome = {}, exitStatus = -1;
    try {
      Start(command).Execute();
      snapshot_ = AllLines();
      if (app->AM() != nullptr) runFolder = app->AM()->FilePath, outcome = app->AM()->Outcome();
      app->Terminate();
      exitStatus = app->ExitStatus();
      return true;
    } catch (const fakes::ImmediateStop&) {
      exitStatus = fake.windowing.endCode;
      return false;
    }
  }
  /// The lines of the main window, each with its colour.
  Lines AllLines() {
    if (fake.windowing.FindForm(u"frmMain") == nullptr) return snapshot_;
    Lines lines;
    bool open = false;
    for (const auto& run : MainWindow().RichTextBoxNamed(u"tboOutput").Runs()) {
      for (std::u16string_view rest = run.Text; !rest.empty();) {
        if (!open) lines.push_back({u"", run.Color});
        const auto end = rest.find(u"\r\n");
        lines.back().text += rest.substr(0, end);
        open = end == std::u16string_view::npos;
        rest = open ? std::u16string_view() : rest.substr(end + 2);
      }
    }
    return lines;
  }
  /// The lines after the title line and the blank line under it, from line `from` on.
  Lines RunLines(std::size_t from = 0) {
    auto lines = AllLines();
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size())),
              (Lines{{u"Sigpatch V1.01.02"}, {u" "}}));
    return {lines.begin() + std::min(2 + from, lines.size()), lines.end()};
  }
  bool MainWindowOpen() const {
    const auto* window = fake.windowing.FindForm(u"frmMain");
    return window != nullptr && window->IsLoaded();
  }
  toolkit::headless::HeadlessWindow& MainWindow() { return fake.windowing.Form(u"frmMain"); }
  /// The prompts of the message boxes shown, each ended by "|".
  std::u16string Prompts() {
    std::u16string all;
    for (const auto& message : fake.windowing.messages) all += message.prompt + u"|";
    return all;
  }

  fakes::FakeServices fake;
  fakes::FakeRegistry& registry = fake.registry;
  fakes::FakeFileSystemService& files = fake.files;
  fakes::FakeProcesses& processes = fake.processes;
  fakes::FakeSystem& system = fake.system;
  std::optional<Application> app;
  /// The source folder the run was given, what the last run came to and the exit status.
  std::u16string runFolder;
  RunOutcome outcome;
  int exitStatus = -1;

 private:
  Lines snapshot_;
};

}  // namespace sigpatch::testing
