#pragma once

#include <memory>
#include <string_view>

namespace sigpatch {

class AppMain;
class Application;
class FileTree;

/// Builds the program's controllers, each already given the application object.
/// It keeps no state and reports nothing: a failure gives no object.
class ObjectFactory {
 public:
  /// A new update-run controller that knows `objA`; nullptr when anything fails.
  std::unique_ptr<AppMain> CreateObject_AppMain(Application* objA) const;
  /// A new folder-tree synchroniser that knows `objA`, with its source and
  /// destination set; nullptr when anything fails.
  std::unique_ptr<FileTree> CreateObject_FileTree(Application* objA,
                                                  std::u16string_view strSourceDir,
                                                  std::u16string_view strDestinationDir) const;
};

}  // namespace sigpatch
