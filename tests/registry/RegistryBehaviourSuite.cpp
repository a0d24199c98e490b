// The registry rules every registry under test keeps (RegistryBehaviour.h), one binary each.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "registry/RegistryBehaviour.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch::testing {
namespace {

using namespace platform;
using Names = std::vector<std::u16string>;
constexpr RegKey kHkcr = kHkeyClassesRoot, kHkcu = kHkeyCurrentUser, kHklm = kHkeyLocalMachine;
constexpr RegKey kHku = kHkeyUsers;
const std::uint8_t kByte = 1;
const std::u16string kMulti(u"a\0b\0\0", 5);

TEST_P(RegistryBehaviourTest, CreatesAKeyWithEveryMissingKeyAbove) {
  // The same key again, in other letter cases; two backslashes at the end count as one.
  std::uint32_t expected = kRegCreatedNewKey;
  for (auto path : {u"SOFTWARE\\Ferrolite\\Sigpatch", u"software\\FERROLITE\\Sigpatch\\",
                    u"SOFTWARE\\Ferrolite\\Sigpatch\\\\"}) {
    std::uint32_t disposition = 0;
    api().CloseKey(create(kHklm, path, &disposition));
    EXPECT_EQ(disposition, expected) << text(path);
    expected = kRegOpenedExistingKey;
  }
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\Ferrolite"), 0);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\Ferrolite\\\\"), 0);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\Missing"), kErrorFileNotFound);
  EXPECT_EQ(openCode(kHkcu, u"SOFTWARE"), kErrorFileNotFound) << "each root is a tree of its own";
  EXPECT_EQ(openCode(kHku, u"", kKeyAllAccess), 0);
  subject->reopen();
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\Ferrolite\\Sigpatch"), 0);
}

TEST_P(RegistryBehaviourTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  for (auto path : {u"Soft\\Grüße", u"SOFT\\GRÜSSE", u"soft\\grüße"}) make(kHkcu, path);
  RegKey soft = open(kHkcu, u"sOfT");
  EXPECT_EQ(names(soft), (Names{u"GRÜSSE", u"Grüße"}))
      << "simple case mapping: ß has no single upper-case letter, and S sorts before it";
  ASSERT_EQ(put(kHkcu, u"Soft", u"Value", sz(u"1")), 0);
  ASSERT_EQ(put(kHkcu, u"soft", u"VALUE", {kRegDword, Bytes{2, 0, 0, 0}}), 0);
  EXPECT_EQ(names(soft, false), Names{u"Value"});
  EXPECT_EQ(get(kHkcu, u"SOFT", u"vAlUe"), (StoredValue{kRegDword, Bytes{2, 0, 0, 0}}));
  api().CloseKey(soft);
}

TEST_P(RegistryBehaviourTest, SubKeysComeInTheOrderOfTheirUpperCasedNames) {
  const bool signs = subject->cannotShow(Behaviour::UpperCaseOrder).empty();
  for (auto name : {u"b", u"A", u"\u00E9t\u00E9", u"C", u"a1"})
    make(kHku, u"Order\\" + std::u16string(name));
  if (signs) make(kHku, u"Order\\_x"), make(kHku, u"Order\\[y");
  RegKey key = open(kHku, u"Order");
  // Signs between the cases sort after the letters.
  EXPECT_EQ(names(key), (signs ? Names{u"A", u"a1", u"b", u"C", u"[y", u"_x", u"\u00E9t\u00E9"}
                               : Names{u"A", u"a1", u"b", u"C", u"\u00E9t\u00E9"}));
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, ValuesComeInTheOrderTheyWereFirstWritten) {
  SIGPATCH_REQUIRE(ValueOrder);
  for (auto name : {u"Zeta", u"alpha", u"Mid", u"ZETA"})
    ASSERT_EQ(put(kHku, u"V", name, sz(name)), 0);
  RegKey key = open(kHku, u"V");
  EXPECT_EQ(names(key, false), (Names{u"Zeta", u"alpha", u"Mid"})) << "overwriting keeps the place";
  EXPECT_EQ(api().DeleteValue(key, u"zeta"), 0);
  ASSERT_EQ(put(kHku, u"V", u"zeta", sz(u"z")), 0);
  EXPECT_EQ(names(key, false), (Names{u"alpha", u"Mid", u"zeta"}));
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, DataIsKeptByteForByteWithItsType) {
  // clang-format off
  const std::vector<StoredValue> values = {
      sz(u"C:\\Updates \"x\" Ω"), {kRegSz, Bytes{}}, {kRegSz, Bytes{0x41}} /* half a character */,
      {kRegExpandSz, utf16(u"%PATH%")}, {kRegBinary, Bytes{0, 1, 0xFF, 0x80}},
      {kRegDword, Bytes(4, 0xFF)}, {kRegMultiSz, utf16(kMulti, false)}, {kRegNone, Bytes{}},
      {kRegQword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}}, {0x12345678u, Bytes{9}}, sz(u"default")};
  // clang-format on
  // The last one is the key's default value, the one without a name.
  auto name = [&](std::size_t i) {
    return i + 1 < values.size() ? u"v" + std::u16string(1, static_cast<char16_t>(u'0' + i)) : u"";
  };
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_EQ(put(kHklm, u"Data", name(i), values[i]), 0);
  subject->reopen();
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(get(kHklm, u"Data", name(i)), values[i]) << i;
}

// Text written short of its terminator is stored with it when the next character is one.
TEST_P(RegistryBehaviourTest, TextWithoutItsTerminatorIsStoredWithItWhenItFollows) {
  const Bytes ab{0x61, 0, 0x62, 0, 0, 0, 0x11, 0x11};  // "ab", a terminator, more
  const Bytes abEnd{0x61, 0, 0x62, 0, 0, 0}, abBare{0x61, 0, 0x62, 0};
  const Bytes abZero{0x61, 0, 0x62, 0, 0, 0, 0};
  // What, the type, the buffer (empty: none) and size given, the result, what is stored.
  using Row = std::tuple<const char*, std::uint32_t, Bytes, std::uint32_t, std::int32_t, Bytes>;
  const Row cases[] = {
      {"REG_SZ", kRegSz, ab, 4, 0, abEnd},
      {"REG_EXPAND_SZ", kRegExpandSz, ab, 4, 0, abEnd},
      {"REG_MULTI_SZ", kRegMultiSz, utf16(kMulti, false), 6, 0, utf16(kMulti.substr(0, 4), false)},
      {"a character follows", kRegSz, utf16(u"abc"), 4, 0, abBare},
      {"not text", kRegBinary, ab, 4, 0, abBare},
      {"ends in a zero", kRegSz, Bytes{0x61, 0, 0, 0, 0, 0}, 4, 0, Bytes{0x61, 0, 0, 0}},
      {"odd size, a zero character from its last byte", kRegSz, abZero, 5, 0, abZero},
      {"odd size, a character from its last byte", kRegSz, ab, 3, 0, Bytes{0x61, 0, 0x62}},
      {"no data", kRegSz, ab, 0, 0, Bytes{}},
      {"no buffer for text", kRegSz, Bytes{}, 4, kErrorNoAccess, Bytes{}},
      {"no buffer for bytes", kRegBinary, Bytes{}, 4, kErrorNoAccess, Bytes{}},
      {"no buffer and no data", kRegBinary, Bytes{}, 0, 0, Bytes{}}};
  RegKey key = create(kHklm, u"Text");
  for (const auto& [what, type, buffer, size, code, stored] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(api().SetValueEx(key, u"V", type, buffer.empty() ? nullptr : buffer.data(), size),
              code);
    EXPECT_EQ(get(kHklm, u"Text", u"V"),
              code ? std::nullopt : std::optional(StoredValue{type, stored}));
    api().DeleteValue(key, u"V");
  }
  // A buffer in the first 64 KiB of the address space, where none can lie, is never read.
  const auto* nowhere = reinterpret_cast<const std::uint8_t*>(std::uintptr_t{0x10});
  EXPECT_EQ(api().SetValueEx(key, u"V", kRegSz, nowhere, 2), kErrorNoAccess);
  api().CloseKey(key);
}

// A read or enumeration with room to spare ends unterminated text; the size stays the stored one.
TEST_P(RegistryBehaviourTest, ReadsWithRoomToSpareEndTextThatLacksItsTerminator) {
  // What, the type, what is stored, the room given, the buffer after: 0xCC where untouched.
  const Bytes ab{0x61, 0, 0x62, 0}, abCut{0x61, 0, 0x62, 0, 0xCC, 0xCC, 0xCC, 0xCC};
  const Bytes a0b = utf16(kMulti.substr(0, 3), false), abEnded{0x61, 0, 0x62, 0, 0, 0, 0xCC, 0xCC};
  const std::tuple<const char*, std::uint32_t, Bytes, std::uint32_t, Bytes> cases[] = {
      {"no room", kRegSz, ab, 4, abCut},
      {"room for a byte", kRegSz, ab, 5, abCut},
      {"room for a character", kRegSz, ab, 6, abEnded},
      {"more room", kRegSz, ab, 8, abEnded},
      {"REG_EXPAND_SZ", kRegExpandSz, ab, 8, abEnded},
      {"REG_MULTI_SZ", kRegMultiSz, a0b, 8, utf16(kMulti.substr(0, 4), false)},
      {"not text", kRegBinary, ab, 8, abCut},
      {"terminated", kRegSz, utf16(u"a"), 8, {0x61, 0, 0, 0, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"one byte", kRegSz, Bytes{0x61}, 8, {0x61, 0, 0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"three bytes", kRegSz, Bytes{0x61, 0, 0x62}, 8, {0x61, 0, 0x62, 0, 0, 0xCC, 0xCC, 0xCC}},
      {"empty", kRegSz, Bytes{}, 8, Bytes(8, 0xCC)}};
  for (const auto& [what, type, stored, room, delivered] : cases) {
    SCOPED_TRACE(what);
    ASSERT_EQ(put(kHklm, u"Room", u"V", {type, stored}), 0);
    RegKey key = open(kHklm, u"Room", kKeyRead);
    for (bool enumerating : {false, true}) {
      Bytes buffer(8, 0xCC);
      char16_t name[4];
      std::uint32_t length = 4, size = room;
      EXPECT_EQ(enumerating ? api().EnumValue(key, 0, name, &length, nullptr, buffer.data(), &size)
                            : api().QueryValueEx(key, u"V", nullptr, buffer.data(), &size),
                0);
      EXPECT_EQ(size, stored.size());
      EXPECT_EQ(buffer, delivered) << (enumerating ? "EnumValue" : "QueryValueEx");
    }
    api().CloseKey(key);
  }
}

TEST_P(RegistryBehaviourTest, QueryGivesTheSizeFirstAndMoreDataForASmallBuffer) {
  ASSERT_EQ(put(kHklm, u"Q", u"Text", sz(u"abc")), 0);
  RegKey key = open(kHklm, u"Q");
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 8u);
  std::uint8_t buffer[8] = {};
  size = 7;
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(api().QueryValueEx(key, u"Text", nullptr, buffer, &size), 0);
  EXPECT_EQ(Bytes(buffer, buffer + size), utf16(u"abc"));
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, nullptr, nullptr), 0);
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, buffer, nullptr), kErrorInvalidParameter);
  size = 1234;
  EXPECT_EQ(api().QueryValueEx(key, u"Other", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(size, 0u) << "no such value: no data";
  api().CloseKey(key);
}

// GetValue reads in one call what opening the key, querying and closing give.
TEST_P(RegistryBehaviourTest, GetValueGivesWhatOpenQueryAndCloseGive) {
  ASSERT_EQ(put(kHklm, u"G\\Sub", u"Text", sz(u"abc")), 0);
  ASSERT_EQ(put(kHklm, u"G", u"", {kRegDword, Bytes{7, 0, 0, 0}}), 0);
  const RegKey g = open(kHklm, u"G"), gone = create(kHklm, u"Gone");
  ASSERT_EQ(api().DeleteKey(kHklm, u"Gone"), 0);
  // The key, sub-key and value, and the room to read into (0: the size only).
  // clang-format off
  const std::tuple<RegKey, const char16_t*, const char16_t*, std::uint32_t> cases[] = {
      {kHklm, u"G\\Sub", u"TEXT", 64}, {kHklm, u"G\\Sub", u"Text", 0}, {g, u"Sub", u"Text", 64},
      {kHklm, u"G\\Sub", u"Text", 7}, {g, u"", u"", 64}, {kHklm, u"G\\None", u"Text", 64},
      {g, u"Sub", u"Other", 0}, {gone, u"", u"", 64}, {kHklm, u"", u"", 9}, {0x1234, u"", u"", 9}};
  // clang-format on
  for (const auto& [root, subKey, name, room] : cases) {
    SCOPED_TRACE(text(std::u16string(subKey) + u"|" + name));
    std::uint8_t one[64] = {}, other[64] = {};
    std::uint32_t oneType = 99, otherType = 99, oneSize = room, otherSize = room;
    const auto code = api().GetValue(root, subKey, name, &oneType, room ? one : nullptr, &oneSize);
    RegKey key = 0;
    auto expected = api().OpenKeyEx(root, subKey, 0, kKeyRead, key);
    if (expected == 0) {
      expected = api().QueryValueEx(key, name, &otherType, room ? other : nullptr, &otherSize);
      api().CloseKey(key);
    }
    EXPECT_EQ(code, expected);
    EXPECT_EQ(oneType, otherType);
    EXPECT_EQ(oneSize, otherSize);
    EXPECT_EQ(Bytes(one, one + 64), Bytes(other, other + 64));
  }
  api().CloseKey(g);
  api().CloseKey(gone);
}

TEST_P(RegistryBehaviourTest, EnumerationEndsWith259AndSmallBuffersGive234) {
  ASSERT_EQ(put(kHkcu, u"E", u"Name", {kRegBinary, Bytes{1, 2, 3}}), 0);
  RegKey sub = 0;
  ASSERT_EQ(api().CreateKeyEx(kHkcu, u"E\\Sub", u"MyClass", 0, kKeyAllAccess, sub, nullptr), 0);
  api().CloseKey(sub);
  RegKey key = open(kHkcu, u"E");
  char16_t name[8], className[16];
  std::uint8_t data[8];
  std::uint32_t length = 4, size = 0, type = 0, classLength = 16;  // "Name" needs 5 with its end
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, nullptr, &size), kErrorMoreData);
  EXPECT_EQ(length, 4u) << "the name's length is left alone";
  EXPECT_EQ(type, kRegBinary) << "the type is given all the same";
  EXPECT_EQ(size, 3u) << "and the size of the data";
  for (auto [room, space, code] :
       {std::tuple{4u, 8u, kErrorMoreData}, {5u, 2u, kErrorMoreData}, {5u, 8u, kErrorSuccess}}) {
    length = room, size = space;
    EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, data, &size), code) << room << space;
    EXPECT_EQ(size, 3u);
  }
  EXPECT_EQ(std::u16string(name, 5), std::u16string(u"Name\0", 5));
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(Bytes(data, data + 3), (Bytes{1, 2, 3}));
  length = 5;
  EXPECT_EQ(api().EnumValue(key, 1, name, &length, &type, data, &size), kErrorNoMoreItems);
  length = 3;
  EXPECT_EQ(api().EnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorMoreData);
  length = 4;
  std::uint64_t written = 0;
  EXPECT_EQ(api().EnumKeyEx(key, 0, name, &length, className, &classLength, &written), 0);
  EXPECT_EQ(std::u16string(name, length), u"Sub");
  EXPECT_EQ(std::u16string(className, classLength), u"MyClass");
  EXPECT_GT(written, 116444736000000000ull) << "a time after 1970";
  EXPECT_EQ(api().EnumKeyEx(key, 1, name, &length, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, KeyWithSubKeysCannotBeDeletedNorARootNorAMissingValue) {
  make(kHklm, u"D\\Parent\\Child");
  EXPECT_EQ(api().DeleteKey(kHklm, u"D\\Parent"), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHklm, u"D\\Parent\\Child\\\\"), 0);
  EXPECT_EQ(api().DeleteKey(kHklm, u"d\\PARENT"), 0);
  EXPECT_EQ(api().DeleteKey(kHklm, u"D\\Parent"), kErrorFileNotFound);
  EXPECT_EQ(api().DeleteKey(kHklm, u""), kErrorAccessDenied) << "a root stays";
  EXPECT_EQ(openCode(kHklm, u"D"), 0);
  EXPECT_EQ(api().DeleteValue(kHklm, u"Nothing"), kErrorFileNotFound);
}

TEST_P(RegistryBehaviourTest, HandleOfADeletedKeyGives1018) {
  ASSERT_EQ(put(kHklm, u"Gone", u"V", sz(u"x")), 0);
  RegKey key = open(kHklm, u"Gone"), child = 0;
  EXPECT_EQ(api().DeleteKey(kHklm, u"Gone"), 0);
  make(kHklm, u"Gone");
  std::uint32_t size = 0, length = 8;
  EXPECT_EQ(api().QueryValueEx(key, u"V", nullptr, nullptr, &size), kErrorKeyDeleted);
  EXPECT_EQ(api().SetValueEx(key, u"V", kRegBinary, &kByte, 1), kErrorKeyDeleted);
  char16_t name[8];
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorKeyDeleted);
  EXPECT_EQ(api().CreateKeyEx(key, u"Sub", u"", 0, kKeyAllAccess, child, nullptr),
            kErrorKeyDeleted);
  EXPECT_EQ(api().CloseKey(key), 0);
}

TEST_P(RegistryBehaviourTest, InvalidHandlesGive6) {
  EXPECT_EQ(openCode(0, u"SOFTWARE"), kErrorInvalidHandle);
  EXPECT_EQ(createCode(0, u"SOFTWARE"), kErrorInvalidHandle);
  RegKey key = create(kHku, u"H");
  EXPECT_EQ(api().CloseKey(key), 0);
  EXPECT_EQ(api().CloseKey(key), kErrorInvalidHandle);
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(key, u"", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(api().CloseKey(kHku), 0);
}

TEST_P(RegistryBehaviourTest, FailedOpenAndCreateLeaveAnEmptyHandle) {
  const std::u16string kLong(300, u'k');
  const std::tuple<bool, RegKey, std::u16string, std::int32_t> cases[] = {
      {false, kHklm, u"Missing", kErrorFileNotFound}, {false, 0, u"x", kErrorInvalidHandle},
      {false, kHklm, u"\\x", kErrorBadPathname},      {true, 0, u"x", kErrorInvalidHandle},
      {true, kHku, u"\\x", kErrorBadPathname},        {true, kHku, kLong, kErrorInvalidParameter}};
  for (const auto& [creating, root, path, code] : cases) {
    SCOPED_TRACE(text(path.substr(0, 10)) + (creating ? " created" : " opened"));
    RegKey key = 0x7654;
    EXPECT_EQ(creating ? api().CreateKeyEx(root, path, u"", 0, kKeyAllAccess, key, nullptr)
                       : api().OpenKeyEx(root, path, 0, kKeyRead, key),
              code);
    EXPECT_EQ(key, 0);
  }
}

// Only HKEY_CLASSES_ROOT opens a path that begins with a backslash, and only OpenKeyEx does.
TEST_P(RegistryBehaviourTest, ClassesRootOpensAPathThatBeginsWithABackslash) {
  // Every system's HKEY_CLASSES_ROOT holds CLSID; the stores under test get one.
  make(kHkcr, u"CLSID");
  auto& system = subject->predefined();
  RegKey root = 0, key = 0;
  auto code = [&](RegKey at, std::u16string_view path) {
    const auto result = system.OpenKeyEx(at, path, 0, kKeyRead, key);
    if (key != 0 && path != u"\\") system.CloseKey(key);
    return result;
  };
  EXPECT_EQ(code(kHkcr, u"\\clsid"), 0);
  EXPECT_EQ(code(kHkcr, u"\\CLSID\\"), 0);
  ASSERT_EQ(code(kHkcr, u"\\"), 0);
  root = key;
  EXPECT_EQ(code(root, u"CLSID"), 0) << "\\ alone opens the root";
  system.CloseKey(root);
  EXPECT_EQ(code(kHkcr, u"\\\\clsid"), kErrorBadPathname) << "two backslashes";
  EXPECT_EQ(code(kHklm, u"\\Software"), kErrorBadPathname) << "another root";
  EXPECT_EQ(code(kHkcu, u"\\"), kErrorBadPathname) << "another root, the backslash alone";
  EXPECT_EQ(system.CreateKeyEx(kHkcr, u"\\SigpatchNever", u"", 0, kKeyAllAccess, key, nullptr),
            kErrorBadPathname);
  EXPECT_EQ(system.DeleteKey(kHkcr, u"\\SigpatchNever"), kErrorBadPathname);
}

TEST_P(RegistryBehaviourTest, OnlyTheFourRootsArePredefined) {
  SIGPATCH_REQUIRE(FourRoots);
  EXPECT_EQ(api().DeleteKey(predefinedKey(0x80000005u), u"x"), kErrorInvalidHandle);
  EXPECT_EQ(openCode(predefinedKey(0x80000004u), u""), kErrorInvalidHandle);
}

TEST_P(RegistryBehaviourTest, NamesAreLimitedAsTheSystemLimitsThem) {
  EXPECT_EQ(createCode(kHku, std::u16string(255, u'k')), 0);
  EXPECT_EQ(createCode(kHku, std::u16string(257, u'k')), kErrorInvalidParameter);
  EXPECT_EQ(createCode(kHku, u"\\Leading"), kErrorBadPathname);
  EXPECT_EQ(put(kHku, u"L", std::u16string(16383, u'v'), sz(u"")), 0);
  EXPECT_EQ(put(kHku, u"L", std::u16string(16384, u'v'), sz(u"")), kErrorInvalidParameter);
  if (subject->cannotShow(Behaviour::DocumentedKeyNames).empty()) {
    EXPECT_EQ(createCode(kHku, std::u16string(256, u'k')), kErrorInvalidParameter);
    EXPECT_EQ(createCode(kHku, u"Two\\\\Backslashes"), kErrorBadPathname);
  }
}

TEST_P(RegistryBehaviourTest, DepthIsLimitedAsTheSystemLimitsIt) {
  SIGPATCH_REQUIRE(DepthLimit);
  std::u16string deep = u"d";
  for (int i = 1; i < 512; ++i) deep += u"\\d";
  EXPECT_EQ(createCode(kHku, deep), 0);
  EXPECT_EQ(createCode(kHku, deep + u"\\d"), kErrorInvalidParameter);
  RegKey key = open(kHku, deep);
  EXPECT_EQ(createCode(key, u"e"), kErrorInvalidParameter);
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, HandlesAllowOnlyWhatWasAskedFor) {
  ASSERT_EQ(put(kHklm, u"A", u"V", sz(u"x")), 0);
  RegKey reader = open(kHklm, u"A", kKeyRead), writer = open(kHklm, u"A", kKeySetValue),
         created = 0;
  // A key created for reading is read only.
  ASSERT_EQ(api().CreateKeyEx(kHklm, u"A", u"", 0, kKeyRead, created, nullptr), 0);
  std::uint32_t size = 0, length = 4;
  char16_t name[4];
  for (RegKey readOnly : {reader, created}) {
    EXPECT_EQ(api().SetValueEx(readOnly, u"V", kRegBinary, &kByte, 1), kErrorAccessDenied);
    EXPECT_EQ(api().DeleteValue(readOnly, u"V"), kErrorAccessDenied);
    EXPECT_EQ(api().QueryValueEx(readOnly, u"V", nullptr, nullptr, &size), 0);
  }
  EXPECT_EQ(api().QueryValueEx(writer, u"V", nullptr, nullptr, &size), kErrorAccessDenied);
  EXPECT_EQ(api().EnumKeyEx(writer, 0, name, &length, nullptr, nullptr, nullptr),
            kErrorAccessDenied);
  EXPECT_EQ(api().SetValueEx(writer, u"V", kRegBinary, &kByte, 1), 0);
  for (RegKey key : {reader, writer, created}) api().CloseKey(key);
  EXPECT_EQ(get(kHklm, u"A", u"V"), (StoredValue{kRegBinary, {1}}));
}

TEST_P(RegistryBehaviourTest, ReadOnlyStoreOpensForReadingOnly) {
  SIGPATCH_REQUIRE(ReadOnlyStore);
  ASSERT_EQ(put(kHklm, u"SOFTWARE\\S", u"Kept", sz(u"1")), 0);
  make(kHklm, u"SOFTWARE\\S\\Leaf");
  subject->reopenReadOnly();
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\S", kKeyAllAccess), kErrorAccessDenied);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\S"), 0);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\S", kMaximumAllowed), 0);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\Missing", kKeyAllAccess), kErrorFileNotFound);
  EXPECT_EQ(get(kHklm, u"SOFTWARE\\S", u"Kept"), sz(u"1"));
  EXPECT_EQ(api().SetValueEx(kHklm, u"Root", kRegBinary, &kByte, 1), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteValue(kHklm, u"Root"), kErrorAccessDenied);
  EXPECT_EQ(createCode(kHklm, u"SOFTWARE\\New", kKeyRead), kErrorAccessDenied);
  EXPECT_EQ(createCode(kHklm, u"SOFTWARE\\S", kKeyRead), 0);
  EXPECT_EQ(createCode(kHklm, u"SOFTWARE\\S", kKeyAllAccess), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHklm, u"SOFTWARE\\S\\Leaf"), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHklm, u"SOFTWARE\\S\\Nothing"), kErrorFileNotFound);
  EXPECT_EQ(openCode(kHklm, u"SOFTWARE\\S\\Leaf"), 0);
}

TEST_P(RegistryBehaviourTest, RollbackUndoesEveryChangeOfTheTransactionAndCommitKeepsThem) {
  SIGPATCH_REQUIRE(Transactions);
  ASSERT_EQ(put(kHklm, u"T", u"Before", sz(u"1")), 0);
  auto& transactions = *subject->transactions();
  ASSERT_EQ(transactions.BeginTransaction(), 0);
  EXPECT_EQ(transactions.BeginTransaction(), kErrorInvalidParameter);
  ASSERT_EQ(put(kHklm, u"T", u"Before", sz(u"2")), 0);
  RegKey created = create(kHklm, u"T\\New\\Deeper");
  ASSERT_EQ(api().DeleteValue(kHklm, u"Missing"), kErrorFileNotFound);
  EXPECT_EQ(get(kHklm, u"T", u"Before"), sz(u"2")) << "a transaction sees its own changes";
  ASSERT_EQ(transactions.RollbackTransaction(), 0);
  EXPECT_EQ(get(kHklm, u"T", u"Before"), sz(u"1"));
  EXPECT_EQ(openCode(kHklm, u"T\\New"), kErrorFileNotFound);
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(created, u"", nullptr, nullptr, &size), kErrorKeyDeleted);
  api().CloseKey(created);
  EXPECT_EQ(transactions.CommitTransaction(), kErrorInvalidParameter);
  ASSERT_EQ(transactions.BeginTransaction(), 0);
  ASSERT_EQ(put(kHklm, u"T\\A", u"V", sz(u"a")), 0);
  ASSERT_EQ(put(kHkcu, u"T\\B", u"V", sz(u"b")), 0);
  ASSERT_EQ(transactions.CommitTransaction(), 0);
  subject->reopen();
  EXPECT_EQ(get(kHklm, u"T\\A", u"V"), sz(u"a"));
  EXPECT_EQ(get(kHkcu, u"T\\B", u"V"), sz(u"b"));
}

}  // namespace
}  // namespace sigpatch::testing
