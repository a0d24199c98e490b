#pragma once

#include <memory>
#include <vector>

#include "toolkit/Window.h"
#include "toolkit/headless/HeadlessButton.h"
#include "toolkit/headless/HeadlessDirListBox.h"
#include "toolkit/headless/HeadlessDriveListBox.h"
#include "toolkit/headless/HeadlessImage.h"
#include "toolkit/headless/HeadlessLabel.h"
#include "toolkit/headless/HeadlessLine.h"
#include "toolkit/headless/HeadlessRichTextBox.h"
#include "toolkit/headless/HeadlessStatusBar.h"
#include "toolkit/headless/HeadlessTextBox.h"

namespace sigpatch::toolkit::headless {

class HeadlessWindowing;

/// A window kept in memory with all its controls. What the user can do to a
/// window (resize it, press a key, close it) are operations of its own, for the
/// terminal toolkit and for tests.
class HeadlessWindow : public Window {
 public:
  HeadlessWindow(HeadlessWindowing& windowing, const FormDesign& design);
  ~HeadlessWindow() override;

  // Form
  double Left() const override { return left_; }
  double Top() const override { return top_; }
  double Width() const override { return scaleWidth_ + frameWidth_; }
  double Height() const override { return scaleHeight_ + frameHeight_; }
  void Move(double left, double top) override;
  std::intptr_t hWnd() const override { return handle_; }

  // Window
  std::u16string Caption() const override { return caption_; }
  void SetCaption(std::u16string_view value) override { caption_ = value; }
  toolkit::Picture Icon() const override { return icon_; }
  void SetIcon(const toolkit::Picture& value) override { icon_ = value; }
  std::int32_t WindowState() const override { return windowState_; }
  void SetWindowState(std::int32_t value) override;
  double ScaleWidth() const override { return scaleWidth_; }
  double ScaleHeight() const override { return scaleHeight_; }

  RichTextBox& AddRichTextBox(const ControlDesign& design) override;
  StatusBar& AddStatusBar(const ControlDesign& design, std::vector<StatusPanel> panels) override;
  Image& AddImage(const ControlDesign& design, const toolkit::Picture& picture) override;
  Label& AddLabel(const ControlDesign& design, const LabelDesign& label) override;
  Line& AddLine(const LineDesign& design) override;
  Button& AddButton(const ControlDesign& design, const ButtonDesign& button) override;
  TextBox& AddTextBox(const ControlDesign& design, const TextBoxDesign& box) override;
  DriveListBox& AddDriveListBox(const ControlDesign& design) override;
  DirListBox& AddDirListBox(const ControlDesign& design) override;

  // What the user does.
  /// Drags the frame so that the inner area gets this size.
  void UserResize(double scaleWidth, double scaleHeight);
  /// Releases a key.
  void PressKey(std::int16_t KeyCode, std::int16_t Shift = 0);
  /// Enter: clicks the default button, if there is one.
  void PressEnter();
  /// Esc: clicks the cancel button, if there is one.
  void PressEscape();
  /// Clicks the close box.
  void ClickCloseBox() { CloseBoxClicked(); }

  // The controls, by name ("lnLine(0)" for an element of a control array);
  // each raises error 35600 when the window has no such control.
  HeadlessRichTextBox& RichTextBoxNamed(std::u16string_view name) const;
  HeadlessStatusBar& StatusBarNamed(std::u16string_view name) const;
  HeadlessImage& ImageNamed(std::u16string_view name) const;
  HeadlessLabel& LabelNamed(std::u16string_view name) const;
  HeadlessLine& LineNamed(std::u16string_view name) const;
  HeadlessButton& ButtonNamed(std::u16string_view name) const;
  HeadlessTextBox& TextBoxNamed(std::u16string_view name) const;
  HeadlessDriveListBox& DriveListBoxNamed(std::u16string_view name) const;
  HeadlessDirListBox& DirListBoxNamed(std::u16string_view name) const;

  /// Every control but the lines, in the order they were added.
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  /// The buttons in tab order.
  std::vector<HeadlessButton*> ButtonsInTabOrder() const;
  /// The size of the frame around the inner area, in twips.
  void SetFrame(double width, double height);

  // What the controls report.
  void TextInserted(const Control& box, std::u16string_view text, std::int32_t color, bool atEnd);
  void StatusRefreshed(const HeadlessStatusBar& bar);

 protected:
  void LoadNative() override;
  void ShowNative(ShowMode mode) override;
  void RunModal() override;
  void HideNative() override;
  void UnloadNative() override;

 private:
  template <typename T>
  T& Named(std::u16string_view name) const;
  template <typename T, typename... Args>
  T& Add(Args&&... args);

  HeadlessWindowing& windowing_;
  std::u16string caption_;
  toolkit::Picture icon_;
  std::int32_t windowState_ = kWindowNormal;
  double left_ = 0;
  double top_ = 0;
  double scaleWidth_;
  double scaleHeight_;
  double frameWidth_ = 0;
  double frameHeight_ = 0;
  std::intptr_t handle_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<HeadlessLine>> lines_;
};

}  // namespace sigpatch::toolkit::headless
