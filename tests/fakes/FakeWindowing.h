#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/FakeFolders.h"
#include "fakes/FakeForm.h"
#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "runtime/Text.h"
#include "toolkit/headless/HeadlessWindowing.h"

namespace sigpatch::fakes {

/// Thrown by End(), and not a std::exception, so that no handler of the program swallows it; and
/// when a modal window waits for the user and the test has queued nothing to close it.
struct ImmediateStop {};
struct ModalLeftOpen {
  std::u16string form;
};
struct ShownMessage {
  std::u16string prompt;
  toolkit::MsgBoxStyle style;
  std::u16string title;
};

/// A windowing layer that records what the program shows and runs queued events inside DoEvents
/// and the waits, so that a test can act in the middle of a run. Its windows are the headless
/// toolkit's: a test finds them by name and clicks, types, presses keys, resizes and closes them.
/// The waits move the installed (fake) clock instead of taking real time.
class FakeWindowing : public toolkit::headless::HeadlessWindowing {
 public:
  using WindowAction = std::function<void(toolkit::headless::HeadlessWindow&)>;
  FakeWindowing() : app(resources::programInfo(u"sigpatch", u"/opt/sigpatch")) {}
  ~FakeWindowing() override { ReleaseAll(); }  // the kept windows go while the fake stands

  const runtime::ProgramInfo& App() const override { return app; }
  std::u16string Command() const override { return command; }
  toolkit::Screen& Screen() override { return screen; }
  bool CanAsk() const override { return canAsk; }
  bool ShowsWindows() const override { return showsWindows; }
  [[noreturn]] void End(int ExitCode = 0) override { endCode = ExitCode, throw ImmediateStop{}; }
  void WriteOut(std::u16string_view line) override { written.emplace_back(line); }
  void RunModal(toolkit::headless::HeadlessWindow& form) override {
    if (auto shown = whenShown_.extract(form.Design().Name)) shown.mapped()(form);
    while (form.IsVisible()) {
      if (RunPosted() || RunTimed(platform::Clock::TimePoint::max())) continue;
      throw ModalLeftOpen{form.Design().Name};
    }
  }
  double FrameWidth() const override { return 120; }
  double FrameHeight() const override { return 450; }

  /// Runs `event` at the next DoEvents or wait, or inside the wait that reaches `delay` from now;
  /// `action` with the modal window of that name once it is shown.
  void Queue(std::function<void()> event) { Post(std::move(event)); }
  void QueueAfter(std::chrono::milliseconds delay, std::function<void()> event) {
    PostAt(platform::clock().Now() + delay, std::move(event));
  }
  void QueueWhenShown(std::u16string name, WindowAction action) {
    whenShown_[std::move(name)] = std::move(action);
  }
  /// The newest window of that name (a test failure when there is none); the message boxes' texts.
  toolkit::headless::HeadlessWindow& Form(std::u16string_view name) const {
    if (auto* form = FindForm(name)) return *form;
    throw std::logic_error("no window named " + text::toUtf8(name));
  }
  std::vector<std::u16string> Prompts() const {
    std::vector<std::u16string> prompts;
    for (const auto& message : messages) prompts.push_back(message.prompt);
    return prompts;
  }

  runtime::ProgramInfo app;
  std::u16string command;
  FakeScreen screen;
  FakeFolders folders;
  std::vector<ShownMessage> messages;
  /// The answer to Yes/No boxes; whether somebody can answer the windows, and read them (else
  /// they are a terminal's lines); the lines written on standard output.
  bool answerYes = false, canAsk = true, showsWindows = true;
  int endCode = -1;
  std::vector<std::u16string> written;

 protected:
  toolkit::MsgBoxResult ShowMessageBox(std::u16string_view prompt, toolkit::MsgBoxStyle style,
                                       std::u16string_view title) override {
    messages.push_back({std::u16string(prompt), style, std::u16string(title)});
    if (style != toolkit::MsgBoxStyle::YesNoQuestion) return toolkit::MsgBoxResult::OK;
    return answerYes ? toolkit::MsgBoxResult::Yes : toolkit::MsgBoxResult::No;
  }

 private:
  std::map<std::u16string, WindowAction> whenShown_;
};

}  // namespace sigpatch::fakes
