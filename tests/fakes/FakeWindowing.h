#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/FakeForm.h"
#include "platform/Windowing.h"

namespace sigpatch::fakes {

/// Thrown by the fake's End(): the immediate stop made observable. It is not a
/// std::exception, so no handler of the program can swallow it.
struct ImmediateStop {};

/// A message box the program showed.
struct ShownMessage {
  std::u16string prompt;
  platform::MsgBoxStyle style;
  std::u16string title;
};

/// A windowing layer that records what the program shows and runs queued events
/// inside DoEvents, so that a test can act in the middle of a run.
class FakeWindowing : public platform::Windowing {
 public:
  FakeWindowing();

  const platform::ProgramInfo& App() const override { return app; }
  std::u16string Command() const override { return command; }
  platform::Screen& Screen() override { return screen; }
  void DoEvents() override;
  [[noreturn]] void End() override;

  /// Runs `event` at the next DoEvents.
  void Queue(std::function<void()> event) { queued.push_back(std::move(event)); }

  platform::ProgramInfo app;
  std::u16string command;
  FakeScreen screen;
  std::vector<ShownMessage> messages;
  std::deque<std::function<void()>> queued;
  int doEventsCalls = 0;
  bool ended = false;

 protected:
  void ShowMessageBox(std::u16string_view prompt, platform::MsgBoxStyle style,
                      std::u16string_view title) override;
};

}  // namespace sigpatch::fakes
