#include "platform/posix/StoreLocations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace sigpatch::platform::posix {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string homeFolder() {
  auto home = environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

}  // namespace

StoreLocations StoreLocations::singleFile(const std::string& path) {
  std::error_code ignored;
  auto absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
  if (absolute.empty()) absolute = path;
  return {absolute, absolute};
}

StoreLocations StoreLocations::fromEnvironment() {
  const auto single = environment("SIGPATCH_REGISTRY");
  if (!single.empty()) return singleFile(single);
  StoreLocations locations;
  locations.machine = "/var/lib/sigpatch/registry.db";
  // The XDG base directory rules ignore a relative XDG_STATE_HOME.
  auto state = environment("XDG_STATE_HOME");
  if (state.empty() || state.front() != '/') {
    const auto home = homeFolder();
    state = home.empty() ? std::string() : home + "/.local/state";
  }
  if (!state.empty()) locations.user = state + "/sigpatch/user.db";
  return locations;
}

}  // namespace sigpatch::platform::posix
