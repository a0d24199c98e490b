#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace sigpatch::inline runtime {

/// An event of an object, as the system's classes raise them: the owner raises
/// it synchronously, and every connected receiver runs inside that call, in the
/// order of connecting. A receiver may connect or disconnect receivers while
/// the event runs; the change counts from the next raise.
template <typename... Args>
class Event {
 public:
  using Receiver = std::function<void(Args...)>;

  /// Connects a receiver; the number it gives disconnects it again.
  std::int32_t connect(Receiver receiver) {
    receivers_.push_back({++lastId_, std::make_shared<Receiver>(std::move(receiver))});
    return lastId_;
  }

  /// Disconnects a receiver; an unknown number does nothing.
  void disconnect(std::int32_t id) {
    std::erase_if(receivers_, [id](const Entry& entry) { return entry.id == id; });
  }

  bool connected() const { return !receivers_.empty(); }

  /// Runs every receiver; a fault in a receiver passes to the caller and the
  /// later receivers do not run.
  template <typename... Given>
  void raise(Given&&... args) const {
    if (receivers_.empty()) return;
    // The receivers as they are now: one may change the list while it runs.
    std::vector<std::shared_ptr<Receiver>> now;
    now.reserve(receivers_.size());
    for (const auto& entry : receivers_) now.push_back(entry.receiver);
    for (const auto& receiver : now) (*receiver)(args...);
  }

 private:
  struct Entry {
    std::int32_t id;
    std::shared_ptr<Receiver> receiver;
  };

  std::vector<Entry> receivers_;
  std::int32_t lastId_ = 0;
};

}  // namespace sigpatch::runtime
