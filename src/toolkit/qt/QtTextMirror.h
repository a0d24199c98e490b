#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QTextEdit;

namespace sigpatch::toolkit::qt {

/// The text of a box as the program sees it — every character with its
/// colour, lines ending in "\r\n", the selection — mirrored into a QTextEdit,
/// where a line end is one block separator. Positions and lengths count UTF-16
/// code units of the program's text; the view shows the program's selection,
/// so the box scrolls to the insertion point as text is added.
class QtTextMirror {
 public:
  explicit QtTextMirror(QTextEdit* view);

  const std::u16string& Text() const { return text_; }
  /// Replaces the whole text, in colour 0, and empties the selection.
  void SetText(std::u16string_view value);
  std::int32_t Length() const { return static_cast<std::int32_t>(text_.size()); }
  std::int32_t SelStart() const { return selStart_; }
  /// Moves the insertion point (clamped to the text) and empties the selection;
  /// the insertion colour becomes the colour of the character before it.
  void SetSelStart(std::int32_t value);
  std::int32_t SelLength() const { return selLength_; }
  void SetSelLength(std::int32_t value);
  std::int32_t SelColor() const { return selColor_; }
  /// Colours the selection and whatever is inserted next.
  void SetSelColor(std::int32_t value);
  /// Replaces the selection with `value` in the selection's colour; the
  /// insertion point follows the inserted text.
  void SetSelText(std::u16string_view value);
  /// The colour of each character.
  const std::vector<std::int32_t>& Colors() const { return colors_; }

  /// Takes over what the user typed into the view, in colour 0.
  void TakeFromView();
  /// Whether the view is being changed by the program (its change signals
  /// then are not the user's).
  bool Updating() const { return updating_; }

 private:
  /// The view's position of a position in the text.
  int ToView(std::int32_t position) const;
  /// The text's position of a position in the view.
  std::int32_t FromView(int position) const;
  void FindBreaks(std::size_t from);
  void Rebuild();
  void ShowSelection();

  QTextEdit* view_;
  std::u16string text_;
  std::vector<std::int32_t> colors_;
  /// The positions of every "\r" that starts a "\r\n" pair, ascending.
  std::vector<std::int32_t> breaks_;
  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
  std::int32_t selColor_ = 0;
  bool updating_ = false;
};

}  // namespace sigpatch::toolkit::qt
