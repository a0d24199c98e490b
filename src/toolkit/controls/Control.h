#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace sigpatch::toolkit {

/// How a control is placed when its form is designed: its name ("tboOutput"),
/// place and size in twips of the form, whether it is visible, its tool tip and
/// its place in the tab order (-1: not a tab stop).
struct ControlDesign {
  std::u16string Name;
  double Left = 0;
  double Top = 0;
  double Width = 0;
  double Height = 0;
  bool Visible = true;
  std::u16string ToolTipText;
  std::int32_t TabIndex = -1;

  /// A visible control at that place, without a tool tip.
  static ControlDesign At(std::u16string name, double left, double top, double width, double height,
                          std::int32_t tabIndex = -1) {
    ControlDesign design;
    design.Name = std::move(name);
    design.Left = left;
    design.Top = top;
    design.Width = width;
    design.Height = height;
    design.TabIndex = tabIndex;
    return design;
  }
};

/// A control of a form: its place and size in twips of the form, and whether
/// it is visible. The toolkit draws it; the window classes hold the behaviour.
class Control {
 public:
  virtual ~Control() = default;

  virtual const std::u16string& Name() const = 0;
  virtual double Left() const = 0;
  virtual double Top() const = 0;
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  virtual void SetLeft(double value) = 0;
  virtual void SetTop(double value) = 0;
  virtual void SetWidth(double value) = 0;
  virtual void SetHeight(double value) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool value) = 0;
  virtual std::u16string ToolTipText() const = 0;
  virtual void SetToolTipText(std::u16string_view value) = 0;
};

/// Calls an event handler when one is connected.
template <typename... Params, typename... Args>
void raiseEvent(const std::function<void(Params...)>& handler, Args&&... args) {
  if (handler) handler(std::forward<Args>(args)...);
}

}  // namespace sigpatch::toolkit
