#include "fakes/FakeWindowing.h"

#include "resources/VersionInfo.h"

namespace sigpatch::fakes {

FakeWindowing::FakeWindowing() : app(resources::programInfo(u"sigpatch", u"/opt/sigpatch")) {}

void FakeWindowing::DoEvents() {
  ++doEventsCalls;
  // Only the events queued before this call run now; events they queue wait for
  // the next call, as on a real event queue.
  auto pending = std::move(queued);
  queued.clear();
  for (auto& event : pending) event();
}

void FakeWindowing::End() {
  ended = true;
  throw ImmediateStop{};
}

void FakeWindowing::ShowMessageBox(std::u16string_view prompt, platform::MsgBoxStyle style,
                                   std::u16string_view title) {
  messages.push_back({std::u16string(prompt), style, std::u16string(title)});
}

}  // namespace sigpatch::fakes
