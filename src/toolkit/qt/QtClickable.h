#pragma once

#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <utility>

#include "toolkit/qt/QtEvents.h"

namespace sigpatch::toolkit::qt {

/// A widget that raises its control's Click: a press and a release of the left
/// button over it.
template <class Base>
class QtClickable : public Base {
 public:
  QtClickable(QWidget* parent, QtEvents events, std::function<void()> click)
      : Base(parent), events_(std::move(events)), click_(std::move(click)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       this->rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) events_.Raise(click_);
  }

 private:
  QtEvents events_;
  std::function<void()> click_;
  bool pressed_ = false;
};

}  // namespace sigpatch::toolkit::qt
