#include "fakes/FakeWindowing.h"

#include <stdexcept>

#include "platform/Platform.h"
#include "resources/VersionInfo.h"
#include "runtime/Text.h"

namespace sigpatch::fakes {

FakeWindowing::FakeWindowing() : app(resources::programInfo(u"sigpatch", u"/opt/sigpatch")) {}

void FakeWindowing::RunModal(toolkit::headless::HeadlessWindow& form) {
  if (auto shown = whenShown_.extract(form.Design().Name)) shown.mapped()(form);
  while (form.IsVisible()) {
    if (RunPosted() || RunTimed(platform::Clock::TimePoint::max())) continue;
    throw ModalLeftOpen{form.Design().Name};
  }
}

void FakeWindowing::QueueAfter(std::chrono::milliseconds delay, std::function<void()> event) {
  PostAt(platform::clock().Now() + delay, std::move(event));
}

toolkit::headless::HeadlessWindow& FakeWindowing::Form(std::u16string_view name) const {
  auto* form = FindForm(name);
  if (form == nullptr) throw std::logic_error("no window named " + text::toUtf8(name));
  return *form;
}

std::vector<std::u16string> FakeWindowing::Prompts() const {
  std::vector<std::u16string> prompts;
  for (const auto& message : messages) prompts.push_back(message.prompt);
  return prompts;
}

toolkit::MsgBoxResult FakeWindowing::ShowMessageBox(std::u16string_view prompt,
                                                    toolkit::MsgBoxStyle style,
                                                    std::u16string_view title) {
  messages.push_back({std::u16string(prompt), style, std::u16string(title)});
  if (style != toolkit::MsgBoxStyle::YesNoQuestion) return toolkit::MsgBoxResult::OK;
  return answerYes ? toolkit::MsgBoxResult::Yes : toolkit::MsgBoxResult::No;
}

}  // namespace sigpatch::fakes
