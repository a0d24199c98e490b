#include "app/EntryProcedure.h"

#include <memory>

#include "app/Application.h"
#include "platform/Platform.h"
#include "platform/Windowing.h"

namespace sigpatch {

void runEntryProcedure() {
  platform::doEvents();
  auto application = std::make_unique<Application>();
  application->Execute();
  application->Terminate();
  application.reset();
  platform::windowing().RunEventLoop();
}

}  // namespace sigpatch
