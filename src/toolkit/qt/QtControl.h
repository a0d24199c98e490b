#pragma once

#include <QWidget>
#include <string>

#include "toolkit/controls/PlacedControl.h"
#include "toolkit/qt/QtText.h"
#include "toolkit/qt/QtWindow.h"

namespace sigpatch::toolkit::qt {

/// A control drawn by a Qt widget, for any control interface `Base`. Place and
/// size are kept in twips as the program set them; the widget gets them in
/// whole pixels of the screen.
template <typename Base>
class QtControl : public PlacedControl<Base> {
 public:
  /// `widget` is a child of the form's widget, which owns it.
  QtControl(QtWindow& form, const ControlDesign& design, QWidget* widget)
      : PlacedControl<Base>(design), form_(form), widget_(widget) {
    widget_->setObjectName(toQString(design.Name));
    widget_->setToolTip(toQString(design.ToolTipText));
    Place();
    widget_->setVisible(design.Visible);
  }

  QtWindow& Form() const { return form_; }
  QWidget* Widget() const { return widget_; }

 protected:
  /// Gives the widget the control's place and size in pixels.
  void Place() {
    const auto& place = this->Placement();
    widget_->setGeometry(form_.ToPixels(place.Left, place.Top, place.Width, place.Height));
  }
  void Placed() override { Place(); }
  void Shown(bool visible) override { widget_->setVisible(visible); }
  void ToolTipChanged(const std::u16string& text) override { widget_->setToolTip(toQString(text)); }

 private:
  QtWindow& form_;
  QWidget* widget_;
};

}  // namespace sigpatch::toolkit::qt
