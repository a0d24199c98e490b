#pragma once

#include <string>
#include <string_view>

namespace sigpatch::platform::win32 {

/// System::WriteWholeFile on Windows: the bytes go to a new file in the folder
/// of the file the path names (through a symbolic link), which is flushed and
/// moved over it (MoveFileEx, replacing and writing through). A folder or a
/// device is refused. Empty when written; else the system's text of the fault.
std::u16string writeWholeFile(std::u16string_view path, std::string_view bytes);

/// System::WriteStandardOutput on Windows: the bytes written to the standard
/// output handle after what the C streams hold for it.
std::u16string writeStandardOutput(std::string_view bytes);

}  // namespace sigpatch::platform::win32
