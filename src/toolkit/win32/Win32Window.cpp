#include "toolkit/win32/Win32Window.h"

#include <algorithm>
#include <cmath>

#include "platform/DrivesAndFolders.h"
#include "platform/Platform.h"
#include "platform/win32/Wide.h"
#include "runtime/RuntimeError.h"
#include "toolkit/win32/Win32Button.h"
#include "toolkit/win32/Win32DirListBox.h"
#include "toolkit/win32/Win32DriveListBox.h"
#include "toolkit/win32/Win32Image.h"
#include "toolkit/win32/Win32Label.h"
#include "toolkit/win32/Win32Line.h"
#include "toolkit/win32/Win32RichTextBox.h"
#include "toolkit/win32/Win32StatusBar.h"
#include "toolkit/win32/Win32TextBox.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
using platform::win32::wide;
namespace {

constexpr wchar_t kFormClass[] = L"SigpatchForm";

LRESULT CALLBACK formProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(handle, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

void registerFormClass() {
  static const bool registered = [] {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_DBLCLKS;
    type.lpfnWndProc = formProc;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kFormClass;
    return ::RegisterClassExW(&type) != 0;
  }();
  (void)registered;
}

// The frame of a form's design: a sizable or fixed dialog frame, a title bar
// with the buttons the design asks for, or (a form without caption and
// control box) no title bar at all.
void stylesOf(const FormDesign& design, DWORD& style, DWORD& exStyle) {
  style = WS_CLIPCHILDREN;
  exStyle = WS_EX_CONTROLPARENT | (design.ShowInTaskbar ? WS_EX_APPWINDOW : 0);
  const bool sizable = design.BorderStyle == FormBorderStyle::Sizable;
  if (!design.ControlBox && design.Caption.empty()) {
    style |= WS_POPUP | (sizable ? WS_THICKFRAME : WS_DLGFRAME);
    if (!sizable) exStyle |= WS_EX_DLGMODALFRAME;
    return;
  }
  style |= WS_OVERLAPPED | WS_CAPTION;
  if (design.ControlBox) style |= WS_SYSMENU;
  if (design.ControlBox && design.MinButton) style |= WS_MINIMIZEBOX;
  if (sizable) {
    style |= WS_THICKFRAME;
    if (design.ControlBox && design.MaxButton) style |= WS_MAXIMIZEBOX;
  } else {
    exStyle |= WS_EX_DLGMODALFRAME;
  }
}

}  // namespace

Win32Window::Win32Window(Win32Windowing& windowing, const FormDesign& design)
    : Window(windowing, design), windowing_(windowing), alive_(std::make_shared<bool>(true)) {
  registerFormClass();
  DWORD style = 0;
  DWORD exStyle = 0;
  stylesOf(design, style, exStyle);
  RECT frame{0, 0, PixelsX(design.ScaleWidth), PixelsY(design.ScaleHeight)};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  // A form kept out of the task bar is owned by the layer's hidden window.
  HWND owner = design.ShowInTaskbar ? nullptr : windowing.HiddenOwner();
  const bool popup = (style & WS_POPUP) != 0;
  handle_ = ::CreateWindowExW(exStyle, kFormClass, wide(design.Caption).c_str(), style,
                              popup ? 0 : CW_USEDEFAULT, popup ? 0 : CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  if (handle_ == nullptr) throw RuntimeError(err::kOutOfMemory);
  ::SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!design.Icon.empty()) SetIcon(windowing.LoadPicture(design.Icon));
  windowing_.Register(*this);
}

Win32Window::~Win32Window() {
  windowing_.Unregister(*this);
  *alive_ = false;
  EndModal();
  // The window reports nothing more; its controls go with it.
  ::SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  ::DestroyWindow(handle_);
  controls_.clear();
  children_.clear();
  lines_.clear();
}

double Win32Window::Left() const {
  RECT rect{};
  ::GetWindowRect(handle_, &rect);
  return rect.left * windowing_.Screen().TwipsPerPixelX();
}

double Win32Window::Top() const {
  RECT rect{};
  ::GetWindowRect(handle_, &rect);
  return rect.top * windowing_.Screen().TwipsPerPixelY();
}

double Win32Window::Width() const {
  RECT rect{};
  ::GetWindowRect(handle_, &rect);
  return (rect.right - rect.left) * windowing_.Screen().TwipsPerPixelX();
}

double Win32Window::Height() const {
  RECT rect{};
  ::GetWindowRect(handle_, &rect);
  return (rect.bottom - rect.top) * windowing_.Screen().TwipsPerPixelY();
}

void Win32Window::Move(double left, double top) {
  ::SetWindowPos(handle_, nullptr, PixelsX(left), PixelsY(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

std::intptr_t Win32Window::hWnd() const {
  return IsLoaded() ? reinterpret_cast<std::intptr_t>(handle_) : 0;
}

std::u16string Win32Window::Caption() const {
  const int length = ::GetWindowTextLengthW(handle_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(handle_, text.data(), length + 1)));
  return fromWide(text);
}

void Win32Window::SetCaption(std::u16string_view value) {
  ::SetWindowTextW(handle_, wide(value).c_str());
}

void Win32Window::SetIcon(const toolkit::Picture& value) {
  icon_ = value;
  HICON icon = windowing_.Pictures().Icon(value);
  ::SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

std::int32_t Win32Window::WindowState() const {
  if (!IsVisible()) return pendingState_;
  if (::IsIconic(handle_)) return kWindowMinimized;
  if (::IsZoomed(handle_)) return kWindowMaximized;
  return kWindowNormal;
}

void Win32Window::SetWindowState(std::int32_t value) {
  pendingState_ = value;
  if (!IsVisible()) return;
  const int show = value == kWindowMinimized   ? SW_MINIMIZE
                   : value == kWindowMaximized ? SW_MAXIMIZE
                                               : SW_RESTORE;
  ::ShowWindow(handle_, show);
}

double Win32Window::ScaleWidth() const {
  RECT client{};
  ::GetClientRect(handle_, &client);
  return client.right * windowing_.Screen().TwipsPerPixelX();
}

double Win32Window::ScaleHeight() const {
  RECT client{};
  ::GetClientRect(handle_, &client);
  return client.bottom * windowing_.Screen().TwipsPerPixelY();
}

template <typename T, typename... Args>
T& Win32Window::Add(Args&&... args) {
  auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
  auto& added = *control;
  children_.push_back(&added);
  controls_.push_back(std::move(control));
  return added;
}

RichTextBox& Win32Window::AddRichTextBox(const ControlDesign& design) {
  return Add<Win32RichTextBox>(design);
}

StatusBar& Win32Window::AddStatusBar(const ControlDesign& design, std::vector<StatusPanel> panels) {
  return Add<Win32StatusBar>(design, std::move(panels),
                             Design().BorderStyle == FormBorderStyle::Sizable);
}

Image& Win32Window::AddImage(const ControlDesign& design, const toolkit::Picture& picture) {
  return Add<Win32Image>(design, picture);
}

Label& Win32Window::AddLabel(const ControlDesign& design, const LabelDesign& label) {
  return Add<Win32Label>(design, label);
}

Line& Win32Window::AddLine(const LineDesign& design) {
  lines_.push_back(std::make_unique<Win32Line>(*this, design));
  LinesChanged();
  return *lines_.back();
}

Button& Win32Window::AddButton(const ControlDesign& design, const ButtonDesign& button) {
  return Add<Win32Button>(design, button);
}

TextBox& Win32Window::AddTextBox(const ControlDesign& design, const TextBoxDesign& box) {
  return Add<Win32TextBox>(design, box);
}

DriveListBox& Win32Window::AddDriveListBox(const ControlDesign& design) {
  return Add<Win32DriveListBox>(design, platform::drivesAndFolders());
}

DirListBox& Win32Window::AddDirListBox(const ControlDesign& design) {
  return Add<Win32DirListBox>(design, platform::drivesAndFolders());
}

Control* Win32Window::FindControl(std::u16string_view name) const {
  for (const auto& control : controls_) {
    if (control->Name() == name) return control.get();
  }
  return nullptr;
}

HWND Win32Window::ControlHandle(std::u16string_view name) const {
  auto* child = dynamic_cast<Win32Child*>(FindControl(name));
  return child != nullptr ? child->Handle() : nullptr;
}

Win32Line* Win32Window::FindLine(std::u16string_view name) const {
  for (const auto& line : lines_) {
    if (line->Name() == name) return line.get();
  }
  return nullptr;
}

HWND Win32Window::NewChild(const wchar_t* className, std::u16string_view text, unsigned long style,
                           unsigned long exStyle) {
  const auto id = nextId_++;
  HWND child = ::CreateWindowExW(exStyle, className, wide(text).c_str(), WS_CHILD | style, 0, 0, 0,
                                 0, handle_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
  if (child == nullptr) throw RuntimeError(err::kOutOfMemory);
  return child;
}

void Win32Window::PlaceChild(HWND child, double left, double top, double width, double height,
                             int extraHeight) const {
  ::MoveWindow(child, PixelsX(left), PixelsY(top), std::max(0, PixelsX(width)),
               std::max(0, PixelsY(height)) + extraHeight, TRUE);
}

void Win32Window::ShowChild(HWND child, bool visible) const {
  ::ShowWindow(child, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Window::SetToolTip(HWND child, std::u16string_view text) {
  if (toolTips_ == nullptr) return;
  std::wstring tip = wide(text);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = handle_;
  tool.uId = reinterpret_cast<UINT_PTR>(child);
  ::SendMessageW(toolTips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (tip.empty()) return;
  tool.lpszText = tip.data();
  ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

int Win32Window::PixelsX(double twips) const {
  return static_cast<int>(std::lround(twips / windowing_.Screen().TwipsPerPixelX()));
}

int Win32Window::PixelsY(double twips) const {
  return static_cast<int>(std::lround(twips / windowing_.Screen().TwipsPerPixelY()));
}

void Win32Window::LinesChanged() const { ::InvalidateRect(handle_, nullptr, TRUE); }

Win32Child* Win32Window::ChildOf(HWND handle) const {
  for (auto* child : children_) {
    if (child->Handle() == handle) return child;
  }
  return nullptr;
}

Win32Child* Win32Window::DefaultButton(bool cancel) const {
  for (const auto& control : controls_) {
    const auto* button = dynamic_cast<const Win32Button*>(control.get());
    if (button == nullptr || !button->Visible() || !::IsWindowEnabled(button->Handle())) continue;
    if (cancel ? button->Cancel() : button->Default()) {
      return const_cast<Win32Button*>(button);
    }
  }
  return nullptr;
}

void Win32Window::Paint() {
  PAINTSTRUCT paint{};
  const HDC dc = ::BeginPaint(handle_, &paint);
  // The wider lines first: a one-pixel line on a two-pixel one shows as an
  // etched rule whichever was made first.
  std::vector<const Win32Line*> order;
  for (const auto& line : lines_) order.push_back(line.get());
  std::stable_sort(order.begin(), order.end(), [](const Win32Line* a, const Win32Line* b) {
    return a->BorderWidth() > b->BorderWidth();
  });
  for (const auto* line : order) line->Paint(dc);
  ::EndPaint(handle_, &paint);
}

void Win32Window::KeyReleasedByUser(std::int16_t KeyCode, std::int16_t Shift) {
  windowing_.Deliver([this, KeyCode, Shift] { KeyReleased(KeyCode, Shift); });
}

std::intptr_t Win32Window::HandleMessage(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
  switch (message) {
    case WM_COMMAND: {
      const auto code = HIWORD(wParam);
      auto* child = ChildOf(reinterpret_cast<HWND>(lParam));
      // Enter and Esc, from the dialog keys, name the default and cancel
      // buttons by the system's numbers when the form has them by no other.
      if (child == nullptr && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        child = DefaultButton(LOWORD(wParam) == IDCANCEL);
        if (child != nullptr) windowing_.Deliver([child] { child->Command(BN_CLICKED); });
        return 0;
      }
      if (child != nullptr) windowing_.Deliver([child, code] { child->Command(code); });
      return 0;
    }
    case DM_GETDEFID: {
      auto* button = DefaultButton(false);
      if (button == nullptr) return 0;
      return MAKELRESULT(::GetDlgCtrlID(button->Handle()), DC_HASDEFID);
    }
    case WM_CTLCOLORSTATIC: {
      if (auto* child = ChildOf(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = child->ColorStatic(reinterpret_cast<HDC>(wParam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (auto* child = ChildOf(item->hwndItem)) child->DrawItem(*item);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      item->itemHeight = Win32DirListBox::kRowHeight;
      return TRUE;
    }
    case WM_SETCURSOR: {
      if (windowing_.Win32ScreenOf().ApplyPointer()) return TRUE;
      if (auto* child = ChildOf(reinterpret_cast<HWND>(wParam));
          child != nullptr && child->SetPointer()) {
        return TRUE;
      }
      break;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE: {
      for (auto* child : children_) child->FormResized();
      const bool minimized = wParam == SIZE_MINIMIZED;
      const int width = LOWORD(lParam);
      const int height = HIWORD(lParam);
      // Showing reports its own first resize.
      if (showing_ || !IsVisible()) break;
      if (minimized == reportedMinimized_ &&
          (minimized || (width == reportedWidth_ && height == reportedHeight_))) {
        break;
      }
      reportedMinimized_ = minimized;
      if (!minimized) {
        reportedWidth_ = width;
        reportedHeight_ = height;
      }
      windowing_.Deliver([this] { Resized(); });
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        // The control that had the focus gets it back when the form does.
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(handle_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      // The form passes the focus on to the control that had it last, or to
      // the first of its tab order (activation may come after the showing).
      HWND next = lastFocus_ != nullptr && ::IsWindow(lastFocus_) ? lastFocus_ : firstFocus_;
      if (next != nullptr && ::IsWindowEnabled(next)) {
        ::SetFocus(next);
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      windowing_.Deliver([this] { CloseBoxClicked(); });
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(handle_, message, wParam, lParam);
}

void Win32Window::LoadNative() {}

void Win32Window::ShowNative(ShowMode mode) {
  showing_ = true;
  modal_ = mode == ShowMode::Modal;
  if (modal_) {
    // The program's other windows take no input while a modal window is up.
    disabled_.clear();
    for (auto* form : windowing_.Forms()) {
      HWND other = form->Handle();
      if (form != this && ::IsWindowVisible(other) && ::IsWindowEnabled(other)) {
        ::EnableWindow(other, FALSE);
        disabled_.push_back(other);
      }
    }
  }
  // The tab order of the design, and the focus on its first control.
  HWND first = nullptr;
  {
    struct Stop {
      std::int32_t index;
      HWND handle;
      bool visible;
    };
    std::vector<Stop> tabbed;
    for (const auto& control : controls_) {
      auto* child = dynamic_cast<Win32Child*>(control.get());
      if (child == nullptr || !child->TakesFocus()) continue;
      tabbed.push_back({child->TabIndex() < 0 ? INT32_MAX : child->TabIndex(), child->Handle(),
                        control->Visible()});
    }
    std::stable_sort(tabbed.begin(), tabbed.end(),
                     [](const Stop& a, const Stop& b) { return a.index < b.index; });
    HWND previous = HWND_TOP;
    for (const auto& stop : tabbed) {
      ::SetWindowPos(stop.handle, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      previous = stop.handle;
      // The control's visibility as the program set it: the form is not
      // shown yet, and a box whose drawing waits reads as hidden meanwhile.
      if (first == nullptr && stop.visible) first = stop.handle;
    }
  }
  if (!placed_ && Design().StartUpPosition == StartUpPosition::CenterScreen) {
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT rect{};
    ::GetWindowRect(handle_, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    ::SetWindowPos(handle_, nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  placed_ = true;
  const int show = pendingState_ == kWindowMinimized   ? SW_SHOWMINIMIZED
                   : pendingState_ == kWindowMaximized ? SW_SHOWMAXIMIZED
                                                       : SW_SHOWNORMAL;
  ::ShowWindow(handle_, show);
  ::SetForegroundWindow(handle_);
  firstFocus_ = first;
  if (first != nullptr && pendingState_ != kWindowMinimized) ::SetFocus(first);
  ::UpdateWindow(handle_);
  RECT client{};
  ::GetClientRect(handle_, &client);
  reportedWidth_ = client.right;
  reportedHeight_ = client.bottom;
  reportedMinimized_ = ::IsIconic(handle_) != FALSE;
  showing_ = false;
}

void Win32Window::RunModal() {
  const auto alive = alive_;
  windowing_.RunModalLoop([this, alive] { return !*alive || !IsVisible(); });
}

void Win32Window::EndModal() {
  if (!modal_) return;
  modal_ = false;
  for (HWND other : disabled_) {
    if (::IsWindow(other)) ::EnableWindow(other, TRUE);
  }
  disabled_.clear();
}

void Win32Window::HideNative() {
  EndModal();
  ::ShowWindow(handle_, SW_HIDE);
}

void Win32Window::UnloadNative() {
  // The other windows get their input back before this one goes, so that
  // the system activates one of them.
  EndModal();
  placed_ = false;
  pendingState_ = kWindowNormal;
  lastFocus_ = nullptr;
  ::ShowWindow(handle_, SW_HIDE);
}

}  // namespace sigpatch::toolkit::win32
