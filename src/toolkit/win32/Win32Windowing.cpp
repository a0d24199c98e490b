#include "toolkit/win32/Win32Windowing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"
#include "platform/win32/Wide.h"
#include "runtime/ErrorReport.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::wide;
namespace {

constexpr wchar_t kOwnerClass[] = L"SigpatchOwner";

HWND makeHiddenOwner() {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = ::DefWindowProcW;
  type.hInstance = ::GetModuleHandleW(nullptr);
  type.lpszClassName = kOwnerClass;
  ::RegisterClassExW(&type);
  return ::CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

Win32Windowing::Win32Windowing(ProgramInfo app, std::u16string command)
    : app_(std::move(app)), command_(std::move(command)) {
  // The imaging component reads the pictures; the rich-edit control and the
  // common controls are loaded once.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  comStarted_ = SUCCEEDED(com);
  ::LoadLibraryW(L"Msftedit.dll");
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  hiddenOwner_ = makeHiddenOwner();
}

Win32Windowing::~Win32Windowing() {
  ReleaseAll();
  for (auto& entry : fonts_) ::DeleteObject(entry.handle);
  if (folderOpen_ != nullptr) ::DestroyIcon(folderOpen_);
  if (folderClosed_ != nullptr) ::DestroyIcon(folderClosed_);
  if (hiddenOwner_ != nullptr) ::DestroyWindow(hiddenOwner_);
  if (comStarted_) ::CoUninitialize();
}

bool Win32Windowing::Dispatch(MSG& message) {
  if (message.message == WM_QUIT) {
    // Not ours to take: the loop that waits for it gets it again.
    ::PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  HWND root = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  Win32Window* form = FormOf(root);
  // A released key goes to the form first.
  if (form != nullptr && (message.message == WM_KEYUP || message.message == WM_SYSKEYUP)) {
    std::int16_t shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    form->KeyReleasedByUser(static_cast<std::int16_t>(message.wParam), shift);
    // The handler may have closed or destroyed the form.
    form = FormOf(root);
  }
  // The program's pointer over all its windows: a control that sets its own
  // pointer (the rich-edit box's I-beam) did so before its mouse message.
  if (form != nullptr && message.message == WM_MOUSEMOVE) screen_.ApplyPointer();
  // Tab, Enter, Esc and the mnemonics, as in a dialog.
  if (form != nullptr && ::IsWindowEnabled(root) && ::IsDialogMessageW(root, &message)) return true;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
  return true;
}

void Win32Windowing::DoEvents() {
  Pump pump(*this);
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!Dispatch(message)) break;
  }
}

void Win32Windowing::WaitForEvents(platform::Clock::TimePoint deadline) {
  {
    Pump pump(*this);
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - platform::clock().Now()).count();
    if (remaining > 0) {
      // Sleeps on the queue until a message comes or the deadline.
      ::MsgWaitForMultipleObjectsEx(0, nullptr,
                                    static_cast<DWORD>(std::min<long long>(remaining, 0x7FFFFFFF)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
  }
  DoEvents();
}

void Win32Windowing::RunEventLoop() {
  Pump pump(*this);
  MSG message{};
  while (AnyVisible()) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    Dispatch(message);
    if (AtTop()) ReleaseAtTop();
  }
}

void Win32Windowing::RunModalLoop(const std::function<bool()>& done) {
  Pump pump(*this);
  MSG message{};
  while (!done()) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    Dispatch(message);
  }
}

std::unique_ptr<Window> Win32Windowing::NewForm(const FormDesign& design) {
  return std::make_unique<Win32Window>(*this, design);
}

Picture Win32Windowing::LoadPicture(std::u16string_view resourceName) {
  return pictures_.Load(resourceName);
}

void Win32Windowing::End(int ExitCode) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(ExitCode);
}

void Win32Windowing::WriteOut(std::u16string_view line) {
  std::fputs((text::toUtf8(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

HFONT Win32Windowing::FontOf(const Font& font) {
  for (const auto& entry : fonts_) {
    if (entry.font.Name == font.Name && entry.font.Size == font.Size &&
        entry.font.Bold == font.Bold && entry.font.Underline == font.Underline) {
      return entry.handle;
    }
  }
  // The height in pixels of the font's size in points on this screen.
  const double pixelsPerPoint = 20.0 / screen_.TwipsPerPixelY();
  LOGFONTW logical{};
  logical.lfHeight = -static_cast<LONG>(std::lround(font.Size * pixelsPerPoint));
  logical.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  logical.lfUnderline = font.Underline ? TRUE : FALSE;
  logical.lfCharSet = DEFAULT_CHARSET;
  logical.lfQuality = DEFAULT_QUALITY;
  const auto name = wide(font.Name.substr(0, LF_FACESIZE - 1));
  std::copy(name.begin(), name.end(), logical.lfFaceName);
  HFONT handle = ::CreateFontIndirectW(&logical);
  if (handle == nullptr) handle = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  fonts_.push_back({font, handle});
  return handle;
}

HICON Win32Windowing::FolderIcon(bool open) {
  HICON& icon = open ? folderOpen_ : folderClosed_;
  if (icon == nullptr) {
    SHFILEINFOW info{};
    const UINT flags =
        SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0U);
    if (::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags) != 0) {
      icon = info.hIcon;
    }
  }
  return icon;
}

Win32Window* Win32Windowing::FormOf(HWND handle) const {
  if (handle == nullptr) return nullptr;
  for (auto* form : Forms()) {
    if (form->Handle() == handle) return form;
  }
  return nullptr;
}

MsgBoxResult Win32Windowing::ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                                            std::u16string_view title) {
  Pump pump(*this);
  // Owned by the program's active window, which waits for it.
  HWND active = ::GetActiveWindow();
  HWND owner = FormOf(active) != nullptr ? active : nullptr;
  const bool question = style == MsgBoxStyle::YesNoQuestion;
  UINT type = (question ? MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 : MB_OK) | MB_SETFOREGROUND |
              (owner == nullptr ? MB_TASKMODAL : 0U);
  if (style == MsgBoxStyle::Critical) type |= MB_ICONHAND;
  int answer = 0;
  {
    HandlerScope waiting(*this);
    answer = ::MessageBoxW(owner, wide(prompt).c_str(), wide(title).c_str(), type);
  }
  if (!question) return MsgBoxResult::OK;
  return answer == IDYES ? MsgBoxResult::Yes : MsgBoxResult::No;
}

}  // namespace sigpatch::toolkit::win32
