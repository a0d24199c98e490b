#include <gtest/gtest.h>

#include "runtime/Colors.h"

namespace sigpatch {
namespace {

// The program's lines and the tests' expectations take their colours from
// these, so their values are checked here: the system's, as 0x00BBGGRR.
TEST(ColorsTest, AreTheSystemsValues) {
  EXPECT_EQ(color::kBlack, 0);
  EXPECT_EQ(color::kRed, 255);
  EXPECT_EQ(color::kBlue, 16711680);
  EXPECT_EQ(color::kWhite, 16777215);
}

}  // namespace
}  // namespace sigpatch
