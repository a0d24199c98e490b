#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::toolkit {

/// A picture the toolkit loaded from one of the program's resources. Copies
/// share the one picture: they have the same Handle, so a program can tell
/// whether two controls hold the same picture object. The empty picture has
/// the handle 0.
class Picture {
 public:
  Picture() = default;
  Picture(std::intptr_t handle, std::u16string resourceName, std::int32_t widthPixels,
          std::int32_t heightPixels)
      : handle_(handle),
        name_(std::move(resourceName)),
        width_(widthPixels),
        height_(heightPixels) {}

  std::intptr_t Handle() const { return handle_; }
  /// The resource the picture was loaded from ("pin-pinned.png").
  const std::u16string& ResourceName() const { return name_; }
  std::int32_t WidthPixels() const { return width_; }
  std::int32_t HeightPixels() const { return height_; }
  bool Empty() const { return handle_ == 0; }

 private:
  std::intptr_t handle_ = 0;
  std::u16string name_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace sigpatch::toolkit
