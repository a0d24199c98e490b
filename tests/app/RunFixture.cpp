#include "app/RunFixture.h"

#include "app/AppMain.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"

namespace sigpatch::testing {

void PrintTo(const Line& line, std::ostream* out) {
  *out << '"' << text::toUtf8(line.text) << "\" in " << line.color;
}

std::u16string native(std::u16string_view posixPath) {
  if (runtime::kNativePathStyle == runtime::PathStyle::Posix) return std::u16string(posixPath);
  std::u16string path = u"C:" + std::u16string(posixPath);
  for (auto& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

RunFixture::RunFixture() {
  fake.Set([&](platform::Platform& services) {
    services.registry = &registry;
    services.fileSystem = &files;
    services.processes = &processes;
    services.system = &system;
  });
  system.privateFolder = native(u"/var/lib/sigpatch/packages");
  files.disk.AddFolder(system.privateFolder);
}

std::u16string RunFixture::Setting(std::u16string_view name) {
  return RegUtilities().GetKeyValue(kSettingsKey, name, u"<missing>");
}

void RunFixture::Store(std::u16string_view key, std::u16string_view name,
                       std::u16string_view value) {
  RegUtilities().SetKeyValue(key, name, Variant(value), u"REG_SZ");
}

void RunFixture::AddPackage(const std::u16string& path) {
  // Written an hour ago, as a package the downloader has just fetched.
  files.disk.AddFile(path, "package").modified = fake.clock.now - std::chrono::hours(1);
}

Application& RunFixture::Start(std::u16string_view command) {
  fake.windowing.command = command;
  app.emplace();
  return *app;
}

void RunFixture::ExecuteAndTerminate() {
  app->Execute();
  // The window goes with the controller when the run ends; keep what it showed.
  snapshot_ = Lines();
  if (app->AM() != nullptr) {
    runFolder = app->AM()->FilePath;
    outcome = app->AM()->Outcome();
  }
  app->Terminate();
  exitStatus = app->ExitStatus();
}

bool RunFixture::MainWindowOpen() const {
  const auto* window = fake.windowing.FindForm(u"frmMain");
  return window != nullptr && window->IsLoaded();
}

bool RunFixture::Run(std::u16string_view command) {
  outcome = {};
  exitStatus = -1;
  try {
    Start(command);
    ExecuteAndTerminate();
    return true;
  } catch (const fakes::ImmediateStop&) {
    exitStatus = fake.windowing.endCode;
    return false;
  }
}

std::vector<Line> RunFixture::Lines() {
  if (fake.windowing.FindForm(u"frmMain") == nullptr) return snapshot_;
  std::vector<Line> lines;
  bool open = false;
  for (const auto& run : MainWindow().RichTextBoxNamed(u"tboOutput").Runs()) {
    std::u16string_view rest = run.Text;
    while (!rest.empty()) {
      if (!open) lines.push_back({u"", run.Color});
      const auto end = rest.find(u"\r\n");
      lines.back().text += rest.substr(0, end);
      open = end == std::u16string_view::npos;
      rest = open ? std::u16string_view() : rest.substr(end + 2);
    }
  }
  return lines;
}

std::vector<Line> RunFixture::RunLines() {
  auto lines = Lines();
  EXPECT_GE(lines.size(), 2u);
  if (lines.size() >= 2) {
    EXPECT_EQ(lines[0], (Line{u"Sigpatch V1.01.02", kBlack}));
    EXPECT_EQ(lines[1], (Line{u" ", kBlack}));
    lines.erase(lines.begin(), lines.begin() + 2);
  }
  return lines;
}

void RunFixture::CloseAboutBox() {
  fake.windowing.QueueWhenShown(u"frmAbout", [this](auto& box) {
    usage = box.RichTextBoxNamed(u"txtText").Text();
    box.ButtonNamed(u"cmdOK").Click();
  });
}

void RunFixture::AnswerChooser(std::optional<std::u16string> typed) {
  fake.windowing.QueueWhenShown(u"frmSelectFolder", [this, typed](auto& dialog) {
    auto& path = dialog.TextBoxNamed(u"tboPath");
    chooserProposal = path.Text();
    if (typed) {
      path.Type(*typed);
      dialog.ButtonNamed(u"cmdOK").Click();
    } else {
      dialog.ButtonNamed(u"cmdCancel").Click();
    }
  });
}

}  // namespace sigpatch::testing
