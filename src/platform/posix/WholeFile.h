#pragma once

#include <string>
#include <string_view>

namespace sigpatch::platform::posix {

/// System::WriteWholeFile on POSIX: the bytes go to a new file beside the one
/// the path names (through its symbolic links), which gets the old file's owner,
/// group and mode (or the default mode of a new file), is synced and renamed
/// over it. Empty when written; else why not, in words.
std::u16string writeWholeFile(const std::string& path, std::string_view bytes);

/// System::WriteStandardOutput on POSIX: the bytes written to file descriptor 1
/// after what the program's streams hold for it.
std::u16string writeStandardOutput(std::string_view bytes);

}  // namespace sigpatch::platform::posix
