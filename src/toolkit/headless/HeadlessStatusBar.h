#pragma once

#include <vector>

#include "toolkit/controls/StatusBar.h"
#include "toolkit/headless/HeadlessControl.h"

namespace sigpatch::toolkit::headless {

/// A status bar kept in memory. Its place follows the bottom of its form.
class HeadlessStatusBar : public HeadlessControl<StatusBar> {
 public:
  HeadlessStatusBar(HeadlessWindow& form, const ControlDesign& design,
                    std::vector<StatusPanel> panels)
      : HeadlessControl(form, design), panels_(std::move(panels)) {}

  std::u16string PanelText(std::u16string_view key) const override;
  void SetPanelText(std::u16string_view key, std::u16string_view value) override;
  void Refresh() override;

  const std::vector<StatusPanel>& Panels() const { return panels_; }
  /// How often the bar was drawn again.
  int Refreshes() const { return refreshes_; }

 private:
  StatusPanel& Find(std::u16string_view key);

  std::vector<StatusPanel> panels_;
  int refreshes_ = 0;
};

}  // namespace sigpatch::toolkit::headless
