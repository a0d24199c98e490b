#include "toolkit/headless/HeadlessStatusBar.h"

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {

StatusPanel& HeadlessStatusBar::Find(std::u16string_view key) {
  const auto wanted = text::toUpper(key);
  for (auto& panel : panels_) {
    if (text::toUpper(panel.Key) == wanted) return panel;
  }
  throw RuntimeError(err::kElementNotFound);
}

std::u16string HeadlessStatusBar::PanelText(std::u16string_view key) const {
  return const_cast<HeadlessStatusBar*>(this)->Find(key).Text;
}

void HeadlessStatusBar::SetPanelText(std::u16string_view key, std::u16string_view value) {
  Find(key).Text = value;
}

void HeadlessStatusBar::Refresh() {
  ++refreshes_;
  Form().StatusRefreshed(*this);
}

}  // namespace sigpatch::toolkit::headless
