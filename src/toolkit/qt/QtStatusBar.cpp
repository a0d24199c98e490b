#include "toolkit/qt/QtStatusBar.h"

#include <QLabel>
#include <QStatusBar>

#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch::toolkit::qt {

QtStatusBar::QtStatusBar(QtWindow& form, const ControlDesign& design,
                         std::vector<StatusPanel> panels)
    : QtControl(form, design, new QStatusBar(form.Widget())),
      view_(static_cast<QStatusBar*>(Widget())),
      panels_(std::move(panels)) {
  view_->setSizeGripEnabled(form.Design().BorderStyle == FormBorderStyle::Sizable);
  for (const auto& panel : panels_) {
    auto* label = new QLabel(toQString(panel.Text), view_);
    label->setObjectName(toQString(panel.Key));
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    view_->addWidget(label, 1);
    labels_.push_back(label);
  }
}

std::size_t QtStatusBar::Find(std::u16string_view key) const {
  const auto wanted = text::toUpper(key);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    if (text::toUpper(panels_[i].Key) == wanted) return i;
  }
  throw RuntimeError(err::kElementNotFound);
}

std::u16string QtStatusBar::PanelText(std::u16string_view key) const {
  return panels_[Find(key)].Text;
}

void QtStatusBar::SetPanelText(std::u16string_view key, std::u16string_view value) {
  const auto index = Find(key);
  panels_[index].Text = value;
  labels_[index]->setText(toQString(value));
}

void QtStatusBar::Refresh() {
  // Drawn now, not when the event queue next runs.
  for (auto* label : labels_) label->repaint();
}

void QtStatusBar::Dock(double scaleWidth, double scaleHeight) {
  SetLeft(0);
  SetTop(scaleHeight - Height());
  SetWidth(scaleWidth);
}

QLabel* QtStatusBar::PanelView(std::u16string_view key) const { return labels_[Find(key)]; }

}  // namespace sigpatch::toolkit::qt
