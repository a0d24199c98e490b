#include "toolkit/qt/QtWindow.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/DrivesAndFolders.h"
#include "platform/Platform.h"
#include "toolkit/qt/QtButton.h"
#include "toolkit/qt/QtDirListBox.h"
#include "toolkit/qt/QtDriveListBox.h"
#include "toolkit/qt/QtFormWidget.h"
#include "toolkit/qt/QtImage.h"
#include "toolkit/qt/QtLabel.h"
#include "toolkit/qt/QtLine.h"
#include "toolkit/qt/QtRichTextBox.h"
#include "toolkit/qt/QtStatusBar.h"
#include "toolkit/qt/QtTextBox.h"
#include "toolkit/qt/QtWindowing.h"

namespace sigpatch::toolkit::qt {
namespace {

Qt::WindowFlags flagsOf(const FormDesign& design) {
  // A window kept out of the task bar is a dialog to the window manager.
  Qt::WindowFlags flags = design.ShowInTaskbar ? Qt::Window : Qt::Dialog;
  if (!design.ControlBox) return flags | Qt::FramelessWindowHint;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
  if (design.MinButton) flags |= Qt::WindowMinimizeButtonHint;
  if (design.MaxButton && design.BorderStyle == FormBorderStyle::Sizable) {
    flags |= Qt::WindowMaximizeButtonHint;
  }
  return flags;
}

}  // namespace

QtWindow::QtWindow(QtWindowing& windowing, const FormDesign& design)
    : Window(windowing, design), windowing_(windowing), alive_(std::make_shared<bool>(true)) {
  widget_ = new QtFormWidget(*this, flagsOf(design), !design.ControlBox);
  widget_->setObjectName(toQString(design.Name));
  widget_->setWindowTitle(toQString(design.Caption));
  const QSize inner(PixelsX(design.ScaleWidth), PixelsY(design.ScaleHeight));
  if (design.BorderStyle == FormBorderStyle::FixedDialog) {
    widget_->setFixedSize(inner);
  } else {
    widget_->resize(inner);
  }
  if (!design.Icon.empty()) SetIcon(windowing.LoadPicture(design.Icon));
  windowing_.Register(*this);
}

QtWindow::~QtWindow() {
  windowing_.Unregister(*this);
  if (widget_ == nullptr) return;  // orphaned
  *alive_ = false;
  QuitModal();
  widget_->Detach();
  widget_->hide();
  controls_.clear();
  lines_.clear();
  // A widget whose event is still being handled further up goes when that
  // is over.
  if (windowing_.InHandler()) {
    widget_->deleteLater();
  } else {
    delete widget_.data();
  }
}

void QtWindow::Orphan() {
  *alive_ = false;
  QuitModal();
  widget_->Detach();
  controls_.clear();
  lines_.clear();
  delete widget_.data();
}

double QtWindow::Left() const {
  return widget_->frameGeometry().x() * windowing_.Screen().TwipsPerPixelX();
}

double QtWindow::Top() const {
  return widget_->frameGeometry().y() * windowing_.Screen().TwipsPerPixelY();
}

double QtWindow::Width() const {
  return widget_->frameGeometry().width() * windowing_.Screen().TwipsPerPixelX();
}

double QtWindow::Height() const {
  return widget_->frameGeometry().height() * windowing_.Screen().TwipsPerPixelY();
}

void QtWindow::Move(double left, double top) {
  QPoint place(PixelsX(left), PixelsY(top));
  // A window is kept inside the screen's free area, as window managers keep
  // new windows: a place outside it (a work area the system could not tell
  // gives one) would leave the window where the user cannot reach it.
  if (const auto* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    const QSize size = widget_->frameGeometry().size();
    place.setX(std::clamp(place.x(), area.left(),
                          std::max(area.left(), area.left() + area.width() - size.width())));
    place.setY(std::clamp(place.y(), area.top(),
                          std::max(area.top(), area.top() + area.height() - size.height())));
  }
  widget_->move(place);
}

std::intptr_t QtWindow::hWnd() const {
  return IsLoaded() ? static_cast<std::intptr_t>(widget_->winId()) : 0;
}

std::u16string QtWindow::Caption() const { return fromQString(widget_->windowTitle()); }

void QtWindow::SetCaption(std::u16string_view value) { widget_->setWindowTitle(toQString(value)); }

void QtWindow::SetIcon(const toolkit::Picture& value) {
  icon_ = value;
  widget_->setWindowIcon(QIcon(windowing_.Pixmap(value)));
}

std::int32_t QtWindow::WindowState() const {
  const auto state = widget_->windowState();
  if (state.testFlag(Qt::WindowMinimized)) return kWindowMinimized;
  if (state.testFlag(Qt::WindowMaximized)) return kWindowMaximized;
  return kWindowNormal;
}

void QtWindow::SetWindowState(std::int32_t value) {
  Qt::WindowStates state = Qt::WindowNoState;
  if (value == kWindowMinimized) state = Qt::WindowMinimized;
  if (value == kWindowMaximized) state = Qt::WindowMaximized;
  widget_->setWindowState(state);
}

double QtWindow::ScaleWidth() const {
  return widget_->width() * windowing_.Screen().TwipsPerPixelX();
}

double QtWindow::ScaleHeight() const {
  return widget_->height() * windowing_.Screen().TwipsPerPixelY();
}

template <typename T, typename... Args>
T& QtWindow::Add(Args&&... args) {
  auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
  auto& added = *control;
  if (added.Design().TabIndex >= 0) tabStops_.push_back({added.Design().TabIndex, added.Widget()});
  controls_.push_back(std::move(control));
  return added;
}

RichTextBox& QtWindow::AddRichTextBox(const ControlDesign& design) {
  return Add<QtRichTextBox>(design);
}

StatusBar& QtWindow::AddStatusBar(const ControlDesign& design, std::vector<StatusPanel> panels) {
  // Docked at the bottom across the whole width.
  ControlDesign docked = design;
  docked.Left = 0;
  docked.Top = ScaleHeight() - design.Height;
  docked.Width = ScaleWidth();
  return Add<QtStatusBar>(docked, std::move(panels));
}

Image& QtWindow::AddImage(const ControlDesign& design, const toolkit::Picture& picture) {
  return Add<QtImage>(design, picture);
}

Label& QtWindow::AddLabel(const ControlDesign& design, const LabelDesign& label) {
  return Add<QtLabel>(design, label);
}

Line& QtWindow::AddLine(const LineDesign& design) {
  lines_.push_back(std::make_unique<QtLine>(*this, design));
  widget_->update();
  return *lines_.back();
}

Button& QtWindow::AddButton(const ControlDesign& design, const ButtonDesign& button) {
  return Add<QtButton>(design, button);
}

TextBox& QtWindow::AddTextBox(const ControlDesign& design, const TextBoxDesign& box) {
  return Add<QtTextBox>(design, box);
}

DriveListBox& QtWindow::AddDriveListBox(const ControlDesign& design) {
  return Add<QtDriveListBox>(design, platform::drivesAndFolders());
}

DirListBox& QtWindow::AddDirListBox(const ControlDesign& design) {
  return Add<QtDirListBox>(design, platform::drivesAndFolders());
}

QWidget* QtWindow::Widget() const { return widget_.data(); }

QRect QtWindow::ToPixels(double left, double top, double width, double height) const {
  return QRect(PixelsX(left), PixelsY(top), std::max(0, PixelsX(width)),
               std::max(0, PixelsY(height)));
}

int QtWindow::PixelsX(double twips) const {
  return static_cast<int>(std::lround(twips / windowing_.Screen().TwipsPerPixelX()));
}

int QtWindow::PixelsY(double twips) const {
  return static_cast<int>(std::lround(twips / windowing_.Screen().TwipsPerPixelY()));
}

Control* QtWindow::FindControl(std::u16string_view name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

QWidget* QtWindow::DefaultButton() const {
  for (const auto& control : controls_) {
    const auto* button = dynamic_cast<const QtButton*>(control.get());
    if (button != nullptr && button->Default() && button->Visible()) return button->View();
  }
  return nullptr;
}

QWidget* QtWindow::CancelButton() const {
  for (const auto& control : controls_) {
    const auto* button = dynamic_cast<const QtButton*>(control.get());
    if (button != nullptr && button->Cancel() && button->Visible()) return button->View();
  }
  return nullptr;
}

void QtWindow::CloseBoxClickedByUser() {
  windowing_.Deliver([this] { CloseBoxClicked(); });
}

void QtWindow::KeyReleasedByUser(std::int16_t KeyCode, std::int16_t Shift) {
  windowing_.Deliver([this, KeyCode, Shift] { KeyReleased(KeyCode, Shift); });
}

void QtWindow::InnerResized() {
  for (const auto& control : controls_) {
    if (auto* bar = dynamic_cast<QtStatusBar*>(control.get())) {
      bar->Dock(ScaleWidth(), ScaleHeight());
    }
  }
  // Showing reports its own first resize.
  if (showing_ || widget_->size() == reported_) return;
  reported_ = widget_->size();
  windowing_.Deliver([this] { Resized(); });
}

void QtWindow::StateChanged() {
  windowing_.Deliver([this] { Resized(); });
}

void QtWindow::PaintLines(QPainter& painter) const {
  // The wider lines first: a one-pixel line on a two-pixel one shows as an
  // etched rule whichever was made first.
  std::vector<const QtLine*> order;
  for (const auto& line : lines_) order.push_back(line.get());
  std::stable_sort(order.begin(), order.end(), [](const QtLine* a, const QtLine* b) {
    return a->BorderWidth() > b->BorderWidth();
  });
  for (const auto* line : order) line->Paint(painter);
}

void QtWindow::LineChanged() { widget_->update(); }

void QtWindow::LoadNative() {}

void QtWindow::ShowNative(ShowMode mode) {
  showing_ = true;
  widget_->setWindowModality(mode == ShowMode::Modal ? Qt::ApplicationModal : Qt::NonModal);
  // The tab order of the design, and the focus on its first control.
  auto stops = tabStops_;
  std::stable_sort(stops.begin(), stops.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QWidget* first = nullptr;
  QWidget* previous = nullptr;
  for (const auto& [index, widget] : stops) {
    if (widget->focusPolicy() == Qt::NoFocus || widget->isHidden()) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    if (first == nullptr) first = widget;
    previous = widget;
  }
  if (first != nullptr && widget_->focusWidget() == nullptr) first->setFocus();
  if (!placed_ && Design().StartUpPosition == StartUpPosition::CenterScreen) {
    if (const auto* screen = QGuiApplication::primaryScreen()) {
      QRect place = widget_->frameGeometry();
      place.moveCenter(screen->availableGeometry().center());
      widget_->move(place.topLeft());
    }
  }
  placed_ = true;
  widget_->show();
  widget_->raise();
  widget_->activateWindow();
  showing_ = false;
  reported_ = widget_->size();
}

void QtWindow::RunModal() {
  QEventLoop loop;
  modalLoop_ = &loop;
  const auto alive = alive_;
  windowing_.RunNested([&] {
    while (*alive && IsVisible()) loop.exec(QEventLoop::DialogExec);
  });
  if (*alive) modalLoop_ = nullptr;
}

void QtWindow::HideNative() {
  widget_->hide();
  QuitModal();
}

void QtWindow::UnloadNative() {
  placed_ = false;
  widget_->hide();
  widget_->setWindowState(Qt::WindowNoState);
  QuitModal();
}

void QtWindow::QuitModal() {
  if (modalLoop_ != nullptr) modalLoop_->quit();
}

}  // namespace sigpatch::toolkit::qt
