#pragma once

#include <string>

namespace sigpatch::platform::posix {

/// The statfs(2) type of the file system that holds `path`, or of its nearest
/// existing folder above when the path does not exist yet; -1 when unknown.
long fileSystemTypeOf(const std::string& path);

/// The name of a network file system type ("NFS", "SMB", "CIFS" ...), where
/// SQLite's file locking cannot be trusted; empty for a local file system.
std::string networkFileSystemName(long type);

}  // namespace sigpatch::platform::posix
