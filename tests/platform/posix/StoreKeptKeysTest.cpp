// A connection keeps the keys it has found by name between reads: a key that
// another connection, or it itself, deleted or made again is never read
// through an old one.

#include <gtest/gtest.h>

#include "PosixTestSupport.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch::testing {
namespace {

using namespace platform;

TEST(StoreKeptKeysTest, AKeyDeletedOrMadeAgainIsReadAsItIsNow) {
  TempFolder dir;
  const auto one = posix::StoreLocations::singleFile(dir / "registry.db");
  posix::SqliteRegistry reader(one), other(one);
  const std::u16string_view path = u"SOFTWARE\\Maker\\Kept";
  const auto write = [&](RegistryApi& to, const char16_t* text) {
    ASSERT_EQ(storeValue(to, kHkeyLocalMachine, path, u"V", kRegSz, utf16(text)), 0);
  };
  const auto read = [&] { return storedValue(reader, kHkeyLocalMachine, path, u"V"); };
  write(other, u"1");
  EXPECT_EQ(read(), sz(u"1"));
  EXPECT_EQ(read(), sz(u"1"));
  for (auto* writer : {&other, &reader}) {
    SCOPED_TRACE(writer == &other ? "another connection" : "the same connection");
    ASSERT_EQ(writer->DeleteKey(kHkeyLocalMachine, path), 0);
    EXPECT_EQ(read(), std::nullopt);
    for (const auto* text : {u"2", u"3"}) {
      write(*writer, text);
      EXPECT_EQ(read(), sz(text));
    }
  }
}

}  // namespace
}  // namespace sigpatch::testing
