#pragma once

#include "platform/DrivesAndFolders.h"
#include "toolkit/controls/DirListBox.h"
#include "toolkit/qt/QtControl.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace sigpatch::toolkit::qt {

/// A folder list on a QTreeWidget, drawn as the system's folder list is: the
/// open folder with every folder above it, opened, and the folders inside it
/// below. Double-clicking a folder (or Enter on it) opens it.
class QtDirListBox : public QtControl<DirListBox> {
 public:
  QtDirListBox(QtWindow& form, const ControlDesign& design, platform::DrivesAndFolders& folders);

  std::u16string Path() const override { return path_; }
  void SetPath(std::u16string_view value) override;

  QTreeWidget* View() const { return view_; }
  /// The item that shows that folder, or nullptr.
  QTreeWidgetItem* ItemOf(std::u16string_view folder) const;

 private:
  class FolderTree;

  /// The user opened the folder of that item.
  void Opened(QTreeWidgetItem* item);
  /// Lists the open folder, its folders above and the folders inside it.
  void Fill();

  QTreeWidget* view_;
  platform::DrivesAndFolders& folders_;
  std::u16string path_;
};

}  // namespace sigpatch::toolkit::qt
