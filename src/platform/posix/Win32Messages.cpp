#include "platform/posix/Win32Messages.h"

#include <string_view>

namespace sigpatch::platform::posix {
namespace {

struct Message {
  std::uint32_t code;
  std::u16string_view text;
};

// The codes of the registry store, the file and process services and the
// shell, with the texts of the Windows message table.
constexpr Message kMessages[] = {
    {0, u"The operation completed successfully."},
    {1, u"Incorrect function."},
    {2, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {4, u"The system cannot open the file."},
    {5, u"Access is denied."},
    {6, u"The handle is invalid."},
    {8, u"Not enough storage is available to process this command."},
    {13, u"The data is invalid."},
    {14, u"Not enough storage is available to complete this operation."},
    {15, u"The system cannot find the drive specified."},
    {18, u"There are no more files."},
    {21, u"The device is not ready."},
    {32, u"The process cannot access the file because it is being used by another process."},
    {33,
     u"The process cannot access the file because another process has locked a portion of "
     u"the file."},
    {50, u"The request is not supported."},
    {80, u"The file exists."},
    {87, u"The parameter is incorrect."},
    {112, u"There is not enough space on the disk."},
    {122, u"The data area passed to a system call is too small."},
    {123, u"The filename, directory name, or volume label syntax is incorrect."},
    {161, u"The specified path is invalid."},
    {170, u"The requested resource is in use."},
    {183, u"Cannot create a file when that file already exists."},
    {193, u"%1 is not a valid Win32 application."},
    {206, u"The filename or extension is too long."},
    {234, u"More data is available."},
    {258, u"The wait operation timed out."},
    {259, u"No more data is available."},
    {267, u"The directory name is invalid."},
    {998, u"Invalid access to memory location."},
    {1009, u"The configuration registry database is corrupt."},
    {1010, u"The configuration registry key is invalid."},
    {1011, u"The configuration registry key could not be opened."},
    {1012, u"The configuration registry key could not be read."},
    {1013, u"The configuration registry key could not be written."},
    {1015,
     u"The registry is corrupted. The structure of one of the files containing registry data is "
     u"corrupted, or the system's memory image of the file is corrupted, or the file could not "
     u"be recovered because the alternate copy or log was absent or corrupted."},
    {1016,
     u"An I/O operation initiated by the registry failed unrecoverably. The registry could not "
     u"read in, or write out, or flush, one of the files that contain the system's image of the "
     u"registry."},
    {1018, u"Illegal operation attempted on a registry key that has been marked for deletion."},
    {1155, u"No application is associated with the specified file for this operation."},
    {1223, u"The operation was canceled by the user."},
    {1314, u"A required privilege is not held by the client."},
    {1460, u"This operation returned because the timeout period expired."},
};

}  // namespace

bool win32MessageText(std::uint32_t code, std::u16string& text) {
  for (const auto& message : kMessages) {
    if (message.code != code) continue;
    // Without insert arguments the system cannot format a text that asks for one.
    if (message.text.find(u'%') != std::u16string_view::npos) return false;
    text = std::u16string(message.text) + u"\r\n";
    return true;
  }
  return false;
}

}  // namespace sigpatch::platform::posix
