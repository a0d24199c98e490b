// A connection keeps the keys it has found by name between reads: a key another
// connection (or it itself) deleted or made again is never read through an old one.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/posix/SqliteRegistry.h"

namespace sigpatch::platform::posix {
namespace {

constexpr char16_t kPath[] = u"SOFTWARE\\Maker\\Kept";

std::int32_t set(SqliteRegistry& reg, std::u16string_view text) {
  RegKey key = 0;
  if (const auto code = reg.CreateKeyEx(kHkeyLocalMachine, kPath, u"", 0, kKeyAllAccess, key,
                                        nullptr);
      code != 0) {
    return code;
  }
  const auto code = reg.SetValueEx(key, u"V", kRegSz, reinterpret_cast<const std::uint8_t*>(
                                                          std::u16string(text).c_str()),
                                   static_cast<std::uint32_t>(text.size() + 1) * 2);
  reg.CloseKey(key);
  return code;
}

std::u16string get(SqliteRegistry& reg) {
  char16_t data[32] = {};
  std::uint32_t size = sizeof data;
  const auto code = reg.GetValue(kHkeyLocalMachine, kPath, u"V", nullptr,
                                 reinterpret_cast<std::uint8_t*>(data), &size);
  if (code != 0) return u"error " + std::u16string(1, char16_t(u'0' + code));
  RegKey key = 0;  // through the key found by opening it, too
  if (reg.OpenKeyEx(kHkeyLocalMachine, kPath, 0, kKeyRead, key) != 0) return u"not opened";
  char16_t again[32] = {};
  size = sizeof again;
  reg.QueryValueEx(key, u"V", nullptr, reinterpret_cast<std::uint8_t*>(again), &size);
  reg.CloseKey(key);
  return std::u16string(data) == again ? data : u"opened key differs";
}

std::int32_t remove(SqliteRegistry& reg) {
  RegKey key = 0;
  reg.OpenKeyEx(kHkeyLocalMachine, kPath, 0, kKeyAllAccess, key);
  reg.DeleteValue(key, u"V");
  reg.CloseKey(key);
  return reg.DeleteKey(kHkeyLocalMachine, kPath);
}

TEST(StoreKeptKeysTest, AKeyDeletedOrMadeAgainIsReadAsItIsNow) {
  char folder[] = "/tmp/sigpatch-kept-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const auto path = std::string(folder) + "/registry.db";
  {
    SqliteRegistry reader(StoreLocations::singleFile(path));
    SqliteRegistry other(StoreLocations::singleFile(path));
    ASSERT_EQ(set(other, u"1"), 0);
    EXPECT_EQ(get(reader), u"1");
    EXPECT_EQ(get(reader), u"1");
    for (SqliteRegistry* writer : {&other, &reader}) {
      SCOPED_TRACE(writer == &other ? "another connection" : "the same connection");
      ASSERT_EQ(remove(*writer), 0);
      EXPECT_EQ(get(reader), u"error 2");
      ASSERT_EQ(set(*writer, u"2"), 0);
      EXPECT_EQ(get(reader), u"2");
      ASSERT_EQ(set(*writer, u"3"), 0);
      EXPECT_EQ(get(reader), u"3");
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace sigpatch::platform::posix
