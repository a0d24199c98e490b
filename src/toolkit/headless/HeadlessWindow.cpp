#include "toolkit/headless/HeadlessWindow.h"

#include <algorithm>

#include "platform/DrivesAndFolders.h"
#include "platform/Platform.h"
#include "runtime/RuntimeError.h"
#include "toolkit/headless/HeadlessWindowing.h"

namespace sigpatch::toolkit::headless {

HeadlessWindow::HeadlessWindow(HeadlessWindowing& windowing, const FormDesign& design)
    : Window(windowing, design),
      windowing_(windowing),
      caption_(design.Caption),
      scaleWidth_(design.ScaleWidth),
      scaleHeight_(design.ScaleHeight),
      frameWidth_(windowing.FrameWidth()),
      frameHeight_(windowing.FrameHeight()) {
  if (!design.Icon.empty()) icon_ = windowing.LoadPicture(design.Icon);
  windowing_.Register(*this);
}

HeadlessWindow::~HeadlessWindow() { windowing_.Unregister(*this); }

void HeadlessWindow::Move(double left, double top) {
  left_ = left;
  top_ = top;
}

void HeadlessWindow::SetWindowState(std::int32_t value) {
  if (value == windowState_) return;
  windowState_ = value;
  Resized();
}

template <typename T, typename... Args>
T& HeadlessWindow::Add(Args&&... args) {
  auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
  auto& added = *control;
  controls_.push_back(std::move(control));
  return added;
}

RichTextBox& HeadlessWindow::AddRichTextBox(const ControlDesign& design) {
  return Add<HeadlessRichTextBox>(design);
}

StatusBar& HeadlessWindow::AddStatusBar(const ControlDesign& design,
                                        std::vector<StatusPanel> panels) {
  // Docked at the bottom across the whole width.
  ControlDesign docked = design;
  docked.Left = 0;
  docked.Top = scaleHeight_ - design.Height;
  docked.Width = scaleWidth_;
  return Add<HeadlessStatusBar>(docked, std::move(panels));
}

Image& HeadlessWindow::AddImage(const ControlDesign& design, const toolkit::Picture& picture) {
  return Add<HeadlessImage>(design, picture);
}

Label& HeadlessWindow::AddLabel(const ControlDesign& design, const LabelDesign& label) {
  return Add<HeadlessLabel>(design, label);
}

Line& HeadlessWindow::AddLine(const LineDesign& design) {
  lines_.push_back(std::make_unique<HeadlessLine>(design));
  return *lines_.back();
}

Button& HeadlessWindow::AddButton(const ControlDesign& design, const ButtonDesign& button) {
  return Add<HeadlessButton>(design, button);
}

TextBox& HeadlessWindow::AddTextBox(const ControlDesign& design, const TextBoxDesign& box) {
  return Add<HeadlessTextBox>(design, box);
}

DriveListBox& HeadlessWindow::AddDriveListBox(const ControlDesign& design) {
  return Add<HeadlessDriveListBox>(design, platform::drivesAndFolders());
}

DirListBox& HeadlessWindow::AddDirListBox(const ControlDesign& design) {
  return Add<HeadlessDirListBox>(design, platform::drivesAndFolders());
}

void HeadlessWindow::UserResize(double scaleWidth, double scaleHeight) {
  scaleWidth_ = std::max(0.0, scaleWidth);
  scaleHeight_ = std::max(0.0, scaleHeight);
  for (auto& control : controls_) {
    if (auto* bar = dynamic_cast<HeadlessStatusBar*>(control.get())) {
      bar->SetTop(scaleHeight_ - bar->Height());
      bar->SetWidth(scaleWidth_);
    }
  }
  Resized();
}

void HeadlessWindow::PressKey(std::int16_t KeyCode, std::int16_t Shift) {
  KeyReleased(KeyCode, Shift);
}

void HeadlessWindow::PressEnter() {
  for (auto* button : ButtonsInTabOrder()) {
    if (button->Default()) return button->Click();
  }
}

void HeadlessWindow::PressEscape() {
  for (auto* button : ButtonsInTabOrder()) {
    if (button->Cancel()) return button->Click();
  }
}

std::vector<HeadlessButton*> HeadlessWindow::ButtonsInTabOrder() const {
  std::vector<HeadlessButton*> buttons;
  for (const auto& control : controls_) {
    if (auto* button = dynamic_cast<HeadlessButton*>(control.get())) buttons.push_back(button);
  }
  std::stable_sort(buttons.begin(), buttons.end(), [](const auto* a, const auto* b) {
    return a->Design().TabIndex < b->Design().TabIndex;
  });
  return buttons;
}

void HeadlessWindow::SetFrame(double width, double height) {
  frameWidth_ = width;
  frameHeight_ = height;
}

template <typename T>
T& HeadlessWindow::Named(std::u16string_view name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) {
      if (auto* found = dynamic_cast<T*>(control.get())) return *found;
    }
  }
  throw RuntimeError(err::kElementNotFound);
}

HeadlessRichTextBox& HeadlessWindow::RichTextBoxNamed(std::u16string_view name) const {
  return Named<HeadlessRichTextBox>(name);
}
HeadlessStatusBar& HeadlessWindow::StatusBarNamed(std::u16string_view name) const {
  return Named<HeadlessStatusBar>(name);
}
HeadlessImage& HeadlessWindow::ImageNamed(std::u16string_view name) const {
  return Named<HeadlessImage>(name);
}
HeadlessLabel& HeadlessWindow::LabelNamed(std::u16string_view name) const {
  return Named<HeadlessLabel>(name);
}
HeadlessButton& HeadlessWindow::ButtonNamed(std::u16string_view name) const {
  return Named<HeadlessButton>(name);
}
HeadlessTextBox& HeadlessWindow::TextBoxNamed(std::u16string_view name) const {
  return Named<HeadlessTextBox>(name);
}
HeadlessDriveListBox& HeadlessWindow::DriveListBoxNamed(std::u16string_view name) const {
  return Named<HeadlessDriveListBox>(name);
}
HeadlessDirListBox& HeadlessWindow::DirListBoxNamed(std::u16string_view name) const {
  return Named<HeadlessDirListBox>(name);
}

HeadlessLine& HeadlessWindow::LineNamed(std::u16string_view name) const {
  for (const auto& line : lines_) {
    if (line->Name() == name) return *line;
  }
  throw RuntimeError(err::kElementNotFound);
}

void HeadlessWindow::TextInserted(const Control& box, std::u16string_view text, std::int32_t color,
                                  bool atEnd) {
  windowing_.TextInserted(*this, box, text, color, atEnd);
}

void HeadlessWindow::StatusRefreshed(const HeadlessStatusBar& bar) {
  windowing_.StatusRefreshed(*this, bar);
}

void HeadlessWindow::LoadNative() { handle_ = windowing_.NewHandle(); }

void HeadlessWindow::ShowNative(ShowMode /*mode*/) { windowing_.FormShown(*this); }

void HeadlessWindow::RunModal() { windowing_.RunModal(*this); }

void HeadlessWindow::HideNative() { windowing_.FormHidden(*this); }

void HeadlessWindow::UnloadNative() {
  windowing_.FormHidden(*this);
  handle_ = 0;
}

}  // namespace sigpatch::toolkit::headless
