#include "toolkit/win32/Win32Image.h"

#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

Win32Image::Win32Image(Win32Window& form, const ControlDesign& design,
                       const toolkit::Picture& picture)
    : Win32Control(form, design, form.NewChild(L"STATIC", u"", SS_BITMAP | SS_NOTIFY)) {
  SetPicture(picture);
}

void Win32Image::SetPicture(const toolkit::Picture& value) {
  picture_ = value;
  HBITMAP bitmap = Form().Windowing().Pictures().Bitmap(value);
  ::SendMessageW(Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  if (!value.Empty()) {
    // The image takes the size of its picture.
    auto& screen = Form().Owner().Screen();
    SetWidth(value.WidthPixels() * screen.TwipsPerPixelX());
    SetHeight(value.HeightPixels() * screen.TwipsPerPixelY());
  }
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void Win32Image::Command(unsigned code) {
  if (code == STN_CLICKED) raiseEvent(OnClick);
}

}  // namespace sigpatch::toolkit::win32
