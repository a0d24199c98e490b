#include "toolkit/Window.h"

#include "toolkit/Windowing.h"

namespace sigpatch::toolkit {

Window::Window(Windowing& owner, FormDesign design) : owner_(owner), design_(std::move(design)) {}

void Window::Load() {
  if (loaded_) return;
  loaded_ = true;
  LoadNative();
  raiseEvent(OnLoad);
}

void Window::Show(ShowMode mode) {
  Load();
  if (!loaded_) return;  // the load step closed the window again
  if (!visible_) {
    visible_ = true;
    ShowNative(mode);
    if (!shown_) {
      shown_ = true;
      raiseEvent(OnResize);
    }
  }
  if (mode == ShowMode::Modal && visible_) RunModal();
}

void Window::Hide() {
  if (!visible_) return;
  visible_ = false;
  HideNative();
}

void Window::Unload() {
  if (!loaded_ || unloading_) return;
  unloading_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{unloading_};
  raiseEvent(OnUnload);
  visible_ = false;
  loaded_ = false;
  shown_ = false;
  UnloadNative();
  owner_.FormUnloaded(*this);
}

void Window::CloseBoxClicked() {
  bool cancel = false;
  raiseEvent(OnQueryUnload, cancel);
  if (!cancel) Unload();
}

void Window::Resized() {
  if (loaded_) raiseEvent(OnResize);
}

void Window::KeyReleased(std::int16_t KeyCode, std::int16_t Shift) {
  // Only the form's own handler exists in this program; a form without key
  // preview leaves the key to the control that has the focus.
  if (design_.KeyPreview) raiseEvent(OnKeyUp, KeyCode, Shift);
}

}  // namespace sigpatch::toolkit
