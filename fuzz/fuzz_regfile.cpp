// The .reg file reader on any bytes: it reads them or says why not, what it
// reads is written and read back unchanged, and every value it reads is stored
// by the registry exactly as import stores it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fakes/FakeRegistry.h"
#include "registry/RegData.h"
#include "registry/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using sigpatch::RegFile;
  namespace platform = sigpatch::platform;
  sigpatch::RegFileContent content;
  try {
    content = RegFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const sigpatch::RegFileError&) {
    return 0;
  }
  const auto again = RegFile::Parse(RegFile::Write(content));
  if (again.Keys != content.Keys) __builtin_trap();

  // Import hands the registry a buffer that holds the character after the data
  // (the registry reads it); the value reads back byte for byte.
  sigpatch::fakes::FakeRegistry registry;
  for (const auto& key : content.Keys) {
    for (const auto& value : key.Values) {
      if (value.Delete) continue;
      const auto buffer = sigpatch::regdata::bufferToStore(value.Data);
      const auto given = static_cast<std::uint32_t>(value.Data.size());
      if (registry.SetValueEx(platform::kHkeyCurrentUser, value.Name, value.Type, buffer.data(),
                              given) != 0) {
        continue;  // a name the registry refuses
      }
      // With room to spare, as a reader may give it.
      std::vector<std::uint8_t> read(value.Data.size() + 2);
      std::uint32_t type = 0;
      auto length = static_cast<std::uint32_t>(read.size());
      if (registry.QueryValueEx(platform::kHkeyCurrentUser, value.Name, &type, read.data(),
                                &length) != 0 ||
          type != value.Type || length != given ||
          !std::equal(value.Data.begin(), value.Data.end(), read.begin())) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
