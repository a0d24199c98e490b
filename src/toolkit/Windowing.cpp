#include "toolkit/Windowing.h"

#include "platform/Platform.h"

#include "runtime/ErrorReport.h"
#include "runtime/Text.h"

namespace sigpatch::toolkit {

void Windowing::KeepWhileLoaded(const Window& form, std::shared_ptr<void> owner) {
  if (!form.IsLoaded()) return;
  kept_.push_back({&form, std::move(owner)});
}

void Windowing::FormUnloaded(const Window& form) {
  // The owner goes later: the window's own event handler may still be running.
  for (auto it = kept_.begin(); it != kept_.end();) {
    if (it->form == &form) {
      closed_.push_back(std::move(it->owner));
      it = kept_.erase(it);
    } else {
      ++it;
    }
  }
}

void Windowing::ReleaseAll() {
  // Owners may close further windows while they go; take them out first.
  while (!kept_.empty() || !closed_.empty()) {
    auto kept = std::move(kept_);
    kept_.clear();
    auto closed = std::move(closed_);
    closed_.clear();
    kept.clear();
    closed.clear();
  }
}

Windowing::Pump::Pump(Windowing& windowing) : windowing_(windowing) {
  if (windowing_.depth_++ == 0) windowing_.ReleaseAtTop();
}

Windowing::Pump::~Pump() { --windowing_.depth_; }

void Windowing::Deliver(const std::function<void()>& handler) {
  HandlerScope running(*this);
  try {
    handler();
  } catch (const std::exception& e) {
    MsgBox(unhandledFaultText(e), MsgBoxStyle::Critical);
  }
}

void doEvents() {
  if (auto* installed = platform::current().windowing) installed->DoEvents();
}

}  // namespace sigpatch::toolkit
