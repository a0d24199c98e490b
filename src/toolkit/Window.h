#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Form.h"
#include "toolkit/Picture.h"
#include "toolkit/controls/Button.h"
#include "toolkit/controls/DirListBox.h"
#include "toolkit/controls/DriveListBox.h"
#include "toolkit/controls/Image.h"
#include "toolkit/controls/Label.h"
#include "toolkit/controls/Line.h"
#include "toolkit/controls/RichTextBox.h"
#include "toolkit/controls/StatusBar.h"
#include "toolkit/controls/TextBox.h"

namespace sigpatch::toolkit {

class Windowing;

/// Window states.
inline constexpr std::int32_t kWindowNormal = 0;
inline constexpr std::int32_t kWindowMinimized = 1;
inline constexpr std::int32_t kWindowMaximized = 2;

/// Key codes the windows look at.
inline constexpr std::int16_t kKeyReturn = 13;
inline constexpr std::int16_t kKeyEscape = 27;
inline constexpr std::int16_t kKeyF1 = 112;

enum class ShowMode {
  Modeless = 0,
  /// The call returns when the window has been closed.
  Modal = 1,
};

enum class FormBorderStyle {
  Sizable,
  /// A dialog frame the user cannot resize.
  FixedDialog,
};

enum class StartUpPosition {
  /// Where the program or the toolkit puts it.
  Manual,
  /// In the centre of the screen when first shown.
  CenterScreen,
};

/// How a form is designed: its name ("frmMain"), caption, inner area in twips,
/// frame and icon. Its controls are added one by one after it is made.
struct FormDesign {
  std::u16string Name;
  std::u16string Caption;
  double ScaleWidth = 0;
  double ScaleHeight = 0;
  FormBorderStyle BorderStyle = FormBorderStyle::Sizable;
  /// The title bar with its system menu and close box.
  bool ControlBox = true;
  bool MinButton = true;
  bool MaxButton = true;
  bool ShowInTaskbar = true;
  /// The form sees key releases before its controls do.
  bool KeyPreview = false;
  /// The resource name of the form's icon; no icon when empty.
  std::u16string Icon;
  toolkit::StartUpPosition StartUpPosition = toolkit::StartUpPosition::Manual;
};

/// A top-level window with its controls, made unloaded by Windowing::NewForm.
/// This class keeps the window's life cycle (load, show, hide, unload) and its
/// events; a toolkit draws it and reports what the user does. Lengths are twips.
class Window : public Form {
 public:
  Window(Windowing& owner, FormDesign design);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const FormDesign& Design() const { return design_; }
  /// The windowing layer that made the window.
  Windowing& Owner() const { return owner_; }
  bool IsLoaded() const { return loaded_; }
  bool IsVisible() const { return visible_; }

  /// Loads the window when it is not loaded: the toolkit makes it (hidden) and
  /// OnLoad runs.
  void Load();
  /// Loads the window, shows it and, for the first showing, runs OnResize. A
  /// modal showing returns when the window has been closed.
  void Show(ShowMode mode = ShowMode::Modeless);
  void Hide();
  /// Closes the window: OnUnload runs, then the toolkit takes it down. Does
  /// nothing when the window is not loaded. The controls keep their contents.
  void Unload();

  virtual std::u16string Caption() const = 0;
  virtual void SetCaption(std::u16string_view value) = 0;
  virtual toolkit::Picture Icon() const = 0;
  virtual void SetIcon(const toolkit::Picture& value) = 0;
  std::intptr_t IconHandle() const override { return Icon().Handle(); }
  /// 0 normal, 1 minimized, 2 maximized.
  virtual std::int32_t WindowState() const = 0;
  virtual void SetWindowState(std::int32_t value) = 0;
  /// The inner area (without frame, title bar and menu), in twips.
  virtual double ScaleWidth() const = 0;
  virtual double ScaleHeight() const = 0;

  // The controls, each owned by the window and valid for its lifetime.
  virtual RichTextBox& AddRichTextBox(const ControlDesign& design) = 0;
  /// A status bar docked at the bottom, across the whole width; only the
  /// design's Height counts.
  virtual StatusBar& AddStatusBar(const ControlDesign& design, std::vector<StatusPanel> panels) = 0;
  /// An image holding `picture` (which may be empty).
  virtual Image& AddImage(const ControlDesign& design, const toolkit::Picture& picture) = 0;
  virtual Label& AddLabel(const ControlDesign& design, const LabelDesign& label) = 0;
  virtual Line& AddLine(const LineDesign& design) = 0;
  virtual Button& AddButton(const ControlDesign& design, const ButtonDesign& button) = 0;
  virtual TextBox& AddTextBox(const ControlDesign& design, const TextBoxDesign& box) = 0;
  virtual DriveListBox& AddDriveListBox(const ControlDesign& design) = 0;
  virtual DirListBox& AddDirListBox(const ControlDesign& design) = 0;

  // The events, connected by the window class that owns the form.
  std::function<void()> OnLoad;
  /// Runs when the inner area's size or the window state changes, and when the
  /// window is first shown.
  std::function<void()> OnResize;
  /// Runs when the user asks to close the window with its close box; setting
  /// `Cancel` to true keeps it open.
  std::function<void(bool& Cancel)> OnQueryUnload;
  /// Runs when the window is being closed, by the program or by the user.
  std::function<void()> OnUnload;
  /// A key was released: its key code and the shift state (1 Shift, 2 Ctrl, 4 Alt).
  std::function<void(std::int16_t KeyCode, std::int16_t Shift)> OnKeyUp;

 protected:
  /// The toolkit makes the window, hidden.
  virtual void LoadNative() = 0;
  virtual void ShowNative(ShowMode mode) = 0;
  /// Runs the window's events until the window is no longer visible.
  virtual void RunModal() = 0;
  virtual void HideNative() = 0;
  /// The toolkit takes the window down.
  virtual void UnloadNative() = 0;

  // What the toolkit reports.
  /// The inner area was resized, or the window state changed.
  void Resized();
  /// The user closed the window with its close box.
  void CloseBoxClicked();
  /// A key was released while the window or one of its controls had the focus.
  void KeyReleased(std::int16_t KeyCode, std::int16_t Shift);

  Windowing& owner_;

 private:
  FormDesign design_;
  bool loaded_ = false;
  bool visible_ = false;
  bool shown_ = false;
  bool unloading_ = false;
};

}  // namespace sigpatch::toolkit
