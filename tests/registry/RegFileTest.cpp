#include <gtest/gtest.h>

#include <random>

#include "registry/RegFile.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using testing::Bytes;
using testing::utf16;
using Values = std::vector<RegFileValue>;

std::string utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}
RegFileValue value(std::u16string name, std::uint32_t type, Bytes data) {
  return {std::move(name), false, type, std::move(data)};
}
template <class Action>
std::u16string messageOf(const Action& action) {
  try {
    action();
  } catch (const RegFileError& e) {
    return e.Message();
  }
  return u"no error";
}

TEST(RegFileTest, ReadsTheRegistryEditorsFormatsAndEncodings) {
  const auto content =
      RegFile::Parse(utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                               u"; settings of the update tool\r\n"
                               u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sigpatch]\r\n"
                               u"\"Path\"=\"C:\\\\Updates \\\"new\\\"\"\r\n"
                               u"@=\"Grüße Ω\"\r\n"
                               u"\"Count\"=dword:0000001f\r\n"
                               u"\"Flags\"=hex:01,02,\\\r\n  ff\r\n"
                               u"\"Gone\"=-\r\n\r\n"
                               u"[-HKEY_CURRENT_USER\\Old]\r\n\r\n"
                               u"[hklm\\Short]\r\n"));
  // clang-format off
  const std::vector<RegFileKey> expected = {
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Sigpatch", false,
       Values{value(u"Path", 1, utf16(u"C:\\Updates \"new\"")), value(u"", 1, utf16(u"Grüße Ω")),
              value(u"Count", 4, Bytes{0x1F, 0, 0, 0}), value(u"Flags", 3, Bytes{1, 2, 0xFF}),
              {u"Gone", true, 0, {}}}},
      {u"HKEY_CURRENT_USER\\Old", true, {}},
      {u"HKEY_LOCAL_MACHINE\\Short", false, {}}};
  // clang-format on
  EXPECT_EQ(content.Keys, expected);
  EXPECT_EQ(content.Keys.at(0).Line, 4);
  // REGEDIT4 as Windows-1252, its text stored as UTF-16.
  EXPECT_EQ(RegFile::Parse("REGEDIT4\r\n\r\n[HKEY_USERS\\X]\r\n\"Caf\xE9\"=\"\x80 5\"\r\n"
                           "\"Exp\"=hex(2):25,e9,00\r\n\"Bin\"=hex:e9\r\n")
                .Keys.at(0)
                .Values,
            (Values{value(u"Café", 1, utf16(u"€ 5")), value(u"Exp", 2, utf16(u"%é")),
                    value(u"Bin", 3, Bytes{0xE9})}));
}

TEST(RegFileTest, BadFileSaysWhichLineAndWhat) {
  const std::string h = "Windows Registry Editor Version 5.00\r\n", k = h + "[HKU\\X]\r\n";
  const std::string v = k + "\"a\"=";
  const std::u16string three = u"line 3: ";
  const std::u16string hex = u"hex data must be hexadecimal bytes separated by commas";
  const std::u16string header =
      u"line 1: the file does not begin with \"Windows Registry Editor "
      u"Version 5.00\" or \"REGEDIT4\"";
  const std::pair<std::string, std::u16string> cases[] = {
      {"", u"line 1: the file is empty"},
      {"[HKEY_USERS\\X]\r\n", header},
      {h + "[HKU\\X\r\n", u"line 2: a key line must end with \"]\""},
      {h + "\r\n[HKEY_CURRENT_CONFIG\\X]\r\n", three + u"unknown root key \"HKEY_CURRENT_CONFIG\""},
      {k + "Name=\"b\"\r\n", three + u"a value line must begin with \"@\" or a quoted name"},
      {h + "[-HKU\\X]\r\n\"a\"=\"b\"\r\n", three + u"a value under a key that is being deleted"},
      {v + "\"b\r\n", three + u"a string without its closing quote"},
      {v + "dword:123456789\r\n", three + u"dword: needs 1 to 8 hexadecimal digits"},
      {v + "hex:01,,02\r\n", three + hex},
      {v + "hex(zz):01\r\n",
       three + u"a value type must be written hex(type) with 1 to 8 hexadecimal digits"},
      {v + "hex:01,\\\r\n  zz\r\n", u"line 4: " + hex},
      {v + "17\r\n",
       three + u"the data must be a quoted string, dword:, hex:, hex(type): or \"-\""},
      {std::string("\xFF\xFEW\0x", 5), u"the file ends in the middle of a UTF-16 character"}};
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(messageOf([&] { RegFile::Parse(text); }), message);
  }
  RegFileContent content{{{u"HKEY_USERS\\A\nB", false, {}}}};
  EXPECT_EQ(messageOf([&] { RegFile::WriteText(content); }),
            u"the key \"HKEY_USERS\\A\nB\" has a line break in its name, which a .reg file cannot "
            u"hold");
}

// Whatever content is written reads back the same, byte for byte.
TEST(RegFileTest, WrittenFilesReadBackTheSame) {
  std::mt19937 random(7);
  const std::u16string letters = u"aZ \\\"\u00E9\u03A9[]=@;-\u4E2D\t'";
  const std::uint32_t types[] = {0, 1, 2, 3, 4, 7, 11, 0x4000};
  auto pick = [&](std::size_t most) {
    std::u16string s;
    for (auto n = random() % (most + 1); n > 0; --n) s += letters[random() % letters.size()];
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    RegFileContent content;
    for (int k = 0; k < 3; ++k) {
      RegFileKey key{u"HKEY_CURRENT_USER\\" + pick(5) + u"x", round % 17 == 0, {}};
      for (int v = 0; v < 4 && !key.Delete; ++v) {
        const auto type = types[random() % 8];
        Bytes data(random() % 120);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        if (type == 1 || type == 2) data = utf16(pick(12));
        key.Values.push_back(value(pick(6), type, data));
      }
      content.Keys.push_back(key);
    }
    ASSERT_EQ(RegFile::Parse(RegFile::Write(content)).Keys, content.Keys) << "round " << round;
  }
}

}  // namespace
}  // namespace sigpatch
