// sigreg: the registry command over the same store as the program.

#include <iostream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/PosixConsole.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegCommand.h"
#include "runtime/Text.h"

using namespace sigpatch;

int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(text::fromUtf8(argv[i]));
  platform::posix::SqliteRegistry registry(platform::posix::StoreLocations::fromEnvironment());
  // The system's texts for result codes, and the writing of exported files.
  platform::posix::PosixSystem system;
  platform::Platform services;
  services.registry = &registry;
  services.system = &system;
  platform::ScopedPlatform installed(services);
  RegCommand command(registry, &registry,
                     RegCommand::Io{std::cout, std::cerr, platform::posix::askOnTerminal,
                                    [&] { return registry.Diagnostic(); }});
  command.SetStoreCheck([&] {
    std::vector<RegCommand::StoreCheck> checks;
    for (const auto& report : registry.CheckWhole()) {
      checks.push_back({text::fromUtf8(report.path), report.check.exists, report.check.result == 0,
                        report.check.leftOpen, report.check.closedAgain, report.check.keys,
                        report.check.values,
                        report.diagnostic});
    }
    return checks;
  });
  return command.Run(args);
}
