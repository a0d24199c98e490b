#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "runtime/Collection.h"
#include "runtime/Event.h"
#include "runtime/PathStyle.h"

namespace sigpatch {

class Application;
class FileUtilities;
class StringUtilities;

/// Works on a whole folder tree: brings a destination tree up to date from a
/// source tree, empties a tree of old files and the folders this leaves empty,
/// deletes one old file, and removes sub-folders that hold no files. Every step
/// is reported as one line with a colour (0x00BBGGRR) through FileTreeChange;
/// the folder being worked on through StatusChange.
class FileTree {
 public:
  /// `style` is the path style of the paths it is given and reports.
  explicit FileTree(runtime::PathStyle style = runtime::kNativePathStyle);
  ~FileTree();
  FileTree(const FileTree&) = delete;
  FileTree& operator=(const FileTree&) = delete;

  /// The tree that is read or cleaned; for RemoveOldFile the path of one file.
  std::u16string SourceDir;
  /// The tree that UpdateTree brings up to date.
  std::u16string DestinationDir;
  /// When true, the lines for copied files and created folders are left out.
  bool OnlyLogErrors = false;
  /// When true, UpdateTree never overwrites a file that exists at the destination.
  bool DontReplaceExistingFiles = false;

  /// Raised once for every line, in the order of the steps: the text and its
  /// colour, which a receiver may read (a change to it is not used). The main
  /// window's FTC_FileTreeChange is such a receiver.
  Event<std::u16string_view, std::int32_t&> FileTreeChange;
  /// Raised with the folder being worked on; the update-run controller shows
  /// it in the main window's status bar.
  Event<std::u16string_view> StatusChange;

  /// Makes the class's own utilities. Error 91 when `objA` is not set; the
  /// class asks the application nothing.
  void InitMyObjects(Application* objA);
  /// Deletes every file of the SourceDir tree older than `lngDaysToKeep` days
  /// and removes the sub-folders this empties; SourceDir itself stays.
  void EmptyFolder(std::int32_t lngDaysToKeep);
  /// Deletes the file SourceDir when it is older than `lngDaysToKeep` days.
  void RemoveOldFile(std::int32_t lngDaysToKeep);
  /// Removes each folder directly in SourceDir that holds no file anywhere
  /// below it; one that holds files deeper down is skipped.
  void RemoveEmptySubFolders();
  /// Copies every file of the SourceDir tree that is missing at the
  /// DestinationDir tree, or newer than the file there (by file date text),
  /// creating folders as needed; true when every item was brought up to date.
  bool UpdateTree();
  /// Adds an extension (without its dot) that UpdateTree does not copy; letter
  /// case is ignored and one already there is left alone.
  void ExtensionToSkip(std::u16string_view strExtension);
  /// Whether UpdateTree skips the extension (letter case ignored).
  bool CheckExtension(std::u16string_view strExtension) const;
  /// The skipped extensions, upper-cased, in the order given, joined by ", ".
  std::u16string ListExtensionsToSkip() const;
  /// Deletes a folder with everything in it (read-only files below it refuse);
  /// the outcome is reported as a line.
  void DeleteFolder(std::u16string_view strPath);
  /// Creates a folder and its missing parents, outermost first, each reported
  /// as a line; a failure is reported as a line too.
  void CreatePath(std::u16string_view strPath);

 private:
  bool pUpdateTree(const std::u16string& strSource, const std::u16string& strDest);
  /// `existing`: the destination file when the folder's listing holds it.
  bool pUpdateFile(const std::u16string& strSource, const std::u16string& strDest,
                   platform::File* existing = nullptr);
  /// `existing`: the destination file when there is one.
  bool pCopyFile(const std::u16string& strSource, const std::u16string& strDest,
                 platform::File* existing);
  bool pEmptyFolder(const std::u16string& strFolder, std::int32_t lngDaysToKeep);
  bool pRemoveOldFile(const std::u16string& strPath, std::int32_t lngDaysToKeep);
  bool pRemoveEmptySubFolders(const std::u16string& strFolder);
  void pRaiseChange(std::u16string_view strText, std::int32_t Color);
  /// "Permission denied (folder)" in red for error 70, the error report otherwise.
  void reportFolderFault(const std::exception& e, const std::u16string& strFolder,
                         std::u16string_view procedure);
  platform::FileSystem& FSO();

  /// Adds a copy to the batch, over `existing` when there is a file there;
  /// false when it could not be made.
  bool batchCopy(const std::u16string& strSource, const std::u16string& strDest,
                 platform::File* existing);
  /// Makes the batch's copies durable, moves them into place and makes their
  /// folders durable, then reports what was held back for them.
  void placeCopies();

  /// True when a file lies anywhere below the folder.
  bool holdsFiles(const platform::Folder& folder);
  void showStatus(std::u16string_view strText);
  StringUtilities& strings() const;
  FileUtilities& files() const;

  runtime::PathStyle style_;
  std::unique_ptr<StringUtilities> su_;
  std::unique_ptr<FileUtilities> fu_;
  std::unique_ptr<Collection<std::u16string>> skip_;
  std::unique_ptr<platform::FileSystem> fso_;

  // While copies wait in a batch, the lines and status texts after them are
  // held back, so that each is reported only once what it follows is known.
  struct Held {
    enum Kind { Line, Status, Copy } kind;
    std::u16string text;  // a copy's line once it is in place; empty: no line
    std::int32_t color = 0;
    std::u16string failure;  // a copy's line when it could not be placed
  };
  std::unique_ptr<platform::CopyBatch> batch_;
  std::vector<Held> held_;
  std::size_t batchCopies_ = 0;
  std::int64_t batchBytes_ = 0;
  bool copiesFailed_ = false;
};

}  // namespace sigpatch
