#include <gtest/gtest.h>

#include "runtime/ArgumentString.h"

namespace sigpatch::platform {
namespace {

TEST(ArgumentStringTest, RebuildsTheCommandLineAsTypedOnWindows) {
  EXPECT_EQ(buildArgumentString({}), u"");
  EXPECT_EQ(buildArgumentString({u"/Silent", u"/Path:/srv/updates"}),
            u"/Silent /Path:/srv/updates");
  EXPECT_EQ(buildArgumentString({u"/Path:/srv/my updates", u"/SetDef"}),
            u"/Path:\"/srv/my updates\" /SetDef");
  EXPECT_EQ(buildArgumentString({u"two words", u""}), u"\"two words\" \"\"");
  EXPECT_EQ(buildArgumentString({u"/No colon here"}), u"\"/No colon here\"");
  EXPECT_EQ(buildArgumentString({u"/Path:a\tb"}), u"/Path:\"a\tb\"");
  // The usage's own quoted form typed inside the shell's quotes stays one value.
  EXPECT_EQ(buildArgumentString({u"/Path:\"/srv/my updates\""}), u"/Path:\"/srv/my updates\"");
  EXPECT_EQ(buildArgumentString({u"\"two words\""}), u"\"two words\"");
}

}  // namespace
}  // namespace sigpatch::platform
