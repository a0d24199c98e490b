#pragma once

#include <vector>

#include "toolkit/controls/StatusBar.h"
#include "toolkit/qt/QtControl.h"

class QLabel;
class QStatusBar;

namespace sigpatch::toolkit::qt {

/// A status bar on a QStatusBar docked at the bottom of its form, one label a
/// panel. The form keeps it at its bottom edge across the whole width.
class QtStatusBar : public QtControl<StatusBar> {
 public:
  QtStatusBar(QtWindow& form, const ControlDesign& design, std::vector<StatusPanel> panels);

  std::u16string PanelText(std::u16string_view key) const override;
  void SetPanelText(std::u16string_view key, std::u16string_view value) override;
  void Refresh() override;

  /// Docks the bar at the bottom of an inner area of that size, in twips.
  void Dock(double scaleWidth, double scaleHeight);
  QStatusBar* View() const { return view_; }
  /// The label that shows the panel with that key (case ignored).
  QLabel* PanelView(std::u16string_view key) const;

 private:
  std::size_t Find(std::u16string_view key) const;

  QStatusBar* view_;
  std::vector<StatusPanel> panels_;
  std::vector<QLabel*> labels_;
};

}  // namespace sigpatch::toolkit::qt
