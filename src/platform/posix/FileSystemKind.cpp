#include "platform/posix/FileSystemKind.h"

#include <sys/vfs.h>

#include <cstdint>
#include <filesystem>

namespace sigpatch::platform::posix {

long fileSystemTypeOf(const std::string& path) {
  std::filesystem::path probe(path);
  for (int guard = 0; guard < 4096 && !probe.empty(); ++guard) {
    struct statfs info {};
    if (statfs(probe.c_str(), &info) == 0) return static_cast<long>(info.f_type);
    if (!probe.has_parent_path() || probe.parent_path() == probe) break;
    probe = probe.parent_path();
  }
  return -1;
}

std::string networkFileSystemName(long type) {
  switch (static_cast<std::uint32_t>(type)) {
    case 0x6969u:
      return "NFS";
    case 0x517Bu:
      return "SMB";
    case 0xFF534D42u:
      return "CIFS";
    case 0xFE534D42u:
      return "SMB2";
    case 0x5346414Fu:
    case 0x6B414653u:
      return "AFS";
    case 0x73757245u:
      return "Coda";
    case 0x564Cu:
      return "NCP";
    case 0x01021997u:
      return "9P";
    case 0x00C36400u:
      return "Ceph";
    case 0x0BD00BD0u:
      return "Lustre";
    case 0x47504653u:
      return "GPFS";
    default:
      return {};
  }
}

}  // namespace sigpatch::platform::posix
