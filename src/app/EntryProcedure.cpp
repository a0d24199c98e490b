#include "app/EntryProcedure.h"

#include <memory>

#include "app/Application.h"
#include "platform/Platform.h"
#include "toolkit/Windowing.h"

namespace sigpatch {

int runEntryProcedure() {
  toolkit::doEvents();
  auto application = std::make_unique<Application>();
  application->Execute();
  application->Terminate();
  const int status = application->ExitStatus();
  application.reset();
  platform::windowing().RunEventLoop();
  return status;
}

}  // namespace sigpatch
