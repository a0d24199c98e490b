#include "app/ObjectFactory.h"

#include <exception>

#include "app/AppMain.h"
#include "app/Application.h"
#include "util/FileTree.h"

namespace sigpatch {

std::unique_ptr<AppMain> ObjectFactory::CreateObject_AppMain(Application* objA) const {
  try {
    auto controller = std::make_unique<AppMain>();
    controller->InitMyObjects(objA);
    return controller;
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::unique_ptr<FileTree> ObjectFactory::CreateObject_FileTree(
    Application* objA, std::u16string_view strSourceDir,
    std::u16string_view strDestinationDir) const {
  try {
    auto tree = std::make_unique<FileTree>();
    tree->InitMyObjects(objA);
    if (AppMain* controller = objA->AM()) {
      tree->StatusChange.connect(
          [controller](std::u16string_view folder) { controller->UpdateStatusBar(folder); });
    }
    tree->SourceDir = strSourceDir;
    tree->DestinationDir = strDestinationDir;
    return tree;
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace sigpatch
