#include "util/FileTree.h"

#include <exception>
#include <map>

#include "platform/Platform.h"
#include "runtime/Colors.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "toolkit/ErrorReportBox.h"
#include "toolkit/Windowing.h"
#include "util/FileUtilities.h"
#include "util/StringUtilities.h"

namespace sigpatch {
namespace {

using color::kBlack;
using color::kBlue;
using color::kRed;

bool isPermissionDenied(const std::exception& e) {
  return errorInfoOf(e).number == err::kPermissionDenied;
}

bool isLink(const platform::Folder& folder) {
  return (folder.Attributes() & platform::attr::kAlias) != 0;
}

// A batch of copies is made durable and placed once it holds this many files
// or bytes: many small files share one round of syncs, and a crash leaves
// little more behind in temporary files than one large copy would.
constexpr std::size_t kBatchCopies = 256;
constexpr std::int64_t kBatchBytes = std::int64_t{64} << 20;

}  // namespace

FileTree::FileTree(runtime::PathStyle style) : style_(style) {}

FileTree::~FileTree() = default;

void FileTree::InitMyObjects(Application* objA) {
  if (objA == nullptr) throw RuntimeError(err::kObjectNotSet);
  su_ = std::make_unique<StringUtilities>(style_);
  fu_ = std::make_unique<FileUtilities>(style_);
}

StringUtilities& FileTree::strings() const {
  if (!su_) throw RuntimeError(err::kObjectNotSet);
  return *su_;
}

FileUtilities& FileTree::files() const {
  if (!fu_) throw RuntimeError(err::kObjectNotSet);
  return *fu_;
}

void FileTree::showStatus(std::u16string_view strText) {
  if (!held_.empty()) {
    held_.push_back({Held::Status, std::u16string(strText), 0, {}});
    return;
  }
  StatusChange.raise(strText);
}

void FileTree::pRaiseChange(std::u16string_view strText, std::int32_t Color) {
  if (!held_.empty()) {
    held_.push_back({Held::Line, std::u16string(strText), Color, {}});
    return;
  }
  // Receivers get the colour by reference; what they make of it is not used.
  std::int32_t color = Color;
  FileTreeChange.raise(strText, color);
}

platform::FileSystem& FileTree::FSO() { return fileSystemOf(fso_); }

// --- The public tree operations -------------------------------------------

void FileTree::EmptyFolder(std::int32_t lngDaysToKeep) {
  pRaiseChange(
      u"Delete everything in " + SourceDir + u" older than " + text::dec(lngDaysToKeep) + u" days",
      kBlack);
  pRaiseChange(u" ", kBlack);
  pEmptyFolder(SourceDir, lngDaysToKeep);
  showStatus(u"");
  pRaiseChange(u" ", kBlack);
}

void FileTree::RemoveOldFile(std::int32_t lngDaysToKeep) {
  pRaiseChange(
      u"Deleting " + SourceDir + u" if it's older than " + text::dec(lngDaysToKeep) + u" days",
      kBlack);
  pRaiseChange(u" ", kBlack);
  pRemoveOldFile(SourceDir, lngDaysToKeep);
  showStatus(u"");
  pRaiseChange(u" ", kBlack);
}

void FileTree::RemoveEmptySubFolders() {
  pRaiseChange(u"Delete all folders in " + SourceDir + u" not containing any files", kBlack);
  pRaiseChange(u" ", kBlack);
  pRemoveEmptySubFolders(SourceDir);
  showStatus(u"");
  pRaiseChange(u" ", kBlack);
}

bool FileTree::UpdateTree() {
  pRaiseChange(u"Update files in " + DestinationDir + u" with files from " + SourceDir, kBlack);
  pRaiseChange(u" ", kBlack);
  const std::u16string skipped = ListExtensionsToSkip();
  if (skipped.find_first_not_of(u' ') != std::u16string::npos) {
    pRaiseChange(u"Skipping: " + skipped, kBlack);
    pRaiseChange(u" ", kBlack);
  }
  copiesFailed_ = false;
  bool ok = pUpdateTree(SourceDir, DestinationDir);
  placeCopies();
  if (copiesFailed_) ok = false;
  pRaiseChange(u" ", kBlack);
  if (ok) {
    pRaiseChange(u"OK!", kBlack);
  } else {
    pRaiseChange(u"There where some errors!", kRed);
  }
  showStatus(u"");
  pRaiseChange(u" ", kBlack);
  return ok;
}

// --- Bringing a tree up to date -------------------------------------------

bool FileTree::pUpdateTree(const std::u16string& strSource, const std::u16string& strDest) {
  bool ok = true;
  try {
    auto& fso = FSO();
    if (strSource.empty()) {
      pRaiseChange(u"No Source path!", kRed);
      return false;
    }
    if (strDest.empty()) {
      pRaiseChange(u"No Destination path!", kRed);
      return false;
    }
    if (!fso.FolderExists(strSource)) return pUpdateFile(strSource, strDest);
    auto& su = strings();
    if (su.StartsWith(strDest, strSource)) {
      pRaiseChange(strDest + u" starts with " + strSource + u", skipping...", kRed);
      return false;
    }
    if (!fso.FolderExists(strDest)) {
      CreatePath(strDest);
      // A destination folder that could not be made is an item not brought
      // up to date, even when there is no file to copy into it.
      if (!fso.FolderExists(strDest)) ok = false;
    }
    const std::u16string into = su.CheckPathEnding(strDest);
    const auto folder = fso.GetFolder(strSource);
    for (const auto& sub : folder->SubFolders()) {
      toolkit::doEvents();
      if (!pUpdateTree(sub->Path(), into + sub->Name())) ok = false;
    }
    showStatus(strSource);
    toolkit::doEvents();
    // The destination's files, listed at once: one found there needs no look-up
    // of its own. One not found is looked up by its path.
    std::map<std::u16string, std::unique_ptr<platform::File>> there;
    try {
      for (auto& file : fso.GetFolder(strDest)->Files()) {
        const std::u16string name = file->Name();
        there.emplace(name, std::move(file));
      }
    } catch (const std::exception&) {
    }
    for (const auto& file : folder->Files()) {
      toolkit::doEvents();
      const std::u16string name = file->Name();
      const auto existing = there.find(name);
      if (!pUpdateFile(file->Path(), into + name,
                       existing == there.end() ? nullptr : existing->second.get())) {
        ok = false;
      }
    }
    return ok;
  } catch (const std::exception& e) {
    placeCopies();  // the lines before the report first
    toolkit::showErrorReport(u"FileTree", u"pUpdateTree", e);
    return false;
  }
}

bool FileTree::pUpdateFile(const std::u16string& strSource, const std::u16string& strDest,
                           platform::File* existing) {
  if (CheckExtension(strings().ExtractExtension(strSource))) return true;
  if (existing == nullptr && !FSO().FileExists(strDest)) {
    return pCopyFile(strSource, strDest, nullptr);
  }
  if (DontReplaceExistingFiles) return true;
  // The destination's item, from the folder's listing or looked up by its path.
  std::unique_ptr<platform::File> found;
  if (existing == nullptr) existing = (found = FSO().GetFile(strDest)).get();
  auto& fu = files();
  const std::u16string there = fu.fileDateText(existing->DateLastModified());
  // File date texts order by time; an equal or older source stays put.
  if (!(fu.GetFileModDate(strSource) > there)) return true;
  return pCopyFile(strSource, strDest, existing);
}

bool FileTree::pCopyFile(const std::u16string& strSource, const std::u16string& strDest,
                         platform::File* existing) {
  auto& su = strings();
  const std::u16string name = su.ExtractFilename(strSource);
  const std::u16string from = su.ExtractPath(strSource);
  const std::u16string to = su.ExtractPath(strDest);
  const std::u16string failed = u"Failed to copy file " + name + u" from " + from + u" to " + to;
  if (!batchCopy(strSource, strDest, existing)) {
    pRaiseChange(failed, kRed);
    return false;
  }
  std::u16string copied;
  if (!OnlyLogErrors) {
    copied = u"File " + name + u" copied from " + from + u" to " + to;
  }
  held_.push_back({Held::Copy, copied, kBlack, failed});
  if (batchCopies_ >= kBatchCopies || batchBytes_ >= kBatchBytes) placeCopies();
  return true;
}

bool FileTree::batchCopy(const std::u16string& strSource, const std::u16string& strDest,
                         platform::File* existing) {
  try {
    auto& fso = FSO();
    // As FileUtilities.CopyFile does: a read-only destination is overwritten.
    if (existing != nullptr) clearReadOnly(*existing);
    if (!batch_) batch_ = fso.NewCopyBatch();
    batchBytes_ += batch_->Add(strSource, strDest);
    ++batchCopies_;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void FileTree::placeCopies() {
  const std::vector<Held> held = std::move(held_);
  held_.clear();
  const std::unique_ptr<platform::CopyBatch> batch = std::move(batch_);
  std::vector<bool> placed(batchCopies_, false);
  batchCopies_ = 0;
  batchBytes_ = 0;
  if (batch) {
    // A copy replaces what is there only once every copy of the batch is
    // durable, and counts as done only once its folder is.
    try {
      batch->Sync();
      placed.assign(placed.size(), true);
    } catch (const std::exception&) {
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
      try {
        if (placed[i]) batch->Place(i);
      } catch (const std::exception&) {
        placed[i] = false;
      }
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
      try {
        if (placed[i]) batch->SyncFolder(i);
      } catch (const std::exception&) {
        placed[i] = false;
      }
    }
  }
  std::size_t copy = 0;
  for (const Held& h : held) {
    if (h.kind == Held::Status) {
      showStatus(h.text);
    } else if (h.kind == Held::Line) {
      pRaiseChange(h.text, h.color);
    } else if (placed[copy++]) {
      if (!h.text.empty()) pRaiseChange(h.text, h.color);
    } else {
      copiesFailed_ = true;
      pRaiseChange(h.failure, kRed);
    }
  }
}

void FileTree::CreatePath(std::u16string_view strPath) {
  std::u16string path(strPath);
  try {
    if (path.empty()) return;
    if (style_ == runtime::PathStyle::Windows) {
      if (path.size() == 2 && path[1] == u':') return;  // a bare drive
    } else if (path.find_first_not_of(u'/') == std::u16string::npos) {
      return;  // the root stands where a bare drive stands
    }
    auto& su = strings();
    path = su.RemovePathEnding(path);
    auto& fso = FSO();
    if (!fso.FolderExists(path)) {
      // The parent is shorter, except for a text like "ab:" whose parent is
      // itself: going up from there would never end.
      const std::u16string parent = su.ExtractPath(path);
      if (parent.size() < path.size()) CreatePath(parent);
      fso.CreateFolder(path);
      if (!OnlyLogErrors) pRaiseChange(u"Folder " + path + u" created", kBlack);
    }
  } catch (const std::exception&) {
    pRaiseChange(u"Failed to create folder " + path, kRed);
  }
}

// --- Cleaning a tree --------------------------------------------------------

bool FileTree::pEmptyFolder(const std::u16string& strFolder, std::int32_t lngDaysToKeep) {
  bool ok = true;
  try {
    auto& fso = FSO();
    if (!fso.FolderExists(strFolder)) {
      pRaiseChange(u"Folder " + strFolder + u" does not exist", kBlack);
      return true;
    }
    const auto folder = fso.GetFolder(strFolder);
    for (const auto& sub : folder->SubFolders()) {
      toolkit::doEvents();
      const std::u16string path = sub->Path();
      // A link leads out of the tree: the files it leads to are not this
      // tree's to delete, so it stays, and so does this folder.
      if (!isLink(*sub) && pEmptyFolder(path, lngDaysToKeep)) {
        DeleteFolder(path);
      } else {
        ok = false;
        pRaiseChange(u"Folder " + path + u" skipped", kBlue);
      }
    }
    showStatus(strFolder);
    toolkit::doEvents();
    auto& fu = files();
    for (const auto& file : folder->Files()) {
      toolkit::doEvents();
      const std::u16string path = file->Path();
      if (fu.DeleteOldFile(path, lngDaysToKeep)) {
        pRaiseChange(u"File " + path + u" deleted", kBlack);
      } else {
        ok = false;
        pRaiseChange(u"File " + path + u" not deleted", kBlue);
      }
    }
    return ok;
  } catch (const std::exception& e) {
    reportFolderFault(e, strFolder, u"pEmptyFolder");
    return false;
  }
}

bool FileTree::pRemoveOldFile(const std::u16string& strPath, std::int32_t lngDaysToKeep) {
  try {
    auto& fso = FSO();
    if (fso.FileExists(strPath)) {
      if (files().DeleteOldFile(strPath, lngDaysToKeep)) {
        pRaiseChange(u"File " + strPath + u" deleted", kBlack);
      } else {
        pRaiseChange(u"File " + strPath + u" not deleted", kBlack);
        return false;
      }
    } else {
      pRaiseChange(u"File " + strPath + u" does not exist", kBlack);
    }
    return true;
  } catch (const std::exception& e) {
    toolkit::showErrorReport(u"FileTree", u"pRemoveOldFile", e);
    return false;
  }
}

bool FileTree::holdsFiles(const platform::Folder& folder) {
  if (!folder.Files().empty()) return true;
  for (const auto& sub : folder.SubFolders()) {
    toolkit::doEvents();
    if (holdsFiles(*sub)) return true;
  }
  return false;
}

bool FileTree::pRemoveEmptySubFolders(const std::u16string& strFolder) {
  bool ok = true;
  try {
    auto& fso = FSO();
    if (!fso.FolderExists(strFolder)) {
      pRaiseChange(u"Folder " + strFolder + u" does not exist", kBlack);
      return true;
    }
    for (const auto& sub : fso.GetFolder(strFolder)->SubFolders()) {
      toolkit::doEvents();
      const std::u16string path = sub->Path();
      // A folder counts as empty only when no file lies anywhere below it:
      // deleting it deletes everything below it.
      if (!holdsFiles(*sub)) {
        DeleteFolder(path);
      } else {
        ok = false;
        pRaiseChange(u"Folder " + path + u" skipped", kBlue);
      }
    }
    return ok;
  } catch (const std::exception& e) {
    reportFolderFault(e, strFolder, u"pRemoveEmptySubFolders");
    return false;
  }
}

void FileTree::reportFolderFault(const std::exception& e, const std::u16string& strFolder,
                                 std::u16string_view procedure) {
  if (isPermissionDenied(e)) {
    pRaiseChange(u"Permission denied (" + strFolder + u")", kRed);
  } else {
    toolkit::showErrorReport(u"FileTree", procedure, e);
  }
}

void FileTree::DeleteFolder(std::u16string_view strPath) {
  const std::u16string path(strPath);
  try {
    auto& fso = FSO();
    clearReadOnly(*fso.GetFolder(path));
    fso.DeleteFolder(path, false);
    pRaiseChange(u"Folder " + path + u" deleted", kBlack);
  } catch (const std::exception&) {
    pRaiseChange(u"Failed to delete folder " + path, kRed);
  }
}

// --- The skip set -----------------------------------------------------------

void FileTree::ExtensionToSkip(std::u16string_view strExtension) {
  try {
    if (!skip_) skip_ = std::make_unique<Collection<std::u16string>>();
    const std::u16string upper = text::toUpper(strExtension);
    skip_->Add(upper, upper);
  } catch (const std::exception&) {
    // One already in the set stays as it is.
  }
}

bool FileTree::CheckExtension(std::u16string_view strExtension) const {
  return skip_ && skip_->Contains(strExtension);
}

std::u16string FileTree::ListExtensionsToSkip() const {
  std::u16string list;
  if (!skip_) return list;
  bool first = true;
  for (const auto& extension : *skip_) {
    if (!first) list += u", ";
    list += extension;
    first = false;
  }
  return list;
}

}  // namespace sigpatch
