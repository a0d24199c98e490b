#pragma once

#include <string>
#include <string_view>

namespace sigpatch::toolkit::qt {

/// What choosing a display asks of the system.
class QtDisplayProbe {
 public:
  virtual ~QtDisplayProbe() = default;
  /// The environment variable's value; empty when it is not set.
  virtual std::string Environment(const char* name) const = 0;
  /// Whether Qt's platform plugin of that name ("xcb", "wayland") is installed.
  virtual bool HasPlugin(std::string_view platform) const = 0;
  /// Whether the X display of that name takes a connection from us.
  virtual bool CanOpenX(const std::string& display) const = 0;
  /// Whether the Wayland display of that name takes a connection from us.
  virtual bool CanOpenWayland(const std::string& display) const = 0;
};

}  // namespace sigpatch::toolkit::qt
