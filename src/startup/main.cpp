// The program's start: the system's services, then the entry procedure.

#include "app/EntryProcedure.h"
#include "startup/SystemServices.h"

int main(int argc, char** argv) {
  auto services = sigpatch::startup::SystemServices::start(argc, argv);
  const int status = sigpatch::runEntryProcedure();
  // A store that turned out damaged makes a failed run.
  return services->finish() ? status : 1;
}
