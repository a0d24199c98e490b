#include "platform/win32/Win32FileErrors.h"

#include "platform/win32/WindowsHeaders.h"
#include "runtime/RuntimeError.h"

namespace sigpatch::platform::win32 {

std::int32_t fileErrorNumber(std::uint32_t systemError, Subject subject) {
  switch (systemError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return subject == Subject::File ? err::kFileNotFound : err::kPathNotFound;
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return err::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_DELETE_PENDING:
      return err::kPermissionDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return err::kFileAlreadyExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return err::kDiskFull;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
      return err::kDiskNotReady;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      return err::kDeviceIOError;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return err::kOutOfMemory;
    default:
      return err::kPathFileAccessError;
  }
}

void raiseLastError(Subject subject) {
  throw RuntimeError(fileErrorNumber(::GetLastError(), subject));
}

}  // namespace sigpatch::platform::win32
