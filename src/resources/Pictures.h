#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace sigpatch::resources {

/// One of the program's pictures: the name of its PNG file in src/resources
/// and its size in pixels. tools/make-pictures.py draws the files.
struct PictureResource {
  std::u16string_view Name;
  std::int32_t Width;
  std::int32_t Height;
};

/// The program icon (windows, About box, splash window).
inline constexpr PictureResource kProgramIcon{u"sigpatch-icon.png", 32, 32};
/// The main window's pin, not pushed in.
inline constexpr PictureResource kPinUnpinned{u"pin-unpinned.png", 16, 11};
/// The main window's pin, pushed in.
inline constexpr PictureResource kPinPinned{u"pin-pinned.png", 12, 12};
/// The About box's logo.
inline constexpr PictureResource kLogo{u"logo.png", 193, 48};
/// The mouse pointer over the About box's link: a pointing hand.
inline constexpr PictureResource kLinkPointer{u"link-pointer.png", 32, 32};

inline constexpr std::array kPictures{kProgramIcon, kPinUnpinned, kPinPinned, kLogo, kLinkPointer};

/// The picture of that name, or nullptr.
constexpr const PictureResource* findPicture(std::u16string_view name) {
  for (const auto& picture : kPictures) {
    if (picture.Name == name) return &picture;
  }
  return nullptr;
}

}  // namespace sigpatch::resources
