#pragma once

#include <QWidget>
#include <algorithm>
#include <string>
#include <string_view>

#include "platform/controls/Control.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtWindow.h"

namespace sigpatch::platform::qt {

/// The place, size, visibility and tool tip of a control drawn by a Qt widget,
/// for any control interface `Base`. Place and size are kept in twips as the
/// program set them; the widget gets them in whole pixels of the screen.
template <typename Base>
class QtControl : public Base {
 public:
  /// `widget` is a child of the form's widget, which owns it.
  QtControl(QtWindow& form, const ControlDesign& design, QWidget* widget)
      : form_(form), design_(design), place_(design), widget_(widget) {
    widget_->setObjectName(toQString(design.Name));
    widget_->setToolTip(toQString(design.ToolTipText));
    Place();
    widget_->setVisible(design.Visible);
  }

  const std::u16string& Name() const override { return design_.Name; }
  double Left() const override { return place_.Left; }
  double Top() const override { return place_.Top; }
  double Width() const override { return place_.Width; }
  double Height() const override { return place_.Height; }
  void SetLeft(double value) override { Set(place_.Left, value); }
  void SetTop(double value) override { Set(place_.Top, value); }
  void SetWidth(double value) override { Set(place_.Width, value); }
  void SetHeight(double value) override { Set(place_.Height, value); }
  bool Visible() const override { return place_.Visible; }
  void SetVisible(bool value) override {
    place_.Visible = value;
    widget_->setVisible(value);
  }
  std::u16string ToolTipText() const override { return place_.ToolTipText; }
  void SetToolTipText(std::u16string_view value) override {
    place_.ToolTipText = value;
    widget_->setToolTip(toQString(value));
  }

  /// The design the control was made with.
  const ControlDesign& Design() const { return design_; }
  QtWindow& Form() const { return form_; }
  QWidget* Widget() const { return widget_; }

 protected:
  /// Gives the widget the control's place and size in pixels.
  void Place() {
    widget_->setGeometry(form_.ToPixels(place_.Left, place_.Top, place_.Width, place_.Height));
  }

 private:
  void Set(double& field, double value) {
    field = value;
    Place();
  }

  QtWindow& form_;
  ControlDesign design_;
  ControlDesign place_;
  QWidget* widget_;
};

}  // namespace sigpatch::platform::qt
