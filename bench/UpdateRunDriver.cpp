// One update run from the program's start to "Finished!", without the final
// three seconds the window stays up: the run control and the update run with
// the real services, the lines going to standard output. bench/update_run.sh
// times it against find | sort | tail.

#include <cstdio>
#include <cstdlib>

#include "app/Application.h"
#include "startup/SystemServices.h"

int main(int argc, char** argv) {
  auto services = sigpatch::startup::SystemServices::start(argc, argv);
  sigpatch::Application application;
  application.Execute();
  // Leave before Terminate: its wait is the window's, not the run's.
  std::fflush(stdout);
  std::_Exit(0);
}
