#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/controls/RichTextBox.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A stretch of text in one colour.
struct ColoredText {
  std::u16string Text;
  std::int32_t Color;
  friend bool operator==(const ColoredText&, const ColoredText&) = default;
};

/// A rich-text box kept in memory: the text with the colour of every character.
class HeadlessRichTextBox : public HeadlessControl<RichTextBox> {
 public:
  using HeadlessControl::HeadlessControl;

  std::u16string Text() const override { return text_; }
  void SetText(std::u16string_view value) override;
  std::int32_t TextLength() const override { return static_cast<std::int32_t>(text_.size()); }
  std::int32_t SelStart() const override { return selStart_; }
  void SetSelStart(std::int32_t value) override;
  std::int32_t SelLength() const override { return selLength_; }
  void SetSelLength(std::int32_t value) override;
  std::int32_t SelColor() const override { return selColor_; }
  void SetSelColor(std::int32_t value) override;
  void SetSelText(std::u16string_view value) override;

  /// The text in stretches of one colour each.
  std::vector<ColoredText> Runs() const;

 private:
  std::u16string text_;
  std::vector<std::int32_t> colors_;
  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
  std::int32_t selColor_ = 0;
};

}  // namespace sigpatch::toolkit::headless
