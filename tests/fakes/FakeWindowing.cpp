#include "fakes/FakeWindowing.h"

#include <memory>
#include <stdexcept>

#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {

FakeWindowing::FakeWindowing() : app(resources::programInfo(u"sigpatch", u"/opt/sigpatch")) {}

FakeWindowing::~FakeWindowing() {
  // The windows kept for their owners go while the fake still stands.
  ReleaseAll();
}

void FakeWindowing::DoEvents() {
  ++doEventsCalls;
  HeadlessWindowing::DoEvents();
}

void FakeWindowing::End(int ExitCode) {
  ended = true;
  endCode = ExitCode;
  throw ImmediateStop{};
}

void FakeWindowing::WriteOut(std::u16string_view line) { written.emplace_back(line); }

void FakeWindowing::RunModal(toolkit::headless::HeadlessWindow& form) {
  while (form.IsVisible()) {
    if (RunPosted() || RunTimed(platform::Clock::TimePoint::max())) continue;
    throw ModalLeftOpen{form.Design().Name};
  }
}

void FakeWindowing::QueueAfter(std::chrono::milliseconds delay, std::function<void()> event) {
  PostAt(platform::clock().Now() + delay, std::move(event));
}

void FakeWindowing::QueueWhenShown(
    std::u16string name, std::function<void(toolkit::headless::HeadlessWindow&)> action) {
  // Waits for the window over at most this many turns of the event queue, so
  // that a window that never opens fails the test instead of hanging it.
  constexpr int kTurns = 1000;
  auto attempt = std::make_shared<std::function<void(int)>>();
  *attempt = [this, name = std::move(name), action = std::move(action),
              weak = std::weak_ptr<std::function<void(int)>>(attempt)](int turn) {
    auto* form = FindForm(name);
    if (form != nullptr && form->IsVisible()) return action(*form);
    if (turn >= kTurns) throw ModalLeftOpen{name};
    if (auto next = weak.lock()) Queue([next, turn] { (*next)(turn + 1); });
  };
  Queue([attempt] { (*attempt)(1); });
}

toolkit::headless::HeadlessWindow& FakeWindowing::Form(std::u16string_view name) const {
  auto* form = FindForm(name);
  if (form == nullptr) {
    throw std::logic_error("no window named " + text::toUtf8(name));
  }
  return *form;
}

toolkit::MsgBoxResult FakeWindowing::ShowMessageBox(std::u16string_view prompt,
                                                     toolkit::MsgBoxStyle style,
                                                     std::u16string_view title) {
  messages.push_back({std::u16string(prompt), style, std::u16string(title)});
  if (style != toolkit::MsgBoxStyle::YesNoQuestion) return toolkit::MsgBoxResult::OK;
  return answerYes ? toolkit::MsgBoxResult::Yes : toolkit::MsgBoxResult::No;
}

}  // namespace sigpatch::fakes
