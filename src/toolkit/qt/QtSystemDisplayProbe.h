#pragma once

#include "toolkit/qt/QtDisplayProbe.h"

namespace sigpatch::toolkit::qt {

/// The display probe of this system: the process's environment, Qt's plugin
/// folders, and a trial connection with the X or Wayland client library
/// (loaded at run time, as Qt's own plugin loads it).
class QtSystemDisplayProbe : public QtDisplayProbe {
 public:
  std::string Environment(const char* name) const override;
  bool HasPlugin(std::string_view platform) const override;
  bool CanOpenX(const std::string& display) const override;
  bool CanOpenWayland(const std::string& display) const override;
};

}  // namespace sigpatch::toolkit::qt
