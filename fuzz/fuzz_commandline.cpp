#include "FuzzInput.h"
#include "cmdline/ArgumentHandler.h"
#include "fakes/FakePlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sigpatch::fakes::FakePlatform fake;
  sigpatch::ArgumentHandler handler;
  try {
    handler.ParseCommandLine(asText(data, size));
  } catch (const sigpatch::fakes::ImmediateStop&) {
    // A duplicate argument stops the program; that is an answer, not a crash.
  }
  for (const auto& argument : handler.Arguments) {
    if (argument->ArgumentName().empty() && argument->ArgumentValue().size() > size) __builtin_trap();
  }
  return 0;
}
