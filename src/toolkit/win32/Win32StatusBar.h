#pragma once

#include <vector>

#include "toolkit/controls/StatusBar.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::toolkit::win32 {

/// A status bar drawn by the common controls' status bar, one part a panel,
/// docked at the bottom of its form across the whole width. Its place is
/// where the system docked it; the design's height is the height it asks for.
class Win32StatusBar : public Win32Control<StatusBar> {
 public:
  Win32StatusBar(Win32Window& form, const ControlDesign& design, std::vector<StatusPanel> panels,
                 bool sizeGrip);

  double Left() const override;
  double Top() const override;
  double Width() const override;
  double Height() const override;
  std::u16string PanelText(std::u16string_view key) const override;
  void SetPanelText(std::u16string_view key, std::u16string_view value) override;
  void Refresh() override;
  void FormResized() override;

 protected:
  /// A docked bar takes no place the program gives it.
  void Placed() override {}

 private:
  std::size_t IndexOf(std::u16string_view key) const;
  void SetParts();
  /// The bar's rectangle in the form's client area, in pixels.
  void Bounds(long& left, long& top, long& width, long& height) const;

  std::vector<StatusPanel> panels_;
};

}  // namespace sigpatch::toolkit::win32
