#pragma once

#include <QPointer>
#include <QRect>
#include <memory>
#include <vector>

#include "toolkit/Window.h"
#include "toolkit/qt/QtEvents.h"

class QEventLoop;
class QPainter;
class QWidget;

namespace sigpatch::toolkit::qt {

class QtFormWidget;
class QtLine;
class QtWindowing;

/// A form drawn as a top-level Qt widget whose whole inside is the form's
/// inner area; the controls are child widgets placed by their twips, and the
/// lines are painted on the form itself, as a form's own drawing is.
class QtWindow : public Window {
 public:
  QtWindow(QtWindowing& windowing, const FormDesign& design);
  ~QtWindow() override;

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

  /// The toolkit goes before the window: the widgets go now, and the window
  /// is of no further use.
  void Orphan();
  /// The top-level widget; it lives as long as the window.
  QWidget* Widget() const;
  QtWindowing& Windowing() const { return windowing_; }
  /// What the window's widgets hold to report events.
  QtEvents Events() const { return QtEvents(windowing_, alive_); }
  /// A place and size in twips of the form as whole pixels of the screen.
  QRect ToPixels(double left, double top, double width, double height) const;
  /// A length in twips across or down as whole pixels.
  int PixelsX(double twips) const;
  int PixelsY(double twips) const;
  /// The control of that name, or nullptr.
  Control* FindControl(std::u16string_view name) const;
  /// The button clicked by Enter or Esc; nullptr when the form has none.
  QWidget* DefaultButton() const;
  QWidget* CancelButton() const;

  // What the widget reports.
  void CloseBoxClickedByUser();
  void KeyReleasedByUser(std::int16_t KeyCode, std::int16_t Shift);
  void InnerResized();
  void StateChanged();
  void PaintLines(QPainter& painter) const;
  void LineChanged();

 protected:
  void LoadNative() override;
  void ShowNative(ShowMode mode) override;
  void RunModal() override;
  void HideNative() override;
  void UnloadNative() override;

 private:
  template <typename T, typename... Args>
  T& Add(Args&&... args);
  void QuitModal();

  QtWindowing& windowing_;
  std::shared_ptr<bool> alive_;
  QPointer<QtFormWidget> widget_;
  toolkit::Picture icon_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<QtLine>> lines_;
  /// The controls that take the focus, with their place in the tab order.
  std::vector<std::pair<int, QWidget*>> tabStops_;
  QEventLoop* modalLoop_ = nullptr;
  /// The inner size last reported to the program, in pixels.
  QSize reported_;
  bool showing_ = false;
  /// Whether the window has been placed since it was loaded.
  bool placed_ = false;
};

}  // namespace sigpatch::toolkit::qt
