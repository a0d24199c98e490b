#include <gtest/gtest.h>

#include <random>

#include "registry/RegFile.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using testing::Bytes;
using testing::utf16;

std::string utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

RegFileValue value(std::u16string name, std::uint32_t type, Bytes data) {
  return {std::move(name), false, type, std::move(data)};
}

TEST(RegFileTest, ReadsTheRegistryEditorsFormat) {
  const auto content =
      RegFile::Parse(utf16File(u"Windows Registry Editor Version 5.00\r\n"
                               u"\r\n"
                               u"; settings of the update tool\r\n"
                               u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch]\r\n"
                               u"\"Path\"=\"C:\\\\Updates \\\"new\\\"\"\r\n"
                               u"@=\"Grüße Ω\"\r\n"
                               u"\"Count\"=dword:0000001f\r\n"
                               u"\"Flags\"=hex:01,02,\\\r\n"
                               u"  ff\r\n"
                               u"\"Where\"=hex(2):25,00,50,00,00,00\r\n"
                               u"\"Empty\"=hex:\r\n"
                               u"\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                               u"\"Gone\"=-\r\n"
                               u"\r\n"
                               u"[-HKEY_CURRENT_USER\\Old]\r\n"
                               u"\r\n"
                               u"[hklm\\Short]\r\n"));
  ASSERT_EQ(content.Keys.size(), 3u);
  const auto& settings = content.Keys[0];
  EXPECT_EQ(settings.Path, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch");
  EXPECT_EQ(settings.Line, 4);
  EXPECT_FALSE(settings.Delete);
  const std::vector<RegFileValue> expected = {
      value(u"Path", 1, utf16(u"C:\\Updates \"new\"")),  value(u"", 1, utf16(u"Grüße Ω")),
      value(u"Count", 4, Bytes{0x1F, 0, 0, 0}),          value(u"Flags", 3, Bytes{1, 2, 0xFF}),
      value(u"Where", 2, Bytes{0x25, 0, 0x50, 0, 0, 0}), value(u"Empty", 3, Bytes{}),
      value(u"Big", 11, Bytes{1, 0, 0, 0, 0, 0, 0, 0}),  {u"Gone", true, 0, {}},
  };
  EXPECT_EQ(settings.Values, expected);
  EXPECT_EQ(content.Keys[1].Path, u"HKEY_CURRENT_USER\\Old");
  EXPECT_TRUE(content.Keys[1].Delete);
  EXPECT_EQ(content.Keys[2].Path, u"HKEY_LOCAL_MACHINE\\Short");
}

TEST(RegFileTest, ReadsUtf8WithAndWithoutByteOrderMarkAndBareLineFeeds) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n\n[HKEY_USERS\\X]\n\"Name\"=\"é\"\n";
  for (const auto& bytes : {text, "\xEF\xBB\xBF" + text}) {
    const auto content = RegFile::Parse(bytes);
    ASSERT_EQ(content.Keys.size(), 1u);
    EXPECT_EQ(content.Keys[0].Values, (std::vector<RegFileValue>{value(u"Name", 1, utf16(u"é"))}));
  }
}

TEST(RegFileTest, ReadsRegedit4AsWindows1252AndStoresItsTextAsUtf16) {
  const auto content = RegFile::Parse(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Caf\xE9\"=\"\x80 5\"\r\n"
      "\"Exp\"=hex(2):25,e9,00\r\n\"Bin\"=hex:e9\r\n");
  ASSERT_EQ(content.Keys.size(), 1u);
  EXPECT_EQ(content.Keys[0].Values, (std::vector<RegFileValue>{value(u"Café", 1, utf16(u"€ 5")),
                                                               value(u"Exp", 2, utf16(u"%é", true)),
                                                               value(u"Bin", 3, Bytes{0xE9})}));
}

#define HEADER "Windows Registry Editor Version 5.00\r\n"
TEST(RegFileTest, BadFileSaysWhichLineAndWhat) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"", u"line 1: the file is empty"},
      {"[HKEY_USERS\\X]\r\n",
       u"line 1: the file does not begin with \"Windows Registry Editor Version 5.00\" "
       u"or \"REGEDIT4\""},
      {"Windows Registry Editor Version 4.00\r\n",
       u"line 1: the file does not begin with \"Windows Registry Editor Version 5.00\" "
       u"or \"REGEDIT4\""},
      {HEADER "[HKEY_USERS\\X\r\n", u"line 2: a key line must end with \"]\""},
      {HEADER "\r\n[HKEY_CURRENT_CONFIG\\X]\r\n",
       u"line 3: unknown root key \"HKEY_CURRENT_CONFIG\""},
      {HEADER "\"a\"=\"b\"\r\n", u"line 2: a value before the first key"},
      {HEADER "[HKU\\X]\r\nName=\"b\"\r\n",
       u"line 3: a value line must begin with \"@\" or a quoted name"},
      {HEADER "[HKU\\X]\r\n\"a\" \"b\"\r\n", u"line 3: \"=\" expected after the value name"},
      {HEADER "[HKU\\X]\r\n\"a\"=\"b\r\n", u"line 3: a string without its closing quote"},
      {HEADER "[HKU\\X]\r\n\"a\"=\"C:\\Updates\"\r\n",
       u"line 3: unknown escape \"\\U\" in a string (write \"\\\\\" for a backslash)"},
      {HEADER "[HKU\\X]\r\n\"a\"=\"b\" ; note\r\n", u"line 3: unexpected text after the value"},
      {HEADER "[HKU\\X]\r\n\"a\"=dword:123456789\r\n",
       u"line 3: dword: needs 1 to 8 hexadecimal digits"},
      {HEADER "[HKU\\X]\r\n\"a\"=dword:12g\r\n", u"line 3: dword: needs 1 to 8 hexadecimal digits"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex:01,,02\r\n",
       u"line 3: hex data must be hexadecimal bytes separated by commas"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex:123\r\n",
       u"line 3: hex data must be hexadecimal bytes separated by commas"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex:,01\r\n",
       u"line 3: hex data must be hexadecimal bytes separated by commas"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex(zz):01\r\n",
       u"line 3: a value type must be written hex(type) with 1 to 8 hexadecimal digits"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex 01\r\n", u"line 3: \":\" expected after hex"},
      {HEADER "[HKU\\X]\r\n\"a\"=hex:01,\\\r\n", u"line 3: the last line ends with \"\\\""},
      {HEADER "[HKU\\X]\r\n\"a\"=hex:01,\\\r\n  zz\r\n",
       u"line 4: hex data must be hexadecimal bytes separated by commas"},
      {HEADER "[HKU\\X]\r\n\"a\"=17\r\n",
       u"line 3: the data must be a quoted string, dword:, hex:, hex(type): or \"-\""},
      {HEADER "[-HKU\\X]\r\n\"a\"=\"b\"\r\n", u"line 3: a value under a key that is being deleted"},
      {std::string("\xFF\xFEW\0x", 5), u"the file ends in the middle of a UTF-16 character"}};
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      RegFile::Parse(text);
      ADD_FAILURE() << "no error";
    } catch (const RegFileError& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
}
#undef HEADER

TEST(RegFileTest, WritesWhatTheRegistryEditorWrites) {
  RegFileContent content;
  content.Keys.push_back(
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch",
       false,
       {value(u"Path", 1, utf16(u"C:\\Updates \"x\"")), value(u"", 1, utf16(u"")),
        value(u"Count", 4, Bytes{0x1F, 0, 0, 0}), value(u"Short", 4, Bytes{1, 2}),
        value(u"Bin", 3, Bytes{0, 0xAB}), value(u"Lines", 1, utf16(u"a\r\nb")),
        value(u"Bare", 1, utf16(u"x", false)), value(u"Nul", 1, utf16(std::u16string(u"a\0b", 3))),
        value(u"None", 0, Bytes{})},
       0});
  content.Keys.push_back({u"HKEY_CURRENT_USER\\Gone", true, {}, 0});
  EXPECT_EQ(RegFile::WriteText(content),
            u"Windows Registry Editor Version 5.00\r\n"
            u"\r\n"
            u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch]\r\n"
            u"\"Path\"=\"C:\\\\Updates \\\"x\\\"\"\r\n"
            u"@=\"\"\r\n"
            u"\"Count\"=dword:0000001f\r\n"
            u"\"Short\"=hex(4):01,02\r\n"
            u"\"Bin\"=hex:00,ab\r\n"
            u"\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
            u"\"Bare\"=hex(1):78,00\r\n"
            u"\"Nul\"=hex(1):61,00,00,00,62,00,00,00\r\n"
            u"\"None\"=hex(0):\r\n"
            u"\r\n"
            u"[-HKEY_CURRENT_USER\\Gone]\r\n"
            u"\r\n");
  const auto bytes = RegFile::Write(content);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4));
}

TEST(RegFileTest, LongHexDataIsWrappedAtEightyColumns) {
  RegFileContent content;
  content.Keys.push_back({u"HKEY_USERS\\X", false, {value(u"Data", 3, Bytes(60, 0xAB))}, 0});
  auto bytes = [](int n, bool more) {
    std::u16string list;
    for (int i = 0; i < n; ++i) list += i + 1 < n || more ? u"ab," : u"ab";
    return list;
  };
  EXPECT_EQ(RegFile::WriteText(content),
            u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_USERS\\X]\r\n\"Data\"=hex:" +
                bytes(22, true) + u"\\\r\n  " + bytes(25, true) + u"\\\r\n  " + bytes(13, false) +
                u"\r\n\r\n");
  EXPECT_EQ(RegFile::Parse(RegFile::Write(content)).Keys, content.Keys);
}

TEST(RegFileTest, NamesWithLineBreaksCannotBeWritten) {
  RegFileContent content;
  content.Keys.push_back({u"HKEY_USERS\\A\nB", false, {}, 0});
  try {
    RegFile::WriteText(content);
    FAIL();
  } catch (const RegFileError& e) {
    EXPECT_EQ(e.Message(),
              u"the key \"HKEY_USERS\\A\nB\" has a line break in its name, which a .reg file "
              u"cannot hold");
  }
}

// Whatever content is written reads back the same, byte for byte.
TEST(RegFileTest, WrittenFilesReadBackTheSame) {
  std::mt19937 random(7);
  const std::u16string letters = u"aZ \\\"\u00E9\u03A9[]=@;-\u4E2D\t'";
  auto pick = [&](std::size_t most) {
    std::u16string s;
    for (auto n = random() % (most + 1); n > 0; --n) s += letters[random() % letters.size()];
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    RegFileContent content;
    for (int k = 0; k < 3; ++k) {
      RegFileKey key{u"HKEY_CURRENT_USER\\" + pick(5) + u"x", round % 17 == 0, {}, 0};
      if (!key.Delete) {
        for (int v = 0; v < 4; ++v) {
          const std::uint32_t types[] = {0, 1, 2, 3, 4, 7, 11, 0x4000};
          const auto type = types[random() % 8];
          Bytes data;
          if (type == 1 || type == 2) {
            data = utf16(pick(12));
          } else {
            for (auto n = random() % 120; n > 0; --n)
              data.push_back(static_cast<std::uint8_t>(random()));
          }
          key.Values.push_back(value(pick(6), type, data));
        }
      }
      content.Keys.push_back(key);
    }
    ASSERT_EQ(RegFile::Parse(RegFile::Write(content)).Keys, content.Keys) << "round " << round;
  }
}

}  // namespace
}  // namespace sigpatch
