#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// How a text box is designed beyond its place.
struct TextBoxDesign {
  std::u16string Text;
  /// Several lines, one under the other; otherwise one line the user edits.
  bool MultiLine = false;
  /// The user cannot change the text.
  bool Locked = false;
};

/// A box of plain text. Positions and lengths count UTF-16 code units from 0.
class TextBox : public Control {
 public:
  virtual std::u16string Text() const = 0;
  /// Replaces the text; the insertion point goes to its start.
  virtual void SetText(std::u16string_view value) = 0;
  virtual std::int32_t SelStart() const = 0;
  /// Moves the insertion point; a value beyond the text stands for its end.
  virtual void SetSelStart(std::int32_t value) = 0;
  virtual std::int32_t SelLength() const = 0;
  virtual void SetSelLength(std::int32_t value) = 0;
  /// Replaces the selection with `value`; the insertion point follows it.
  virtual void SetSelText(std::u16string_view value) = 0;
  virtual bool MultiLine() const = 0;

  /// Runs when the box receives the focus.
  std::function<void()> OnGotFocus;
};

}  // namespace sigpatch::toolkit
