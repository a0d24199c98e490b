#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// A box of coloured text. Positions and lengths count UTF-16 code units from
/// 0; colours are 0x00BBGGRR.
class RichTextBox : public Control {
 public:
  virtual std::u16string Text() const = 0;
  /// Replaces the whole text (in the default colour, 0) and empties the selection.
  virtual void SetText(std::u16string_view value) = 0;
  /// The length of the text.
  virtual std::int32_t TextLength() const = 0;
  virtual std::int32_t SelStart() const = 0;
  /// Moves the insertion point; a value beyond the text stands for its end.
  virtual void SetSelStart(std::int32_t value) = 0;
  virtual std::int32_t SelLength() const = 0;
  virtual void SetSelLength(std::int32_t value) = 0;
  /// The colour of the selection, which is also the colour of inserted text.
  virtual std::int32_t SelColor() const = 0;
  virtual void SetSelColor(std::int32_t value) = 0;
  /// Replaces the selection with `value` in the selection's colour; the
  /// insertion point then follows the inserted text.
  virtual void SetSelText(std::u16string_view value) = 0;
};

}  // namespace sigpatch::toolkit
