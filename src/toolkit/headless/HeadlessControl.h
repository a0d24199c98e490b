#pragma once

#include "toolkit/controls/PlacedControl.h"

namespace sigpatch::toolkit::headless {

class HeadlessWindow;

/// A control kept in memory, for any control interface `Base`: its place,
/// size, visibility and tool tip are all there is of it.
template <typename Base>
class HeadlessControl : public PlacedControl<Base> {
 public:
  HeadlessControl(HeadlessWindow& form, const ControlDesign& design)
      : PlacedControl<Base>(design), form_(form) {}

  HeadlessWindow& Form() const { return form_; }

 private:
  HeadlessWindow& form_;
};

}  // namespace sigpatch::toolkit::headless
