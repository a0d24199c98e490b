#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "fakes/FakePlatform.h"
#include "resources/Pictures.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

class PictureFileTest : public ::testing::TestWithParam<resources::PictureResource> {};

// Every picture the windows name is a PNG file of the size the table gives, so
// that a toolkit that loads the file sizes the images as the windows expect.
TEST_P(PictureFileTest, IsAPngOfTheSizeInTheTable) {
  const auto picture = GetParam();
  const auto bytes =
      readFile(std::string(SIGPATCH_RESOURCES_DIR) + "/" + text::toUtf8(picture.Name));
  ASSERT_GE(bytes.size(), 24u) << text::toUtf8(picture.Name);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  EXPECT_EQ(bigEndian(bytes, 16), static_cast<std::uint32_t>(picture.Width));
  EXPECT_EQ(bigEndian(bytes, 20), static_cast<std::uint32_t>(picture.Height));
}

INSTANTIATE_TEST_SUITE_P(AllPictures, PictureFileTest, ::testing::ValuesIn(resources::kPictures));

TEST(LoadPictureTest, EachLoadIsANewPictureAndCopiesShareIt) {
  fakes::FakePlatform fake;
  const auto first = fake.windowing.LoadPicture(u"pin-pinned.png");
  const auto second = fake.windowing.LoadPicture(u"pin-pinned.png");
  EXPECT_NE(first.Handle(), second.Handle());
  EXPECT_NE(first.Handle(), 0);
  const auto copy = first;
  EXPECT_EQ(copy.Handle(), first.Handle());
  EXPECT_EQ(first.WidthPixels(), 12);
  EXPECT_EQ(first.HeightPixels(), 12);
}

TEST(LoadPictureTest, AnUnknownNameIsFileNotFound) {
  fakes::FakePlatform fake;
  try {
    fake.windowing.LoadPicture(u"nothing.png");
    FAIL() << "no fault";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
}

}  // namespace
}  // namespace sigpatch
