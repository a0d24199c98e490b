#pragma once

#include "toolkit/controls/Label.h"
#include "toolkit/qt/QtControl.h"

namespace sigpatch::toolkit::qt {

/// A label: its caption in its font and colour; it can be clicked and can show
/// a pointer of its own.
class QtLabel : public QtControl<Label> {
 public:
  QtLabel(QtWindow& form, const ControlDesign& design, const LabelDesign& label);

  std::u16string Caption() const override { return label_.Caption; }
  void SetCaption(std::u16string_view value) override;
  toolkit::Font Font() const override { return label_.Font; }
  std::int32_t ForeColor() const override { return label_.ForeColor; }
  std::int32_t MousePointer() const override { return mousePointer_; }
  void SetMousePointer(std::int32_t value) override;
  toolkit::Picture MouseIcon() const override { return mouseIcon_; }
  void SetMouseIcon(const toolkit::Picture& value) override;

 private:
  class View;
  void ShowPointer();
  void FitFont();

  View* view_;
  LabelDesign label_;
  std::int32_t mousePointer_ = 0;
  toolkit::Picture mouseIcon_;
};

}  // namespace sigpatch::toolkit::qt
