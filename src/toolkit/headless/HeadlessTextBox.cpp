#include "toolkit/headless/HeadlessTextBox.h"

#include <algorithm>

#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {

void HeadlessTextBox::SetText(std::u16string_view value) {
  box_.Text = value;
  selStart_ = 0;
  selLength_ = 0;
}

void HeadlessTextBox::SetSelStart(std::int32_t value) {
  selStart_ = std::clamp(value, 0, static_cast<std::int32_t>(box_.Text.size()));
  selLength_ = 0;
}

void HeadlessTextBox::SetSelLength(std::int32_t value) {
  selLength_ = std::clamp(value, 0, static_cast<std::int32_t>(box_.Text.size()) - selStart_);
}

void HeadlessTextBox::SetSelText(std::u16string_view value) {
  const bool atEnd = selStart_ + selLength_ == static_cast<std::int32_t>(box_.Text.size());
  box_.Text.replace(selStart_, selLength_, value);
  selStart_ += static_cast<std::int32_t>(value.size());
  selLength_ = 0;
  Form().TextInserted(*this, value, 0, atEnd);
}

void HeadlessTextBox::Type(std::u16string_view value) {
  box_.Text = value;
  selStart_ = static_cast<std::int32_t>(box_.Text.size());
  selLength_ = 0;
}

}  // namespace sigpatch::toolkit::headless
