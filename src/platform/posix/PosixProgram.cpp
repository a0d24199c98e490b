#include "platform/posix/PosixProgram.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "resources/VersionInfo.h"
#include "runtime/ArgumentString.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {

ProgramInfo currentProgramInfo(const char* argv0) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) {
    exe = std::filesystem::absolute(argv0 != nullptr ? argv0 : "sigpatch", ec);
  }
  return resources::programInfo(text::fromUtf8(exe.stem().string()),
                                text::fromUtf8(exe.parent_path().string()));
}

std::u16string argumentString(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(text::fromUtf8(argv[i]));
  return buildArgumentString(arguments);
}

}  // namespace sigpatch::platform::posix
