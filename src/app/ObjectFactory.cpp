#include "app/ObjectFactory.h"

#include <exception>

#include "app/AppMain.h"

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

}  // namespace sigpatch
