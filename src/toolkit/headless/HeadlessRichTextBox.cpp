#include "toolkit/headless/HeadlessRichTextBox.h"

#include <algorithm>

#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {

void HeadlessRichTextBox::SetText(std::u16string_view value) {
  text_ = value;
  colors_.assign(text_.size(), 0);
  selStart_ = 0;
  selLength_ = 0;
  selColor_ = 0;
}

void HeadlessRichTextBox::SetSelStart(std::int32_t value) {
  selStart_ = std::clamp(value, 0, TextLength());
  selLength_ = 0;
  selColor_ = selStart_ > 0 ? colors_[selStart_ - 1] : (colors_.empty() ? 0 : colors_[0]);
}

void HeadlessRichTextBox::SetSelLength(std::int32_t value) {
  selLength_ = std::clamp(value, 0, TextLength() - selStart_);
}

void HeadlessRichTextBox::SetSelColor(std::int32_t value) {
  selColor_ = value;
  std::fill_n(colors_.begin() + selStart_, selLength_, value);
}

void HeadlessRichTextBox::SetSelText(std::u16string_view value) {
  const bool atEnd = selStart_ + selLength_ == TextLength();
  text_.replace(selStart_, selLength_, value);
  colors_.erase(colors_.begin() + selStart_, colors_.begin() + selStart_ + selLength_);
  colors_.insert(colors_.begin() + selStart_, value.size(), selColor_);
  selStart_ += static_cast<std::int32_t>(value.size());
  selLength_ = 0;
  Form().TextInserted(*this, value, selColor_, atEnd);
}

std::vector<ColoredText> HeadlessRichTextBox::Runs() const {
  std::vector<ColoredText> runs;
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (runs.empty() || runs.back().Color != colors_[i]) runs.push_back({u"", colors_[i]});
    runs.back().Text += text_[i];
  }
  return runs;
}

}  // namespace sigpatch::toolkit::headless
