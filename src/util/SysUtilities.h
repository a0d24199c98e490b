#pragma once

#include <cstdint>

#include "platform/Form.h"

namespace sigpatch {

/// The operating system's window, version and logon services. The class holds
/// no state: every operation asks the system afresh.
class SysUtilities {
 public:
  /// Centres the form in the work area of the primary display.
  void CenterForm(platform::Form& frmActive) const;
  /// Moves the form to a corner (0 top left, 1 top right, 2 bottom left, 3
  /// bottom right) or the centre (4) of the work area, `lngPosFromScreenEdge`
  /// twips from the edges, shifted by dX and dY; any other code leaves it where
  /// it is. Sums beyond the 32-bit range raise error 6.
  void PositionForm(platform::Form& frmActive, std::int32_t frmPos,
                    std::int32_t lngPosFromScreenEdge, std::int32_t dX, std::int32_t dY) const;
};

}  // namespace sigpatch
