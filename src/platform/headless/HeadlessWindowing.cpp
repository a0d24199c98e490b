#include "platform/headless/HeadlessWindowing.h"

#include <algorithm>
#include <chrono>

#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "resources/Pictures.h"

namespace sigpatch::platform::headless {

HeadlessWindowing::~HeadlessWindowing() { ReleaseAll(); }

HeadlessWindowing::Pump::Pump(HeadlessWindowing& w) : windowing(w) {
  if (windowing.depth_++ == 0) windowing.ReleaseClosed();
}

HeadlessWindowing::Pump::~Pump() { --windowing.depth_; }

void HeadlessWindowing::DoEvents() {
  Pump pump(*this);
  RunPosted();
}

void HeadlessWindowing::WaitForEvents(Clock::TimePoint deadline) {
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
  while (RunPosted() || RunTimed(Clock::TimePoint::max())) {
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

bool HeadlessWindowing::RunTimed(Clock::TimePoint deadline) {
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

void HeadlessWindowing::PostAt(Clock::TimePoint when, std::function<void()> event) {
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

HeadlessWindow* HeadlessWindowing::FindForm(std::u16string_view name) const {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
    if ((*it)->Design().Name == name) return *it;
  }
  return nullptr;
}

void HeadlessWindowing::Unregister(const HeadlessWindow& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
}

}  // namespace sigpatch::platform::headless
