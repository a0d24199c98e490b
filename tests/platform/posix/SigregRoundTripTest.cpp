// sigreg over the SQLite store: a key tree exported and imported into an empty
// store comes back with the same keys, values, types and bytes.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "PosixTestSupport.h"
#include "platform/Platform.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegCommand.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using namespace platform;
using posix::SqliteRegistry;
using posix::StoreLocations;
using testing::Bytes;
using testing::storeValue;
using testing::utf16;

struct Value {
  std::u16string name;
  std::uint32_t type;
  Bytes data;
  bool operator==(const Value&) const = default;
};

// Every key below `path` with its values, in the order the store gives them.
void dump(RegistryApi& api, RegKey root, const std::u16string& path,
          std::map<std::u16string, std::vector<Value>>& tree) {
  RegKey key = 0;
  ASSERT_EQ(api.OpenKeyEx(root, path, 0, kKeyRead, key), 0);
  auto& values = tree[path];
  for (std::uint32_t i = 0;; ++i) {
    char16_t name[512];
    std::uint32_t length = 512;
    std::uint8_t data[4096];
    std::uint32_t size = sizeof data;
    std::uint32_t type = 0;
    const auto code = api.EnumValue(key, i, name, &length, &type, data, &size);
    if (code == kErrorNoMoreItems) break;
    ASSERT_EQ(code, 0);
    values.push_back({std::u16string(name, length), type, Bytes(data, data + size)});
  }
  std::vector<std::u16string> children;
  for (std::uint32_t i = 0;; ++i) {
    char16_t name[256];
    std::uint32_t length = 256;
    const auto code = api.EnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr);
    if (code == kErrorNoMoreItems) break;
    ASSERT_EQ(code, 0);
    children.emplace_back(name, length);
  }
  api.CloseKey(key);
  for (const auto& child : children) dump(api, root, path + u"\\" + child, tree);
}

int sigreg(SqliteRegistry& store, std::vector<std::u16string> args, std::string& errors) {
  posix::PosixSystem system;
  Platform services;
  services.system = &system;
  ScopedPlatform installed(services);
  std::ostringstream out;
  std::ostringstream err;
  RegCommand command(store, &store,
                     RegCommand::Io{out, err, nullptr, [&] { return store.Diagnostic(); }});
  const int code = command.Run(args);
  errors = err.str();
  return code;
}

TEST(SigregRoundTripTest, ExportThenImportIntoAnEmptyStoreGivesBackEveryByte) {
  testing::TempFolder dir;
  SqliteRegistry source(StoreLocations::singleFile(dir / "source.db"));
  const std::u16string base = u"SOFTWARE\\Round \"trip\"";
  const std::vector<std::pair<std::u16string, Value>> values = {
      {u"", {u"", kRegSz, utf16(u"default")}},
      {u"", {u"\"quoted\" name", kRegSz, utf16(u"C:\\Updates \"new\" \\\\server\\")}},
      {u"", {u"back\\slash", kRegSz, utf16(u"")}},
      {u"", {u"Grüße Ω 中文", kRegSz, utf16(u"Ünïcödé ß € 中文 \U0001F600")}},
      {u"", {u"@", kRegExpandSz, utf16(u"%HOME%\\x")}},
      {u"", {u"=;[]", kRegMultiSz, utf16(std::u16string(u"a\"b\0c\\d\0\0", 9), false)}},
      {u"", {u"lines", kRegSz, utf16(u"one\r\ntwo")}},
      {u"", {u"no terminator", kRegSz, utf16(u"x", false)}},
      {u"", {u"dword", kRegDword, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}},
      {u"", {u"qword", kRegQword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}}},
      {u"", {u"empty binary", kRegBinary, Bytes{}}},
      {u"", {u"none", kRegNone, Bytes{}}},
      {u"", {u"own type", 0x12345u, Bytes{9, 8, 7}}},
      {u"\\Sub key [1]", {u"long", kRegBinary, Bytes(300, 0x5A)}},
      {u"\\Sub key [1]\\Grüße \"x\"", {u"", kRegSz, utf16(u"")}},
      {u"\\ ; @ =", {u"a", kRegSz, utf16(u"b")}},
  };
  for (const auto& [sub, v] : values) {
    ASSERT_EQ(storeValue(source, kHkeyLocalMachine, base + sub, v.name, v.type, v.data), 0);
  }
  RegKey empty = 0;
  ASSERT_EQ(source.CreateKeyEx(kHkeyLocalMachine, base + u"\\Empty key", u"", 0, kKeyAllAccess,
                               empty, nullptr),
            0);
  source.CloseKey(empty);

  const auto reg = text::fromUtf8(dir / "export.reg");
  std::string errors;
  ASSERT_EQ(sigreg(source, {u"export", u"HKLM\\" + base, reg}, errors), 0) << errors;
  SqliteRegistry target(StoreLocations::singleFile(dir / "target.db"));
  ASSERT_EQ(sigreg(target, {u"import", reg}, errors), 0) << errors;

  std::map<std::u16string, std::vector<Value>> before;
  std::map<std::u16string, std::vector<Value>> after;
  dump(source, kHkeyLocalMachine, base, before);
  dump(target, kHkeyLocalMachine, base, after);
  EXPECT_EQ(before.size(), 5u);
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace sigpatch
