#include "toolkit/win32/Win32DriveListBox.h"

#include <algorithm>

#include "platform/DrivesAndFolders.h"
#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::wide;
namespace {

// The height of the list that drops down, in pixels.
constexpr int kDropDown = 160;

}  // namespace

Win32DriveListBox::Win32DriveListBox(Win32Window& form, const ControlDesign& design,
                                     platform::DrivesAndFolders& folders)
    : Win32Control(form, design,
                   form.NewChild(WC_COMBOBOXW, u"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST)),
      folders_(folders),
      drives_(folders.Drives()),
      drive_(folders.DriveOf(folders.CurrentFolder())) {
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})),
                 FALSE);
  for (const auto& drive : drives_) {
    ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(drive).c_str()));
  }
  Placed();
  ShowDrive();
}

void Win32DriveListBox::Placed() { Place(kDropDown); }

void Win32DriveListBox::SetDrive(std::u16string_view path) {
  auto drive = folders_.ReadyDriveOf(path);
  if (drive == drive_) return;
  drive_ = std::move(drive);
  ShowDrive();
  raiseEvent(OnChange);
}

void Win32DriveListBox::Command(unsigned code) {
  if (code != CBN_SELCHANGE) return;
  const auto row = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
  if (row < 0 || static_cast<std::size_t>(row) >= drives_.size()) return;
  const auto& drive = drives_[static_cast<std::size_t>(row)];
  if (drive == drive_) return;
  if (!folders_.IsReady(drive)) {
    ::MessageBeep(MB_ICONWARNING);
    ShowDrive();
    return;
  }
  drive_ = drive;
  raiseEvent(OnChange);
}

void Win32DriveListBox::ShowDrive() {
  // A drive that is not among the logical drives (a network share) joins the list.
  auto found = std::find(drives_.begin(), drives_.end(), drive_);
  if (found == drives_.end()) {
    drives_.push_back(drive_);
    ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(drive_).c_str()));
    found = drives_.end() - 1;
  }
  ::SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(found - drives_.begin()), 0);
}

}  // namespace sigpatch::toolkit::win32
