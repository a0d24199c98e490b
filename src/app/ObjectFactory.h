#pragma once

#include <memory>

namespace sigpatch {

class AppMain;
class Application;

/// Builds the program's controllers, each already given the application object.
/// It keeps no state and reports nothing: a failure gives no object.
class ObjectFactory {
 public:
  /// A new update-run controller that knows `objA`; nullptr when anything fails.
  std::unique_ptr<AppMain> CreateObject_AppMain(Application* objA) const;
};

}  // namespace sigpatch
