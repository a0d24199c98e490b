// The registry rules every registry under test keeps (RegistryBehaviour.h);
// each test binary instantiates the suite with its registries.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "registry/RegistryBehaviour.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch::testing {
namespace {

using namespace platform;

using Names = std::vector<std::u16string>;

TEST_P(RegistryBehaviourTest, CreatesAKeyWithEveryMissingKeyAbove) {
  std::uint32_t disposition = 0;
  RegKey key = create(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", &disposition);
  EXPECT_EQ(disposition, kRegCreatedNewKey);
  api().CloseKey(key);
  key = create(kHkeyLocalMachine, u"software\\FERROLITE\\Sigpatch\\", &disposition);
  EXPECT_EQ(disposition, kRegOpenedExistingKey);
  api().CloseKey(key);
  key = create(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\\\", &disposition);
  EXPECT_EQ(disposition, kRegOpenedExistingKey) << "two backslashes at the end count as one";
  api().CloseKey(key);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite", kKeyRead), 0);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\\\", kKeyRead), 0);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\Missing", kKeyRead), kErrorFileNotFound);
  EXPECT_EQ(openCode(kHkeyCurrentUser, u"SOFTWARE", kKeyRead), kErrorFileNotFound)
      << "each root is a tree of its own";
  EXPECT_EQ(openCode(kHkeyUsers, u"", kKeyAllAccess), 0);
  subject->reopen();
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", kKeyRead), 0);
}

TEST_P(RegistryBehaviourTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  api().CloseKey(create(kHkeyCurrentUser, u"Soft\\Grüße"));
  api().CloseKey(create(kHkeyCurrentUser, u"SOFT\\GRÜSSE"));
  api().CloseKey(create(kHkeyCurrentUser, u"soft\\grüße"));
  RegKey soft = open(kHkeyCurrentUser, u"sOfT");
  EXPECT_EQ(subKeys(soft), (Names{u"GRÜSSE", u"Grüße"}))
      << "simple case mapping: ß has no single upper-case letter, and S sorts before it";
  ASSERT_EQ(storeValue(api(), kHkeyCurrentUser, u"Soft", u"Value", kRegSz, utf16(u"1")), 0);
  ASSERT_EQ(storeValue(api(), kHkeyCurrentUser, u"soft", u"VALUE", kRegDword, Bytes{2, 0, 0, 0}),
            0);
  EXPECT_EQ(valueNames(soft), Names{u"Value"});
  EXPECT_EQ(storedValue(api(), kHkeyCurrentUser, u"SOFT", u"vAlUe"),
            (StoredValue{kRegDword, Bytes{2, 0, 0, 0}}));
  api().CloseKey(soft);
}

TEST_P(RegistryBehaviourTest, SubKeysComeInTheOrderOfTheirUpperCasedNames) {
  for (auto name : {u"b", u"A", u"\u00E9t\u00E9", u"C", u"a1"}) {
    api().CloseKey(create(kHkeyUsers, u"Order\\" + std::u16string(name)));
  }
  RegKey key = open(kHkeyUsers, u"Order");
  EXPECT_EQ(subKeys(key), (Names{u"A", u"a1", u"b", u"C", u"\u00E9t\u00E9"}));
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, SignsBetweenTheCasesSortAfterTheLetters) {
  SIGPATCH_REQUIRE(UpperCaseOrder);
  for (auto name : {u"_x", u"b", u"[y", u"A"}) {
    api().CloseKey(create(kHkeyUsers, u"Order\\" + std::u16string(name)));
  }
  RegKey key = open(kHkeyUsers, u"Order");
  EXPECT_EQ(subKeys(key), (Names{u"A", u"b", u"[y", u"_x"}));
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, ValuesComeInTheOrderTheyWereFirstWritten) {
  SIGPATCH_REQUIRE(ValueOrder);
  for (auto name : {u"Zeta", u"alpha", u"Mid"}) {
    ASSERT_EQ(storeValue(api(), kHkeyUsers, u"V", name, kRegSz, utf16(u"x")), 0);
  }
  ASSERT_EQ(storeValue(api(), kHkeyUsers, u"V", u"ZETA", kRegSz, utf16(u"y")), 0);
  RegKey key = open(kHkeyUsers, u"V");
  EXPECT_EQ(valueNames(key), (Names{u"Zeta", u"alpha", u"Mid"})) << "overwriting keeps the place";
  EXPECT_EQ(api().DeleteValue(key, u"zeta"), 0);
  ASSERT_EQ(storeValue(api(), kHkeyUsers, u"V", u"zeta", kRegSz, utf16(u"z")), 0);
  EXPECT_EQ(valueNames(key), (Names{u"alpha", u"Mid", u"zeta"}));
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, DataIsKeptByteForByteWithItsType) {
  const std::vector<StoredValue> values = {
      {kRegSz, utf16(u"C:\\Updates \"x\" Ω")},
      {kRegSz, Bytes{}},
      {kRegSz, Bytes{0x41}},  // not even a whole character
      {kRegExpandSz, utf16(u"%PATH%")},
      {kRegBinary, Bytes{0, 1, 0xFF, 0x80}},
      {kRegDword, Bytes{0xFF, 0xFF, 0xFF, 0xFF}},
      {kRegMultiSz, utf16(std::u16string(u"a\0b\0\0", 5), false)},
      {kRegNone, Bytes{}},
      {kRegQword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
      {0x12345678u, Bytes{9}},
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto name = u"v" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"Data", name, values[i].type, values[i].data),
              0);
  }
  subject->reopen();
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto name = u"v" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"Data", name), values[i]) << i;
  }
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"Data", u"", kRegSz, utf16(u"default")), 0);
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"Data", u""),
            (StoredValue{kRegSz, utf16(u"default")}));
}

// Text written with a size that leaves out its terminator: the registry reads the
// character just past the size and stores the terminator when it is one.
TEST_P(RegistryBehaviourTest, TextWithoutItsTerminatorIsStoredWithItWhenItFollows) {
  const Bytes ab{0x61, 0, 0x62, 0, 0, 0, 0x11, 0x11};  // "ab", a terminator, more
  struct Case {
    const char* what;
    std::uint32_t type;
    Bytes buffer;  // empty: no buffer
    std::uint32_t size;
    std::int32_t code;
    Bytes stored;
  };
  const Case cases[] = {
      {"REG_SZ", kRegSz, ab, 4, 0, Bytes{0x61, 0, 0x62, 0, 0, 0}},
      {"REG_EXPAND_SZ", kRegExpandSz, ab, 4, 0, Bytes{0x61, 0, 0x62, 0, 0, 0}},
      {"REG_MULTI_SZ", kRegMultiSz, utf16(std::u16string(u"a\0b\0\0", 5), false), 6, 0,
       utf16(std::u16string(u"a\0b\0", 4), false)},
      {"a character follows", kRegSz, utf16(u"abc"), 4, 0, Bytes{0x61, 0, 0x62, 0}},
      {"not text", kRegBinary, ab, 4, 0, Bytes{0x61, 0, 0x62, 0}},
      {"ends in a zero", kRegSz, Bytes{0x61, 0, 0, 0, 0, 0}, 4, 0, Bytes{0x61, 0, 0, 0}},
      {"odd size, a zero character from its last byte", kRegSz, Bytes{0x61, 0, 0x62, 0, 0, 0, 0}, 5,
       0, Bytes{0x61, 0, 0x62, 0, 0, 0, 0}},
      {"odd size, a character from its last byte", kRegSz, ab, 3, 0, Bytes{0x61, 0, 0x62}},
      {"no data", kRegSz, ab, 0, 0, Bytes{}},
      {"no buffer for text", kRegSz, Bytes{}, 4, kErrorNoAccess, Bytes{}},
      {"no buffer for bytes", kRegBinary, Bytes{}, 4, kErrorNoAccess, Bytes{}},
      {"no buffer and no data", kRegBinary, Bytes{}, 0, 0, Bytes{}},
  };
  RegKey key = create(kHkeyLocalMachine, u"Text");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(
        api().SetValueEx(key, u"V", c.type, c.buffer.empty() ? nullptr : c.buffer.data(), c.size),
        c.code);
    const auto stored = storedValue(api(), kHkeyLocalMachine, u"Text", u"V");
    if (c.code == 0) {
      EXPECT_EQ(stored, (StoredValue{c.type, c.stored}));
    } else {
      EXPECT_EQ(stored, std::nullopt);
    }
    api().DeleteValue(key, u"V");
  }
  // A buffer in the first 64 KiB of the address space, where none can lie, is
  // never read.
  const auto* nowhere = reinterpret_cast<const std::uint8_t*>(std::uintptr_t{0x10});
  EXPECT_EQ(api().SetValueEx(key, u"V", kRegSz, nowhere, 2), kErrorNoAccess);
  api().CloseKey(key);
}

// A read with room to spare ends text that was stored without its terminator;
// the size it gives stays the stored one. Enumeration does the same.
TEST_P(RegistryBehaviourTest, ReadsWithRoomToSpareEndTextThatLacksItsTerminator) {
  constexpr std::uint8_t kUntouched = 0xCC;
  struct Case {
    const char* what;
    std::uint32_t type;
    Bytes stored;
    std::uint32_t room;
    Bytes delivered;  // the buffer of 8 bytes after the read
  };
  const Bytes ab{0x61, 0, 0x62, 0};
  const Case cases[] = {
      {"no room", kRegSz, ab, 4, {0x61, 0, 0x62, 0, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"room for a byte", kRegSz, ab, 5, {0x61, 0, 0x62, 0, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"room for a character", kRegSz, ab, 6, {0x61, 0, 0x62, 0, 0, 0, 0xCC, 0xCC}},
      {"more room", kRegSz, ab, 8, {0x61, 0, 0x62, 0, 0, 0, 0xCC, 0xCC}},
      {"REG_EXPAND_SZ", kRegExpandSz, ab, 8, {0x61, 0, 0x62, 0, 0, 0, 0xCC, 0xCC}},
      {"REG_MULTI_SZ",
       kRegMultiSz,
       utf16(std::u16string(u"a\0b", 3), false),
       8,
       {0x61, 0, 0, 0, 0x62, 0, 0, 0}},
      {"not text", kRegBinary, ab, 8, {0x61, 0, 0x62, 0, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"terminated", kRegSz, utf16(u"a"), 8, {0x61, 0, 0, 0, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"one byte", kRegSz, Bytes{0x61}, 8, {0x61, 0, 0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}},
      {"three bytes", kRegSz, Bytes{0x61, 0, 0x62}, 8, {0x61, 0, 0x62, 0, 0, 0xCC, 0xCC, 0xCC}},
      {"empty", kRegSz, Bytes{}, 8, {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"Room", u"V", c.type, c.stored), 0);
    RegKey key = open(kHkeyLocalMachine, u"Room", kKeyRead);
    std::uint8_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), kUntouched);
    std::uint32_t size = c.room;
    EXPECT_EQ(api().QueryValueEx(key, u"V", nullptr, buffer, &size), 0);
    EXPECT_EQ(size, c.stored.size());
    EXPECT_EQ(Bytes(std::begin(buffer), std::end(buffer)), c.delivered) << "QueryValueEx";
    std::fill(std::begin(buffer), std::end(buffer), kUntouched);
    char16_t name[4];
    std::uint32_t length = 4;
    size = c.room;
    EXPECT_EQ(api().EnumValue(key, 0, name, &length, nullptr, buffer, &size), 0);
    EXPECT_EQ(size, c.stored.size());
    EXPECT_EQ(Bytes(std::begin(buffer), std::end(buffer)), c.delivered) << "EnumValue";
    api().CloseKey(key);
  }
}

TEST_P(RegistryBehaviourTest, QueryGivesTheSizeFirstAndMoreDataForASmallBuffer) {
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"Q", u"Text", kRegSz, utf16(u"abc")), 0);
  RegKey key = open(kHkeyLocalMachine, u"Q");
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, nullptr, &size), 0);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 8u);
  std::uint8_t buffer[8] = {};
  size = 7;
  EXPECT_EQ(api().QueryValueEx(key, u"Text", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  size = sizeof buffer;
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
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"G\\Sub", u"Text", kRegSz, utf16(u"abc")), 0);
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"G", u"", kRegDword, Bytes{7, 0, 0, 0}), 0);
  const RegKey g = open(kHkeyLocalMachine, u"G");
  const RegKey gone = create(kHkeyLocalMachine, u"Gone");
  ASSERT_EQ(api().DeleteKey(kHkeyLocalMachine, u"Gone"), 0);
  struct Case {
    RegKey key;
    const char16_t* subKey;
    const char16_t* name;
    std::uint32_t room;  // 0: the size only
  };
  const Case cases[] = {{kHkeyLocalMachine, u"G\\Sub", u"TEXT", 64}, {kHkeyLocalMachine, u"G\\Sub", u"Text", 0},
                        {kHkeyLocalMachine, u"G\\Sub", u"Text", 7}, {g, u"Sub", u"Text", 64},
                        {g, u"", u"", 64},          {kHkeyLocalMachine, u"G\\None", u"Text", 64},
                        {g, u"Sub", u"Other", 0},     {gone, u"", u"", 64},
                        {kHkeyLocalMachine, u"", u"", 64}, {0x1234, u"", u"", 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(std::u16string(c.subKey) + u"|" + c.name));
    std::uint8_t one[64] = {};
    std::uint8_t other[64] = {};
    std::uint32_t oneType = 99, otherType = 99, oneSize = c.room, otherSize = c.room;
    const auto code = api().GetValue(c.key, c.subKey, c.name, &oneType, c.room ? one : nullptr, &oneSize);
    RegKey key = 0;
    auto expected = api().OpenKeyEx(c.key, c.subKey, 0, kKeyRead, key);
    if (expected == 0) {
      expected = api().QueryValueEx(key, c.name, &otherType, c.room ? other : nullptr, &otherSize);
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
  ASSERT_EQ(storeValue(api(), kHkeyCurrentUser, u"E", u"Name", kRegBinary, Bytes{1, 2, 3}), 0);
  api().CloseKey(create(kHkeyCurrentUser, u"E\\Sub"));
  RegKey key = open(kHkeyCurrentUser, u"E");
  char16_t name[8];
  std::uint8_t data[8];
  std::uint32_t length = 4;  // "Name" needs 5 with its terminator
  std::uint32_t size = 0;
  std::uint32_t type = 0;
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, nullptr, &size), kErrorMoreData);
  EXPECT_EQ(length, 4u) << "the name's length is left alone";
  EXPECT_EQ(type, kRegBinary) << "the type is given all the same";
  EXPECT_EQ(size, 3u) << "and the size of the data";
  size = sizeof data;
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, data, &size), kErrorMoreData);
  EXPECT_EQ(size, 3u);
  length = 5;
  size = 2;
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, data, &size), kErrorMoreData);
  EXPECT_EQ(size, 3u);
  length = 5;
  size = sizeof data;
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, &type, data, &size), 0);
  EXPECT_EQ(std::u16string(name, length), u"Name");
  EXPECT_EQ(name[4], u'\0');
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(Bytes(data, data + size), (Bytes{1, 2, 3}));
  length = 5;
  EXPECT_EQ(api().EnumValue(key, 1, name, &length, &type, data, &size), kErrorNoMoreItems);
  length = 3;
  EXPECT_EQ(api().EnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorMoreData);
  length = 4;
  std::uint64_t written = 0;
  EXPECT_EQ(api().EnumKeyEx(key, 0, name, &length, nullptr, nullptr, &written), 0);
  EXPECT_EQ(std::u16string(name, length), u"Sub");
  EXPECT_GT(written, 116444736000000000ull) << "a time after 1970";
  EXPECT_EQ(api().EnumKeyEx(key, 1, name, &length, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, EnumerationGivesTheClassOfAKey) {
  RegKey key = 0;
  ASSERT_EQ(
      api().CreateKeyEx(kHkeyCurrentUser, u"C\\Classy", u"MyClass", 0, kKeyAllAccess, key, nullptr),
      0);
  api().CloseKey(key);
  key = open(kHkeyCurrentUser, u"C");
  char16_t name[16];
  char16_t className[16];
  std::uint32_t length = 16;
  std::uint32_t classLength = 16;
  EXPECT_EQ(api().EnumKeyEx(key, 0, name, &length, className, &classLength, nullptr), 0);
  EXPECT_EQ(std::u16string(className, classLength), u"MyClass");
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, KeyWithSubKeysCannotBeDeleted) {
  api().CloseKey(create(kHkeyLocalMachine, u"D\\Parent\\Child"));
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"D\\Parent"), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"D\\Parent\\Child\\\\"), 0);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"d\\PARENT"), 0);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"D\\Parent"), kErrorFileNotFound);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u""), kErrorAccessDenied) << "a root stays";
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"D", kKeyRead), 0);
}

TEST_P(RegistryBehaviourTest, HandleOfADeletedKeyGives1018) {
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"Gone", u"V", kRegSz, utf16(u"x")), 0);
  RegKey key = open(kHkeyLocalMachine, u"Gone");
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"Gone"), 0);
  api().CloseKey(create(kHkeyLocalMachine, u"Gone"));
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(key, u"V", nullptr, nullptr, &size), kErrorKeyDeleted);
  const std::uint8_t byte = 1;
  EXPECT_EQ(api().SetValueEx(key, u"V", kRegBinary, &byte, 1), kErrorKeyDeleted);
  char16_t name[8];
  std::uint32_t length = 8;
  EXPECT_EQ(api().EnumValue(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorKeyDeleted);
  RegKey child = 0;
  EXPECT_EQ(api().CreateKeyEx(key, u"Sub", u"", 0, kKeyAllAccess, child, nullptr),
            kErrorKeyDeleted);
  EXPECT_EQ(api().CloseKey(key), 0);
}

TEST_P(RegistryBehaviourTest, DeletingAMissingValueGives2) {
  RegKey key = create(kHkeyLocalMachine, u"DV");
  EXPECT_EQ(api().DeleteValue(key, u"Nothing"), kErrorFileNotFound);
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, InvalidHandlesGive6) {
  RegKey key = 0;
  EXPECT_EQ(api().OpenKeyEx(0, u"SOFTWARE", 0, kKeyRead, key), kErrorInvalidHandle);
  EXPECT_EQ(api().CreateKeyEx(0, u"SOFTWARE", u"", 0, kKeyAllAccess, key, nullptr),
            kErrorInvalidHandle);
  key = create(kHkeyUsers, u"H");
  EXPECT_EQ(api().CloseKey(key), 0);
  EXPECT_EQ(api().CloseKey(key), kErrorInvalidHandle);
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(key, u"", nullptr, nullptr, &size), kErrorInvalidHandle);
  EXPECT_EQ(api().CloseKey(kHkeyUsers), 0);
}

TEST_P(RegistryBehaviourTest, FailedOpenAndCreateLeaveAnEmptyHandle) {
  struct Case {
    const char* what;
    bool create;
    RegKey root;
    std::u16string path;
    std::int32_t code;
  };
  const Case cases[] = {
      {"open of a missing key", false, kHkeyLocalMachine, u"Missing", kErrorFileNotFound},
      {"open through an invalid handle", false, 0, u"x", kErrorInvalidHandle},
      {"open of a path with a leading backslash", false, kHkeyLocalMachine, u"\\x",
       kErrorBadPathname},
      {"create through an invalid handle", true, 0, u"x", kErrorInvalidHandle},
      {"create of a path with a leading backslash", true, kHkeyUsers, u"\\x", kErrorBadPathname},
      {"create of a name too long", true, kHkeyUsers, std::u16string(300, u'k'),
       kErrorInvalidParameter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RegKey key = 0x7654;
    EXPECT_EQ(c.create ? api().CreateKeyEx(c.root, c.path, u"", 0, kKeyAllAccess, key, nullptr)
                       : api().OpenKeyEx(c.root, c.path, 0, kKeyRead, key),
              c.code);
    EXPECT_EQ(key, 0);
  }
}

// Under the predefined HKEY_CLASSES_ROOT, and there only, OpenKeyEx takes a path
// that begins with one backslash; creating and deleting do not.
TEST_P(RegistryBehaviourTest, ClassesRootOpensAPathThatBeginsWithABackslash) {
  // Every system's HKEY_CLASSES_ROOT holds CLSID; the stores under test get one.
  api().CloseKey(create(kHkeyClassesRoot, u"CLSID"));
  auto& system = subject->predefined();
  for (auto path : {u"\\clsid", u"\\CLSID\\"}) {
    RegKey key = 0;
    EXPECT_EQ(system.OpenKeyEx(kHkeyClassesRoot, path, 0, kKeyRead, key), 0) << text(path);
    if (key != 0) system.CloseKey(key);
  }
  RegKey root = 0;
  ASSERT_EQ(system.OpenKeyEx(kHkeyClassesRoot, u"\\", 0, kKeyRead, root), 0);
  RegKey clsid = 0;
  EXPECT_EQ(system.OpenKeyEx(root, u"CLSID", 0, kKeyRead, clsid), 0) << "\\ alone opens the root";
  if (clsid != 0) system.CloseKey(clsid);
  system.CloseKey(root);
  RegKey key = 0;
  EXPECT_EQ(system.OpenKeyEx(kHkeyClassesRoot, u"\\\\clsid", 0, kKeyRead, key), kErrorBadPathname)
      << "two backslashes";
  EXPECT_EQ(system.OpenKeyEx(kHkeyLocalMachine, u"\\Software", 0, kKeyRead, key), kErrorBadPathname)
      << "another root";
  EXPECT_EQ(system.OpenKeyEx(kHkeyCurrentUser, u"\\", 0, kKeyRead, key), kErrorBadPathname)
      << "another root, the backslash alone";
  EXPECT_EQ(
      system.CreateKeyEx(kHkeyClassesRoot, u"\\SigpatchNever", u"", 0, kKeyAllAccess, key, nullptr),
      kErrorBadPathname);
  EXPECT_EQ(system.DeleteKey(kHkeyClassesRoot, u"\\SigpatchNever"), kErrorBadPathname);
}

TEST_P(RegistryBehaviourTest, OnlyTheFourRootsArePredefined) {
  SIGPATCH_REQUIRE(FourRoots);
  RegKey key = 0;
  EXPECT_EQ(api().DeleteKey(predefinedKey(0x80000005u), u"x"), kErrorInvalidHandle);
  EXPECT_EQ(api().OpenKeyEx(predefinedKey(0x80000004u), u"", 0, kKeyRead, key),
            kErrorInvalidHandle);
}

TEST_P(RegistryBehaviourTest, NamesAreLimitedAsTheSystemLimitsThem) {
  EXPECT_EQ(createCode(kHkeyUsers, std::u16string(255, u'k')), 0);
  EXPECT_EQ(createCode(kHkeyUsers, std::u16string(257, u'k')), kErrorInvalidParameter);
  EXPECT_EQ(createCode(kHkeyUsers, u"\\Leading"), kErrorBadPathname);
  EXPECT_EQ(storeValue(api(), kHkeyUsers, u"L", std::u16string(16383, u'v'), kRegSz, utf16(u"")),
            0);
  EXPECT_EQ(storeValue(api(), kHkeyUsers, u"L", std::u16string(16384, u'v'), kRegSz, utf16(u"")),
            kErrorInvalidParameter);
}

TEST_P(RegistryBehaviourTest, KeyNamesKeepTheDocumentedLimits) {
  SIGPATCH_REQUIRE(DocumentedKeyNames);
  EXPECT_EQ(createCode(kHkeyUsers, std::u16string(256, u'k')), kErrorInvalidParameter);
  EXPECT_EQ(createCode(kHkeyUsers, u"Two\\\\Backslashes"), kErrorBadPathname);
}

TEST_P(RegistryBehaviourTest, DepthIsLimitedAsTheSystemLimitsIt) {
  SIGPATCH_REQUIRE(DepthLimit);
  std::u16string deep = u"d";
  for (int i = 1; i < 512; ++i) deep += u"\\d";
  EXPECT_EQ(createCode(kHkeyUsers, deep), 0);
  EXPECT_EQ(createCode(kHkeyUsers, deep + u"\\d"), kErrorInvalidParameter);
  RegKey key = open(kHkeyUsers, deep);
  EXPECT_EQ(createCode(key, u"e"), kErrorInvalidParameter);
  api().CloseKey(key);
}

TEST_P(RegistryBehaviourTest, HandlesAllowOnlyWhatWasAskedFor) {
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"x")), 0);
  RegKey reader = open(kHkeyLocalMachine, u"A", kKeyRead);
  const std::uint8_t byte = 1;
  EXPECT_EQ(api().SetValueEx(reader, u"V", kRegBinary, &byte, 1), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteValue(reader, u"V"), kErrorAccessDenied);
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(reader, u"V", nullptr, nullptr, &size), 0);
  api().CloseKey(reader);
  RegKey writer = open(kHkeyLocalMachine, u"A", kKeySetValue);
  EXPECT_EQ(api().QueryValueEx(writer, u"V", nullptr, nullptr, &size), kErrorAccessDenied);
  char16_t name[4];
  std::uint32_t length = 4;
  EXPECT_EQ(api().EnumKeyEx(writer, 0, name, &length, nullptr, nullptr, nullptr),
            kErrorAccessDenied);
  EXPECT_EQ(api().SetValueEx(writer, u"V", kRegBinary, &byte, 1), 0);
  api().CloseKey(writer);
  RegKey created = 0;
  ASSERT_EQ(api().CreateKeyEx(kHkeyLocalMachine, u"A", u"", 0, kKeyRead, created, nullptr), 0);
  EXPECT_EQ(api().SetValueEx(created, u"V", kRegBinary, &byte, 1), kErrorAccessDenied)
      << "a key created for reading is read only";
  EXPECT_EQ(api().DeleteValue(created, u"V"), kErrorAccessDenied);
  api().CloseKey(created);
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"A", u"V"), (StoredValue{kRegBinary, {1}}));
}

TEST_P(RegistryBehaviourTest, ReadOnlyStoreOpensForReadingOnly) {
  SIGPATCH_REQUIRE(ReadOnlyStore);
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"SOFTWARE\\S", u"Kept", kRegSz, utf16(u"1")), 0);
  api().CloseKey(create(kHkeyLocalMachine, u"SOFTWARE\\S\\Leaf"));
  subject->reopenReadOnly();
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\S", kKeyAllAccess), kErrorAccessDenied);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\S", kKeyRead), 0);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\S", kMaximumAllowed), 0);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\Missing", kKeyAllAccess), kErrorFileNotFound);
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"SOFTWARE\\S", u"Kept"),
            (StoredValue{kRegSz, utf16(u"1")}));
  const std::uint8_t byte = 1;
  EXPECT_EQ(api().SetValueEx(kHkeyLocalMachine, u"Root", kRegBinary, &byte, 1), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteValue(kHkeyLocalMachine, u"Root"), kErrorAccessDenied);
  EXPECT_EQ(createCode(kHkeyLocalMachine, u"SOFTWARE\\New", kKeyRead), kErrorAccessDenied);
  EXPECT_EQ(createCode(kHkeyLocalMachine, u"SOFTWARE\\S", kKeyRead), 0);
  EXPECT_EQ(createCode(kHkeyLocalMachine, u"SOFTWARE\\S", kKeyAllAccess), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"SOFTWARE\\S\\Leaf"), kErrorAccessDenied);
  EXPECT_EQ(api().DeleteKey(kHkeyLocalMachine, u"SOFTWARE\\S\\Nothing"), kErrorFileNotFound);
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"SOFTWARE\\S\\Leaf", kKeyRead), 0);
}

TEST_P(RegistryBehaviourTest, RollbackUndoesEveryChangeOfTheTransaction) {
  SIGPATCH_REQUIRE(Transactions);
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"T", u"Before", kRegSz, utf16(u"1")), 0);
  auto& transactions = *subject->transactions();
  ASSERT_EQ(transactions.BeginTransaction(), 0);
  EXPECT_EQ(transactions.BeginTransaction(), kErrorInvalidParameter);
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"T", u"Before", kRegSz, utf16(u"2")), 0);
  RegKey created = create(kHkeyLocalMachine, u"T\\New\\Deeper");
  ASSERT_EQ(api().DeleteValue(kHkeyLocalMachine, u"Missing"), kErrorFileNotFound);
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"T", u"Before"),
            (StoredValue{kRegSz, utf16(u"2")}))
      << "a transaction sees its own changes";
  ASSERT_EQ(transactions.RollbackTransaction(), 0);
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"T", u"Before"),
            (StoredValue{kRegSz, utf16(u"1")}));
  EXPECT_EQ(openCode(kHkeyLocalMachine, u"T\\New", kKeyRead), kErrorFileNotFound);
  std::uint32_t size = 0;
  EXPECT_EQ(api().QueryValueEx(created, u"", nullptr, nullptr, &size), kErrorKeyDeleted);
  api().CloseKey(created);
  EXPECT_EQ(transactions.CommitTransaction(), kErrorInvalidParameter);
}

TEST_P(RegistryBehaviourTest, CommitKeepsEveryChangeOfTheTransaction) {
  SIGPATCH_REQUIRE(Transactions);
  auto& transactions = *subject->transactions();
  ASSERT_EQ(transactions.BeginTransaction(), 0);
  ASSERT_EQ(storeValue(api(), kHkeyLocalMachine, u"T\\A", u"V", kRegSz, utf16(u"a")), 0);
  ASSERT_EQ(storeValue(api(), kHkeyCurrentUser, u"T\\B", u"V", kRegSz, utf16(u"b")), 0);
  ASSERT_EQ(transactions.CommitTransaction(), 0);
  subject->reopen();
  EXPECT_EQ(storedValue(api(), kHkeyLocalMachine, u"T\\A", u"V"),
            (StoredValue{kRegSz, utf16(u"a")}));
  EXPECT_EQ(storedValue(api(), kHkeyCurrentUser, u"T\\B", u"V"),
            (StoredValue{kRegSz, utf16(u"b")}));
}

}  // namespace
}  // namespace sigpatch::testing
