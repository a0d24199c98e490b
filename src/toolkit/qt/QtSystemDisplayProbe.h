#pragma once

#include <memory>

#include "toolkit/qt/QtDisplayProbe.h"

namespace sigpatch::toolkit::qt {

/// The display probe of this system: the process's environment, Qt's plugin
/// folders, and a trial connection with the X or Wayland client library
/// (loaded at run time, as Qt's own plugin loads it).
class QtSystemDisplayProbe : public QtDisplayProbe {
 public:
  QtSystemDisplayProbe();
  ~QtSystemDisplayProbe() override;
  QtSystemDisplayProbe(const QtSystemDisplayProbe&) = delete;
  QtSystemDisplayProbe& operator=(const QtSystemDisplayProbe&) = delete;

  std::string Environment(const char* name) const override;
  bool HasPlugin(std::string_view platform) const override;
  /// The trial connection stays open as long as the probe: an X server whose
  /// last client leaves resets itself, and Qt, connecting in the meantime,
  /// would wait for the reset or fail. So the probe is kept until Qt has
  /// connected.
  bool CanOpenX(const std::string& display) const override;
  bool CanOpenWayland(const std::string& display) const override;

 private:
  struct OpenConnection;
  mutable std::unique_ptr<OpenConnection> x_;
};

}  // namespace sigpatch::toolkit::qt
