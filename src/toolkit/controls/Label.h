#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/Picture.h"
#include "toolkit/controls/Control.h"

namespace sigpatch::toolkit {

/// The mouse pointer code that shows the control's own pointer picture.
inline constexpr std::int32_t kPointerCustom = 99;

/// The font of a label.
struct Font {
  std::u16string Name = u"MS Sans Serif";
  double Size = 8.25;
  bool Bold = false;
  bool Underline = false;
};

/// How a label is designed beyond its place.
struct LabelDesign {
  std::u16string Caption;
  toolkit::Font Font;
  /// 0x00BBGGRR; the toolkit's default text colour when -1.
  std::int32_t ForeColor = -1;
  /// The label may grow across to show its whole caption.
  bool AutoSize = false;
};

/// A text the user cannot edit; it can be clicked.
class Label : public Control {
 public:
  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(std::u16string_view value) = 0;
  virtual toolkit::Font Font() const = 0;
  virtual std::int32_t ForeColor() const = 0;
  /// The pointer over the label: 0 the default, 99 the picture of MouseIcon.
  virtual std::int32_t MousePointer() const = 0;
  virtual void SetMousePointer(std::int32_t value) = 0;
  virtual toolkit::Picture MouseIcon() const = 0;
  virtual void SetMouseIcon(const toolkit::Picture& value) = 0;

  std::function<void()> OnClick;
};

}  // namespace sigpatch::toolkit
