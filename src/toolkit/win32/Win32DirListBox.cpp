#include "toolkit/win32/Win32DirListBox.h"

#include <algorithm>

#include "platform/DrivesAndFolders.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::toolkit::win32 {

using platform::win32::fromWide;
using platform::win32::rootOf;
using platform::win32::wide;
namespace {

// The folders inside `folder`, sorted without regard to case.
std::vector<std::u16string> foldersIn(const std::u16string& folder) {
  std::vector<std::u16string> names;
  std::u16string pattern = folder;
  if (pattern.empty() || pattern.back() != u'\\') pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(wide(pattern).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring_view name(entry.cFileName);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || name == L"." || name == L"..") {
      continue;
    }
    names.push_back(fromWide(name));
  } while (::FindNextFileW(search, &entry) != 0);
  ::FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    return text::toLower(a) < text::toLower(b);
  });
  return names;
}

std::u16string joined(const std::u16string& folder, const std::u16string& name) {
  if (!folder.empty() && folder.back() == u'\\') return folder + name;
  return folder + u"\\" + name;
}

}  // namespace

Win32DirListBox::Win32DirListBox(Win32Window& form, const ControlDesign& design,
                                 platform::DrivesAndFolders& folders)
    : Win32Control(form, design,
                   form.NewChild(WC_LISTBOXW, u"",
                                 WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                     LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                                 WS_EX_CLIENTEDGE)),
      folders_(folders),
      path_(folders.FindFolder(folders.CurrentFolder()).value_or(folders.CurrentFolder())) {
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form.Windowing().FontOf(Font{})),
                 FALSE);
  Fill();
}

void Win32DirListBox::SetPath(std::u16string_view value) {
  path_ = folders_.FolderToOpen(value);
  Fill();
  raiseEvent(OnChange);
}

void Win32DirListBox::Fill() {
  rows_.clear();
  // The root ("C:\" or "\\server\share\") and each folder down to the open one.
  const auto root = rootOf(path_);
  std::u16string folder = root.empty() ? path_ : root;
  int depth = 0;
  rows_.push_back({folder, text::toLower(folder), depth, true});
  std::size_t at = root.size();
  while (!root.empty() && at < path_.size()) {
    auto end = path_.find(u'\\', at);
    if (end == std::u16string::npos) end = path_.size();
    const auto name = path_.substr(at, end - at);
    folder = joined(folder, name);
    rows_.push_back({folder, name, ++depth, true});
    at = end + 1;
  }
  const int open = static_cast<int>(rows_.size()) - 1;
  for (const auto& name : foldersIn(path_)) {
    rows_.push_back({joined(path_, name), name, depth + 1, false});
  }
  HWND list = Handle();
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& row : rows_) {
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row.name).c_str()));
  }
  ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(open), 0);
  ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(open - 2, 0)), 0);
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void Win32DirListBox::Opened(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  const auto folder = rows_[static_cast<std::size_t>(row)].path;
  try {
    SetPath(folder);
  } catch (const RuntimeError&) {
    // The folder went (or its drive) since it was listed: list again.
    ::MessageBeep(MB_ICONWARNING);
    Fill();
  }
}

void Win32DirListBox::Command(unsigned code) {
  if (code == LBN_DBLCLK) {
    Opened(static_cast<int>(::SendMessageW(Handle(), LB_GETCURSEL, 0, 0)));
  }
}

void Win32DirListBox::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= rows_.size()) return;
  const Row& row = rows_[item.itemID];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const HDC dc = item.hDC;
  ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int left = item.rcItem.left + 2 + row.depth * 12;
  const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - 16) / 2;
  if (HICON icon = Form().Windowing().FolderIcon(row.open)) {
    ::DrawIconEx(dc, left, top, icon, 16, 16, 0, nullptr, DI_NORMAL);
  }
  RECT textRect = item.rcItem;
  textRect.left = left + 20;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const auto name = wide(row.name);
  ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &textRect,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if ((item.itemState & ODS_FOCUS) != 0) ::DrawFocusRect(dc, &item.rcItem);
}

}  // namespace sigpatch::toolkit::win32
