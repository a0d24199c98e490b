#pragma once

#include <vector>

#include "toolkit/controls/DirListBox.h"
#include "toolkit/win32/Win32Control.h"

namespace sigpatch::platform {
class DrivesAndFolders;
}

namespace sigpatch::toolkit::win32 {


/// A folder list drawn by an owner-drawn list box: the folders from the root
/// down to the open one, each with the open-folder icon and indented one step
/// further, then the folders inside it with the closed icon. A double click
/// opens a folder.
class Win32DirListBox : public Win32Control<DirListBox> {
 public:
  Win32DirListBox(Win32Window& form, const ControlDesign& design, platform::DrivesAndFolders& folders);

  std::u16string Path() const override { return path_; }
  void SetPath(std::u16string_view value) override;
  void Command(unsigned code) override;
  void DrawItem(const tagDRAWITEMSTRUCT& item) override;
  bool TakesFocus() const override { return true; }

  /// The height of a row, in pixels.
  static constexpr int kRowHeight = 18;

 private:
  void Fill();
  void Opened(int row);

  struct Row {
    std::u16string path;
    std::u16string name;
    int depth;
    bool open;
  };
  platform::DrivesAndFolders& folders_;
  std::u16string path_;
  std::vector<Row> rows_;
};

}  // namespace sigpatch::toolkit::win32
