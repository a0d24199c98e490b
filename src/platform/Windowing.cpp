#include "platform/Windowing.h"

#include "platform/Text.h"

namespace sigpatch::platform {

std::u16string titleLine(const ProgramInfo& app) {
  return app.Title + u" V" + text::dec(app.Major) + u"." + text::zeroPad(app.Minor, 2) + u"." +
         text::zeroPad(app.Revision, 2);
}

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

}  // namespace sigpatch::platform
