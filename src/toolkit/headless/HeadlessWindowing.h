#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "platform/DrivesAndFolders.h"
#include "toolkit/FormList.h"
#include "toolkit/Windowing.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::toolkit::headless {

/// A windowing layer whose windows live in memory: the base of the terminal
/// toolkit and of the tests' fake. Events are posted to a queue of its own and
/// run inside DoEvents and the waits; pictures are looked up in the program's
/// resource table. What a window shows is left to the hooks below.
class HeadlessWindowing : public Windowing, public FormList<HeadlessWindow> {
 public:
  HeadlessWindowing() = default;
  ~HeadlessWindowing() override;

  void DoEvents() override;
  void WaitForEvents(platform::Clock::TimePoint deadline) override;
  void RunEventLoop() override;
  std::unique_ptr<Window> NewForm(const FormDesign& design) override;
  Picture LoadPicture(std::u16string_view resourceName) override;

  /// Runs `event` at the next DoEvents or wait.
  void Post(std::function<void()> event);
  /// Runs `event` inside the first wait that reaches `when` by the clock.
  void PostAt(platform::Clock::TimePoint when, std::function<void()> event);
  /// Whether events are waiting to run.
  bool HasPending() const { return !posted_.empty() || !timed_.empty(); }



  // Hooks: what a toolkit shows when these things happen.
  virtual void FormShown(HeadlessWindow& /*form*/) {}
  virtual void FormHidden(HeadlessWindow& /*form*/) {}
  /// Text was inserted into a text box or rich-text box; `atEnd` when it was
  /// appended.
  virtual void TextInserted(HeadlessWindow& /*form*/, const Control& /*box*/,
                            std::u16string_view /*text*/, std::int32_t /*color*/, bool /*atEnd*/) {}
  virtual void StatusRefreshed(HeadlessWindow& /*form*/, const HeadlessStatusBar& /*bar*/) {}
  /// Runs a modal window: returns when the window is no longer visible.
  virtual void RunModal(HeadlessWindow& form) = 0;
  /// The frame a new window gets around its inner area, in twips.
  virtual double FrameWidth() const { return 0; }
  virtual double FrameHeight() const { return 0; }

  /// A new window handle.
  std::intptr_t NewHandle() { return ++lastHandle_; }

 protected:
  /// Runs the events posted before this call; false when there were none.
  bool RunPosted();
  /// Waits (by the clock) for the first timed event due by `deadline` and runs
  /// it; false when there is none.
  bool RunTimed(platform::Clock::TimePoint deadline);

 private:
  std::deque<std::function<void()>> posted_;
  std::multimap<platform::Clock::TimePoint, std::function<void()>> timed_;
  std::intptr_t lastHandle_ = 0x10000;
  std::intptr_t lastPicture_ = 0x20000;
};

}  // namespace sigpatch::toolkit::headless
