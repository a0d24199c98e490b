#pragma once

#include <string>
#include <string_view>

#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// A panel of a status bar, found by its key.
struct StatusPanel {
  std::u16string Key;
  std::u16string Text;
};

/// A status bar docked at the bottom of its form, with keyed panels.
class StatusBar : public Control {
 public:
  /// The text of the panel with the key (case ignored); error 35600 ("Element
  /// not found") when there is none.
  virtual std::u16string PanelText(std::u16string_view key) const = 0;
  virtual void SetPanelText(std::u16string_view key, std::u16string_view value) = 0;
  /// Draws the bar again with its current texts.
  virtual void Refresh() = 0;
};

}  // namespace sigpatch::toolkit
