#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeForm.h"
#include "fakes/FakeServices.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

class SysUtilitiesTest : public ::testing::Test {
 protected:
  fakes::FakeServices fake;
  fakes::FakeSystem& system = fake.system;
  fakes::FakeForm form;
  SysUtilities sys;
};

// In twips, for a form of 3600 twips high; the work area in pixels.
TEST_F(SysUtilitiesTest, CenterFormCentresTheFormInTheWorkArea) {
  const std::tuple<platform::Rect, double, double, double, double> cases[] = {
      {{0, 0, 1024, 738}, 15, 4800, 5280, 3735},
      {{40, 30, 1064, 768}, 15, 4800, 600 + 5280, 450 + 3735},  // beside a task bar
      // 1.5 → 2 and 4.5 → 4 pixels: 2 wide; half of 1 twip is 1 \ 2 = 0.
      {{1, 0, 3, 738}, 1.5, 1, 2, 3735}};
  for (const auto& [area, twipsPerPixel, width, left, top] : cases) {
    SCOPED_TRACE(left);
    system.workArea = area;
    fake.windowing.screen.twipsPerPixelX = twipsPerPixel;
    form.width = width;
    sys.CenterForm(form);
    EXPECT_DOUBLE_EQ(form.left, left);
    EXPECT_DOUBLE_EQ(form.top, top);
  }
  system.workAreaKnown = false;
  fake.windowing.screen.twipsPerPixelX = 15;
  form.width = 4800;
  sys.CenterForm(form);
  EXPECT_EQ(std::pair(form.left, form.top), std::pair(-2400.0, -1800.0)) << "from the origin";
}

TEST_F(SysUtilitiesTest, VersionAndUpTimeAreWrittenAsTheSystemDoes) {
  const std::pair<platform::OsVersionInfo, const char16_t*> versions[] = {
      {{6, 1, 0, 100, u"Debian GNU/Linux 12 (bookworm)"},
       u"Linux V6.1.0 Debian GNU/Linux 12 (bookworm)"},
      {{5, 1, 2600, 2, u"Service Pack 2"}, u"Windows NT V5.1.2600 Service Pack 2"},
      {{3, 10, 0, 0, std::u16string(u"SP\0junk", 7)}, u"Win32s V3.10.0 SP"},
      {{1, 2, 3, 7, u"x"}, u"Unknown V1.2.3 x"}};
  for (const auto& [record, text] : versions) {
    system.version = record;
    EXPECT_EQ(sys.GetOSVersionString(), text);
  }
  system.versionKnown = false;
  EXPECT_EQ(sys.GetOSVersionString(), u"Win32s V0.0.0 ");
  const std::pair<std::uint32_t, const char16_t*> upTimes[] = {
      {93784000, u"1 days 02:03:04"}, {59999, u"00:00:59"}, {4294967295u, u"49 days 17:02:47"}};
  for (const auto& [ticks, text] : upTimes) {
    system.tickCount = ticks;
    EXPECT_EQ(sys.UpTime(), text);
  }
  system.domainFault = 429;
  EXPECT_EQ(sys.GetUserDomain(), u"") << "a fault of the system";
}

}  // namespace
}  // namespace sigpatch
