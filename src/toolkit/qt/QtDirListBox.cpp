#include "toolkit/qt/QtDirListBox.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "runtime/RuntimeError.h"

namespace sigpatch::toolkit::qt {
namespace {

constexpr int kPathRole = Qt::UserRole;

// "/home/user" → "/", "/home", "/home/user".
std::vector<std::u16string> foldersDownTo(const std::u16string& path) {
  std::vector<std::u16string> chain{u"/"};
  for (std::size_t at = path.find(u'/', 1); at != std::u16string::npos;
       at = path.find(u'/', at + 1)) {
    chain.push_back(path.substr(0, at));
  }
  if (path != u"/") chain.push_back(path);
  return chain;
}

std::u16string nameOf(const std::u16string& folder) {
  if (folder == u"/") return folder;
  return folder.substr(folder.rfind(u'/') + 1);
}

}  // namespace

// The tree without the branches that fold folders: the folders above the open
// one always stay open.
class QtDirListBox::FolderTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter* /*painter*/, const QRect& /*rect*/,
                    const QModelIndex& /*index*/) const override {}
};

QtDirListBox::QtDirListBox(QtWindow& form, const ControlDesign& design, platform::DrivesAndFolders& folders)
    : QtControl(form, design, new FolderTree(form.Widget())),
      view_(static_cast<QTreeWidget*>(Widget())),
      folders_(folders),
      path_(folders.CurrentFolder()) {
  view_->setHeaderHidden(true);
  view_->setColumnCount(1);
  view_->setRootIsDecorated(false);
  view_->setItemsExpandable(false);
  view_->setExpandsOnDoubleClick(false);
  view_->setIndentation(12);
  view_->setUniformRowHeights(true);
  Fill();
  QObject::connect(view_, &QTreeWidget::itemActivated, view_,
                   [this, events = form.Events()](QTreeWidgetItem* item) {
                     events.Raise([this, item] { Opened(item); });
                   });
}

void QtDirListBox::SetPath(std::u16string_view value) {
  path_ = folders_.FolderToOpen(value);
  Fill();
  raiseEvent(OnChange);
}

QTreeWidgetItem* QtDirListBox::ItemOf(std::u16string_view folder) const {
  const QString wanted = toQString(folder);
  for (QTreeWidgetItemIterator it(view_); *it != nullptr; ++it) {
    if ((*it)->data(0, kPathRole).toString() == wanted) return *it;
  }
  return nullptr;
}

void QtDirListBox::Opened(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const auto folder = fromQString(item->data(0, kPathRole).toString());
  try {
    SetPath(folder);
  } catch (const RuntimeError&) {
    // The folder went (or its drive) since it was listed: list again.
    QApplication::beep();
    Fill();
  }
}

void QtDirListBox::Fill() {
  view_->clear();
  const auto* style = view_->style();
  const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style->standardIcon(QStyle::SP_DirIcon);
  QTreeWidgetItem* parent = nullptr;
  for (const auto& folder : foldersDownTo(path_)) {
    auto* item = parent == nullptr ? new QTreeWidgetItem(view_) : new QTreeWidgetItem(parent);
    item->setText(0, toQString(nameOf(folder)));
    item->setData(0, kPathRole, toQString(folder));
    item->setIcon(0, open);
    parent = item;
  }
  const QDir dir(toQString(path_));
  const auto inside =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const auto& name : inside) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, name);
    item->setData(0, kPathRole, dir.filePath(name));
    item->setIcon(0, closed);
  }
  view_->expandAll();
  view_->setCurrentItem(parent);
  view_->scrollToItem(parent);
}

}  // namespace sigpatch::toolkit::qt
