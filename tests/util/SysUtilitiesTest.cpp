#include "util/SysUtilities.h"

#include <gtest/gtest.h>

#include "fakes/FakeForm.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "platform/RuntimeError.h"

namespace sigpatch {
namespace {

class PositionFormTest : public ::testing::Test {
 protected:
  PositionFormTest() {
    fake.Set([&](platform::Platform& services) { services.system = &system; });
  }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  fakes::FakeForm form;
  SysUtilities sys;
};

TEST_F(PositionFormTest, CentresInTheWorkArea) {
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 5280);
  EXPECT_EQ(form.top, 3735);
}

TEST_F(PositionFormTest, CentresRelativeToAWorkAreaBesideTheTaskBar) {
  system.workArea = {40, 30, 1064, 768};  // task bar on the left and at the top
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 600 + 5280);
  EXPECT_EQ(form.top, 450 + 3735);
}

TEST_F(PositionFormTest, ALargerFormLiesLeftOfTheWorkArea) {
  form.width = 20000;
  sys.CenterForm(form);
  EXPECT_EQ(form.left, -2320);
}

TEST_F(PositionFormTest, PlacesInTheCornersKeepingTheFormsFraction) {
  form.width = 4800.5;
  sys.PositionForm(form, 0, 40, 1, 2);
  EXPECT_EQ(form.left, 41);
  EXPECT_EQ(form.top, 42);
  sys.PositionForm(form, 1, 40, 0, 0);
  EXPECT_DOUBLE_EQ(form.left, 15360 - 40 - 4800.5);
  EXPECT_EQ(form.top, 40);
  sys.PositionForm(form, 3, 40, 0, 0);
  EXPECT_EQ(form.top, 11070 - 40 - 3600);
  sys.PositionForm(form, 2, 0, 0, 0);
  EXPECT_EQ(form.left, 0);
}

TEST_F(PositionFormTest, UnknownCodesLeaveTheFormAlone) {
  for (int code : {5, -1}) sys.PositionForm(form, code, 40, 0, 0);
  EXPECT_EQ(form.moves, 0);
}

TEST_F(PositionFormTest, PlacesFromTheOriginWhenTheWorkAreaIsUnknown) {
  system.workAreaKnown = false;
  sys.CenterForm(form);
  EXPECT_EQ(form.left, -2400);
  EXPECT_EQ(form.top, -1800);
}

TEST_F(PositionFormTest, RoundsHalvesToEven) {
  fake.windowing.screen.twipsPerPixelX = 1.5;
  system.workArea = {1, 0, 3, 738};  // 1.5 → 2, 4.5 → 4: the work area is 2 wide
  form.width = 1;                    // half(1) = 1 \ 2 = 0
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 2);
}

TEST_F(PositionFormTest, OverflowingSumsAreAFault) {
  try {
    sys.PositionForm(form, 0, INT32_MAX, 1, 0);
    FAIL() << "the sum leaves the 32-bit range";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

}  // namespace
}  // namespace sigpatch
