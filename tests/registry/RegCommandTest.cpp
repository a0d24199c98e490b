// sigreg over the fake registry: each row is the arguments, the exit status and the output.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "registry/RegCommand.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using namespace platform;
using namespace testing;
using Call = fakes::FakeRegistry::Call;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string kDone = "The operation completed successfully.\n";
const std::string kNotFound = "The system was unable to find the specified registry key or value.";
const std::string kS = "\nHKEY_LOCAL_MACHINE\\S\n", kLm = "HKEY_LOCAL_MACHINE\\";
const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::u16string kMulti(u"a\0b\0\0", 5);

struct Row {
  Args args;
  int code;
  std::string out, err;
};
Row ok(Args args, std::string out = kDone) { return {std::move(args), 0, std::move(out), ""}; }
Row fails(Args args, const std::string& line) {
  return {std::move(args), 1, "", "ERROR: " + line + "\n"};
}

class RegCommandTest : public ::testing::Test {
 protected:
  RegCommandTest() {
    system.messages = {{112, u"There is not enough space on the disk.\r\n"},
                       {161, u"The specified path is invalid.\r\n"}};
    fake.Set([&](Platform& p) { p.system = &system; });
    fs::create_directories(folder);
    put(u"S", u"Path", sz(u"/srv"));
    put(u"S", u"Count", {kRegDword, Bytes{17, 0, 0, 0}});
    put(u"S\\Sub", u"Flags", {kRegBinary, Bytes{1, 0xAB}});
    put(u"S\\Empty", u"", {kRegMultiSz, utf16(kMulti, false)});
  }
  ~RegCommandTest() override { fs::remove_all(folder); }

  // Runs each row; with an answer, on a terminal that gives it.
  void check(const std::vector<Row>& rows) {
    for (const auto& row : rows) {
      std::string line;
      for (const auto& a : row.args) line += a.substr(0, 60) + " ";
      SCOPED_TRACE("sigreg " + line);
      out.str("");
      err.str("");
      std::vector<std::u16string> wide;
      for (const auto& a : row.args) wide.push_back(text::fromUtf8(a));
      auto ask = [&](std::u16string_view q) -> std::optional<bool> {
        question = text::toUtf8(q);
        return answer;
      };
      RegCommand command(store, &store, RegCommand::Io{out, err, ask, [&] { return diagnostic; }});
      EXPECT_EQ(command.Run(wide), row.code);
      EXPECT_EQ(out.str(), row.out);
      EXPECT_EQ(err.str(), row.err);
    }
  }
  void put(std::u16string_view path, std::u16string_view name, const StoredValue& value,
           RegKey root = kHkeyLocalMachine) {
    ASSERT_EQ(storeValue(store, root, path, name, value.type, value.data), 0);
  }
  std::optional<StoredValue> get(std::u16string_view path, std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, path, name);
  }
  bool exists(std::u16string_view path) { return keyExists(store, kHkeyLocalMachine, path); }
  std::string file(const std::string& name, const std::string& content = "") {
    const auto path = (folder / name).string();
    if (!content.empty()) std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  fakes::FakeSystem system;
  fakes::FakePlatform fake;
  fakes::FakeRegistry store;
  std::ostringstream out, err;
  std::optional<bool> answer;
  std::string question;
  std::u16string diagnostic;
  fs::path folder =
      fs::temp_directory_path() / ("sigreg-" + std::to_string(std::random_device()()));
};

TEST_F(RegCommandTest, QueryShowsKeysAndValuesAsRegDoesReadingOnly) {
  put(u"S", u"Q", {kRegQword, Bytes{1, 0, 0, 0, 0, 0, 0, 0x10}});
  store.readOnly = true;
  const std::string values =
      "    Path    REG_SZ    /srv\n    Count    REG_DWORD    0x11\n    Q    "
      "REG_QWORD    0x1000000000000001\n\n";
  const std::string sub = kLm + "S\\Sub\n", flags = "    Flags    REG_BINARY    01AB\n\n";
  const std::string empty = kLm + "S\\Empty\n",
                    multi = "    (Default)    REG_MULTI_SZ    a\\0b\n\n";
  check({ok({"QUERY", "HKEY_LOCAL_MACHINE\\S\\", "/s"}, kS + values + empty + multi + sub + flags),
         ok({"query", "hklm\\S", "/ve"}, kS + "    (Default)    REG_SZ    (value not set)\n"),
         fails({"query", "HKLM\\S", "/v", "Nothing"}, kNotFound)});
}

TEST_F(RegCommandTest, AddStoresTheDataAsTyped) {
  // clang-format off
  const std::pair<Args, StoredValue> cases[] = {
      {{"/ve"}, sz(u"")},
      {{"/v", "E", "/t", "reg_expand_sz", "/d", "%PATH%"}, {2, utf16(u"%PATH%")}},
      {{"/v", "M", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}, {7, utf16(kMulti, false)}},
      {{"/v", "D", "/t", "REG_DWORD", "/d", "4294967295"}, {4, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}},
      {{"/v", "Q", "/t", "REG_QWORD", "/d", "0x0102030405060708"}, {11, Bytes{8, 7, 6, 5, 4, 3, 2, 1}}},
      {{"/v", "B", "/t", "REG_BINARY", "/d", "01abFF"}, {3, Bytes{1, 0xAB, 0xFF}}}};
  // clang-format on
  for (const auto& [switches, stored] : cases) {
    Args args = {"add", "HKLM\\New\\Deeper"};
    args.insert(args.end(), switches.begin(), switches.end());
    check({ok(args)});
    EXPECT_EQ(get(u"New\\Deeper", text::fromUtf8(switches[0] == "/v" ? switches[1] : "")), stored);
  }
  check({ok({"add", "HKCU\\A\\B"}), ok({"add", "HKCU\\A\\B"})});
  EXPECT_TRUE(keyExists(store, kHkeyCurrentUser, u"A\\B"));
}

TEST_F(RegCommandTest, DeleteAsksOrNeedsForceAndRemovesAWholeTreeAtOnceOrNothing) {
  store.FailCall(Call::DeleteKey, 5, 3);
  check({fails({"delete", "HKLM\\S", "/f"}, "Access is denied.")});
  EXPECT_EQ(get(u"S\\Sub", u"Flags"), (StoredValue{3, Bytes{1, 0xAB}}));
  EXPECT_TRUE(exists(u"S\\Empty"));
  check(
      {ok({"delete", "HKLM\\S", "/va", "/f"}),
       ok({"query", "HKLM\\S"}, kS + "\n" + kLm + "S\\Empty\n" + kLm + "S\\Sub\n"),
       fails({"delete", "HKLM\\S"}, "Add /f to delete the key " + kLm + "S without being asked.")});
  answer = true;
  check({ok({"delete", "HKLM\\S"})});
  EXPECT_EQ(question, "Permanently delete the registry key " + kLm + "S (Yes/No)? ");
  EXPECT_FALSE(exists(u"S"));
  check({fails({"delete", "HKLM\\S", "/f"}, kNotFound),
         fails({"delete", "HKLM", "/f"}, "A root key cannot be deleted.")});
}

TEST_F(RegCommandTest, BadArgumentsGiveOneClearLineAndExitStatusOne) {
  const std::string number = "\" is not a number from 0 to ", syntax = "Invalid syntax: ";
  const std::string data = "Invalid data: \"";
  auto typed = [](const std::string& type, const std::string& given) {
    return Args{"add", "HKLM\\X", "/v", "a", "/t", type, "/d", given};
  };
  // clang-format off
  check({fails({}, syntax + "name an operation: QUERY, ADD, DELETE, EXPORT, IMPORT or CHECK "
                            "(sigreg /? shows how)."),
         fails({"export", "HKLM\\X"}, syntax + "EXPORT takes a key name and a file name."),
         fails({"add", "HKEY_CURRENT_CONFIG\\X"}, "Invalid key name: \"HKEY_CURRENT_CONFIG\\X\" "
                                                  "does not begin with HKLM, HKCU, HKCR or HKU."),
         fails(typed("REG_LINK", "x"), syntax + "unknown type \"REG_LINK\"; use REG_SZ, "
               "REG_MULTI_SZ, REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE."),
         fails(typed("REG_DWORD", "4294967296"),
               data + "4294967296" + number + "4294967295 for REG_DWORD."),
         fails(typed("REG_BINARY", "0x01"),
               data + "0x01\" is not hexadecimal bytes for REG_BINARY.")});
  // clang-format on
  EXPECT_FALSE(exists(u"X"));
}

// Every code comes with words: the store's diagnostic, the name at fault, or the system's text.
TEST_F(RegCommandTest, FailuresAreNamedInWords) {
  const std::tuple<Args, std::function<void()>, std::string> cases[] = {
      {{"add", "HKLM\\X", "/f"},
       [&] { store.readOnly = true, diagnostic = u"The store /r.db may not be changed"; },
       "The store /r.db may not be changed."},
      {{"add", "HKLM\\X", "/v", "V", "/f"},
       [&] { store.FailCall(Call::SetValueEx, 4242); },
       "The registry call failed with code 4242."},
      {{"query", "HKLM\\S\\\\Sub"},
       [] {},
       "Invalid key name \"HKEY_LOCAL_MACHINE\\S\\\\Sub\": it holds an empty name between two "
       "backslashes (code 161: The specified path is invalid)."},
  };
  for (const auto& [args, arm, line] : cases) {
    store.readOnly = false;
    diagnostic.clear();
    arm();
    check({fails(args, line)});
  }
  EXPECT_FALSE(exists(u"X")) << "the key made for the value is undone with it";
}

TEST_F(RegCommandTest, ExportWritesNothingUnlessItMay) {
  const auto old = file("old.reg", "keep");
  check({fails({"export", "HKLM\\S", old}, "File " + old + " exists; add /y to overwrite it.")});
  EXPECT_TRUE(system.files.empty());
  check({ok({"export", "HKLM\\S", old, "/y"})});
  EXPECT_EQ(system.files[text::fromUtf8(old)].substr(0, 2), "\xFF\xFE");
}

TEST_F(RegCommandTest, ImportAppliesTheWholeFileOrNothing) {
  const auto fails6 = file("fails.reg", kHeader + "[" + kLm + "S]\r\n\"Path\"=\"/new\"\r\n\r\n[" +
                                            kLm + "Added]\r\n\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n");
  const std::string none = file("none.reg");
  store.FailCall(Call::SetValueEx, 112, 3);
  check({fails({"import", fails6}, fails6 + ": line 6: The registry call failed with code 112: "
                                            "There is not enough space on the disk."),
         fails({"import", none}, "Cannot read " + none + ": there is no such file.")});
  EXPECT_EQ(get(u"S", u"Path"), sz(u"/srv"));
  EXPECT_FALSE(exists(u"Added"));
  const auto in =
      file("in.reg", kHeader + "[" + kLm + "S]\r\n\"Path\"=\"/new\"\r\n\"Count\"=-\r\n" +
                         "\"Absent\"=-\r\n[-" + kLm + "S\\Sub]\r\n[-" + kLm +
                         "Never]\r\n[HKEY_CURRENT_USER\\S]\r\n@=dword:00000001\r\n");
  check({ok({"import", in})});
  EXPECT_EQ(get(u"S", u"Path"), sz(u"/new"));
  EXPECT_EQ(get(u"S", u"Count"), std::nullopt);
  EXPECT_FALSE(exists(u"S\\Sub"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"S", u""), (StoredValue{4, Bytes{1, 0, 0, 0}}));
}

}  // namespace
}  // namespace sigpatch
