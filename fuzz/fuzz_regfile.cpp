// The .reg file reader on any bytes: it reads them or says why not, and what it
// reads is written and read back unchanged.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "registry/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using sigpatch::RegFile;
  sigpatch::RegFileContent content;
  try {
    content = RegFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const sigpatch::RegFileError&) {
    return 0;
  }
  const auto again = RegFile::Parse(RegFile::Write(content));
  if (again.Keys != content.Keys) __builtin_trap();
  return 0;
}
