#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Picture.h"

struct HBITMAP__;
struct HICON__;

namespace sigpatch::toolkit::win32 {

/// The program's pictures as the system's bitmaps, icons and pointers. A
/// picture's handle is the handle of its bitmap, so every load is a picture
/// object of its own; all of them go with this object.
class Win32Pictures {
 public:
  Win32Pictures() = default;
  Win32Pictures(const Win32Pictures&) = delete;
  Win32Pictures& operator=(const Win32Pictures&) = delete;
  ~Win32Pictures();

  /// A new picture of the resource ("pin-pinned.png"); error 53 for an unknown
  /// name, error 481 ("Invalid picture") when the system cannot read it.
  Picture Load(std::u16string_view resourceName);
  /// The bitmap of a picture, its transparent parts filled with the colour of
  /// dialog faces; nullptr for a picture this object did not load.
  HBITMAP__* Bitmap(const Picture& picture) const;
  /// The picture as an icon (its transparent parts transparent); made once.
  HICON__* Icon(const Picture& picture);
  /// The picture as a mouse pointer whose hot spot is the tip of the
  /// pointing finger (11, 0); made once.
  HICON__* Pointer(const Picture& picture);

 private:
  struct Pixels {
    std::int32_t width = 0;
    std::int32_t height = 0;
    /// Top-down rows of 0xAARRGGBB, not premultiplied.
    std::vector<std::uint32_t> argb;
  };
  struct Loaded {
    const Pixels* pixels;
    HICON__* icon = nullptr;
    HICON__* pointer = nullptr;
  };
  const Pixels& Decode(std::u16string_view resourceName);
  HICON__* MakeIcon(const Pixels& pixels, bool pointer) const;

  std::map<std::u16string, Pixels, std::less<>> decoded_;
  std::map<std::intptr_t, Loaded> loaded_;
};

}  // namespace sigpatch::toolkit::win32
