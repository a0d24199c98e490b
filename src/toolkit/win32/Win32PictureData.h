#pragma once

#include <cstddef>
#include <string_view>

namespace sigpatch::toolkit::win32 {

/// The bytes of a PNG file of src/resources, compiled into the toolkit (the
/// build writes the table from the files); nullptr for an unknown name.
const unsigned char* embeddedPicture(std::u16string_view name, std::size_t& size);

}  // namespace sigpatch::toolkit::win32
