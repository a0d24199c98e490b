#include "toolkit/headless/HeadlessWindowing.h"

#include <algorithm>
#include <chrono>

#include "platform/Platform.h"
#include "resources/Pictures.h"
#include "runtime/RuntimeError.h"

namespace sigpatch::toolkit::headless {

HeadlessWindowing::~HeadlessWindowing() { ReleaseAll(); }

void HeadlessWindowing::DoEvents() {
  Pump pump(*this);
  RunPosted();
}

void HeadlessWindowing::WaitForEvents(platform::Clock::TimePoint deadline) {
  Pump pump(*this);
  if (RunPosted() || RunTimed(deadline)) return;
  auto& time = platform::clock();
  const auto now = time.Now();
  if (deadline > now) {
    time.Sleep(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
  }
}

void HeadlessWindowing::RunEventLoop() {
  Pump pump(*this);
  while (RunPosted() || RunTimed(platform::Clock::TimePoint::max())) {
  }
}

bool HeadlessWindowing::RunPosted() {
  if (posted_.empty()) return false;
  // Only the events posted before this call run now; events they post wait for
  // the next call, as on a real event queue.
  auto pending = std::move(posted_);
  posted_.clear();
  for (auto& event : pending) event();
  return true;
}

bool HeadlessWindowing::RunTimed(platform::Clock::TimePoint deadline) {
  if (timed_.empty() || timed_.begin()->first > deadline) return false;
  auto node = timed_.extract(timed_.begin());
  auto& time = platform::clock();
  const auto now = time.Now();
  if (node.key() > now) {
    time.Sleep(std::chrono::ceil<std::chrono::milliseconds>(node.key() - now));
  }
  node.mapped()();
  return true;
}

void HeadlessWindowing::Post(std::function<void()> event) { posted_.push_back(std::move(event)); }

void HeadlessWindowing::PostAt(platform::Clock::TimePoint when, std::function<void()> event) {
  timed_.emplace(when, std::move(event));
}

std::unique_ptr<Window> HeadlessWindowing::NewForm(const FormDesign& design) {
  return std::make_unique<HeadlessWindow>(*this, design);
}

Picture HeadlessWindowing::LoadPicture(std::u16string_view resourceName) {
  const auto* picture = resources::findPicture(resourceName);
  if (picture == nullptr) throw RuntimeError(err::kFileNotFound);
  return Picture(++lastPicture_, std::u16string(picture->Name), picture->Width, picture->Height);
}

}  // namespace sigpatch::toolkit::headless
