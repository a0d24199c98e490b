#pragma once

#include <functional>
#include <memory>

namespace sigpatch::toolkit::qt {

class QtWindowing;

/// What a widget holds to report to the program: the event runs only while
/// the window that owns the widget still exists, through the windowing layer's
/// handler guard. Copies share the window's life.
class QtEvents {
 public:
  QtEvents(QtWindowing& windowing, std::shared_ptr<const bool> alive)
      : windowing_(&windowing), alive_(std::move(alive)) {}

  /// Runs `handler` as an event of the program, unless the window has gone.
  void Raise(const std::function<void()>& handler) const;

 private:
  QtWindowing* windowing_;
  std::shared_ptr<const bool> alive_;
};

}  // namespace sigpatch::toolkit::qt
