#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Window.h"

struct HWND__;

namespace sigpatch::toolkit::win32 {

class Win32Child;
class Win32Line;
class Win32Windowing;

/// A form drawn as a top-level window of the system whose client area is the
/// form's inner area; the controls are child windows placed by their twips,
/// and the lines are drawn on the form itself, as a form's own drawing is. The
/// window lives as long as the form: unloading hides it, and its controls keep
/// their contents.
class Win32Window : public Window {
 public:
  Win32Window(Win32Windowing& windowing, const FormDesign& design);
  ~Win32Window() override;

  // Form
  double Left() const override;
  double Top() const override;
  double Width() const override;
  double Height() const override;
  void Move(double left, double top) override;
  std::intptr_t hWnd() const override;

  // Window
  std::u16string Caption() const override;
  void SetCaption(std::u16string_view value) override;
  toolkit::Picture Icon() const override { return icon_; }
  void SetIcon(const toolkit::Picture& value) override;
  std::int32_t WindowState() const override;
  void SetWindowState(std::int32_t value) override;
  double ScaleWidth() const override;
  double ScaleHeight() const override;

  RichTextBox& AddRichTextBox(const ControlDesign& design) override;
  StatusBar& AddStatusBar(const ControlDesign& design, std::vector<StatusPanel> panels) override;
  Image& AddImage(const ControlDesign& design, const toolkit::Picture& picture) override;
  Label& AddLabel(const ControlDesign& design, const LabelDesign& label) override;
  Line& AddLine(const LineDesign& design) override;
  Button& AddButton(const ControlDesign& design, const ButtonDesign& button) override;
  TextBox& AddTextBox(const ControlDesign& design, const TextBoxDesign& box) override;
  DriveListBox& AddDriveListBox(const ControlDesign& design) override;
  DirListBox& AddDirListBox(const ControlDesign& design) override;

  /// The top-level window; it lives as long as the form (also when unloaded).
  HWND__* Handle() const { return handle_; }
  Win32Windowing& Windowing() const { return windowing_; }
  /// The control of that name, or nullptr.
  Control* FindControl(std::u16string_view name) const;
  /// The system's window of the control of that name, or nullptr.
  HWND__* ControlHandle(std::u16string_view name) const;
  /// A line of the form by name ("lnLine(0)"), or nullptr.
  Win32Line* FindLine(std::u16string_view name) const;

  // What the controls ask of their form.
  /// A new child window of the system's class `className`.
  HWND__* NewChild(const wchar_t* className, std::u16string_view text, unsigned long style,
                   unsigned long exStyle = 0);
  /// Places a child window by twips of the form.
  void PlaceChild(HWND__* child, double left, double top, double width, double height,
                  int extraHeight = 0) const;
  void ShowChild(HWND__* child, bool visible) const;
  void SetToolTip(HWND__* child, std::u16string_view text);
  /// A length in twips across or down as whole pixels.
  int PixelsX(double twips) const;
  int PixelsY(double twips) const;
  /// Draws the lines again.
  void LinesChanged() const;

  /// The message handler of the window.
  std::intptr_t HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
  /// A key released while the window or one of its controls had the focus.
  void KeyReleasedByUser(std::int16_t KeyCode, std::int16_t Shift);

 protected:
  void LoadNative() override;
  void ShowNative(ShowMode mode) override;
  void RunModal() override;
  void HideNative() override;
  void UnloadNative() override;

 private:
  template <typename T, typename... Args>
  T& Add(Args&&... args);
  Win32Child* ChildOf(HWND__* handle) const;
  Win32Child* DefaultButton(bool cancel) const;
  void Paint();
  /// Gives the other forms back their input after a modal showing.
  void EndModal();

  Win32Windowing& windowing_;
  std::shared_ptr<bool> alive_;
  HWND__* handle_ = nullptr;
  HWND__* toolTips_ = nullptr;
  toolkit::Picture icon_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Win32Child*> children_;
  std::vector<std::unique_ptr<Win32Line>> lines_;
  /// The forms this one disabled while it is shown modal.
  std::vector<HWND__*> disabled_;
  HWND__* lastFocus_ = nullptr;
  HWND__* firstFocus_ = nullptr;
  unsigned nextId_ = 100;
  std::int32_t pendingState_ = kWindowNormal;
  /// The inner size (pixels) and state last reported to the program.
  int reportedWidth_ = -1;
  int reportedHeight_ = -1;
  bool reportedMinimized_ = false;
  bool showing_ = false;
  bool placed_ = false;
  bool modal_ = false;
};

}  // namespace sigpatch::toolkit::win32
