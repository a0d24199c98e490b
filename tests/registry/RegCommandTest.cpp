// sigreg over the fake registry: each row is the arguments, the exit status and
// what is printed on standard output and standard error, checked to the letter.

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
const std::string kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
const std::string kS = "\nHKEY_LOCAL_MACHINE\\S\n", kLm = "HKEY_LOCAL_MACHINE\\";
const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
std::string error(const std::string& line) { return "ERROR: " + line + "\n"; }

struct Row {
  Args args;
  int code;
  std::string out, err = "";
};

class RegCommandTest : public ::testing::Test {
 protected:
  RegCommandTest() {
    system.messages = {{87, u"The parameter is incorrect.\r\n"},
                       {112, u"There is not enough space on the disk.\r\n"},
                       {161, u"The specified path is invalid.\r\n"}};
    fake.Set([&](Platform& p) { p.system = &system; });
    fs::create_directories(folder);
    put(u"S", u"Path", sz(u"/srv"));
    put(u"S", u"Count", {kRegDword, Bytes{17, 0, 0, 0}});
    put(u"S\\Sub", u"Flags", {kRegBinary, Bytes{1, 0xAB}});
    put(u"S\\Empty", u"", {kRegMultiSz, utf16(std::u16string(u"a\0b\0\0", 5), false)});
  }
  ~RegCommandTest() override { fs::remove_all(folder); }

  // Runs sigreg; with answers, on a terminal that gives them.
  int run(const Args& args) {
    out.str("");
    err.str("");
    questions.clear();
    std::vector<std::u16string> wide;
    for (const auto& a : args) wide.push_back(text::fromUtf8(a));
    auto ask = [&](std::u16string_view q) -> std::optional<bool> {
      questions.push_back(text::toUtf8(q));
      if (answers.empty()) return std::nullopt;
      const bool yes = answers.front();
      answers.erase(answers.begin());
      return yes;
    };
    RegCommand command(store, &store, RegCommand::Io{out, err, ask, [&] { return diagnostic; }});
    if (!checks.empty()) command.SetStoreCheck([&] { return checks; });
    return command.Run(wide);
  }
  void check(const std::vector<Row>& rows) {
    for (const auto& r : rows) {
      std::string line;
      for (const auto& a : r.args) line += a.substr(0, 60) + " ";
      SCOPED_TRACE("sigreg " + line);
      EXPECT_EQ(run(r.args), r.code);
      EXPECT_EQ(out.str(), r.out);
      EXPECT_EQ(err.str(), r.err);
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
  std::vector<bool> answers;
  std::vector<std::string> questions;
  std::u16string diagnostic;
  std::vector<RegCommand::StoreCheck> checks;
  fs::path folder =
      fs::temp_directory_path() / ("sigreg-test-" + std::to_string(std::random_device()()));
};

TEST_F(RegCommandTest, QueryShowsKeysAndValuesAsRegDoes) {
  put(u"T", u"Exp", {kRegExpandSz, utf16(u"%HOME%")}, kHkeyUsers);
  put(u"T", u"Q", {kRegQword, Bytes{1, 0, 0, 0, 0, 0, 0, 0x10}}, kHkeyUsers);
  put(u"T", u"Odd", {kRegDword, Bytes{1, 2}}, kHkeyUsers);
  put(u"T", u"Big", {kRegDword, Bytes{1, 2, 3, 4, 5}}, kHkeyUsers);
  put(u"T", u"None", {kRegNone, Bytes{}}, kHkeyUsers);
  put(u"T", u"Own", {0x4000, Bytes{0xFF}}, kHkeyUsers);
  store.readOnly = true;  // querying only reads
  const std::string values = "    Path    REG_SZ    /srv\n    Count    REG_DWORD    0x11\n";
  const std::string sub = kLm + "S\\Sub\n", flags = "    Flags    REG_BINARY    01AB\n\n";
  check({
      {{"query", "HKLM\\S"}, 0, kS + values + "\n" + kLm + "S\\Empty\n" + sub},
      {{"QUERY", "HKEY_LOCAL_MACHINE\\S\\", "/s"},
       0,
       kS + values + "\n" + kLm + "S\\Empty\n    (Default)    REG_MULTI_SZ    a\\0b\n\n" + sub +
           flags},
      {{"query", "hklm\\S", "/ve"}, 0, kS + "    (Default)    REG_SZ    (value not set)\n"},
      {{"query", "HKLM\\S", "/v", "Nothing"}, 1, "", kNotFound},
      {{"query", "HKLM\\S", "/v", "Flags", "/s"},
       0,
       "\n" + sub + flags + "End of search: 1 match(es) found.\n"},
      {{"query", "HKCU\\Nothing"}, 1, "", kNotFound},
      {{"query", "HKU\\T"},
       0,
       "\nHKEY_USERS\\T\n    Exp    REG_EXPAND_SZ    %HOME%\n    Q    REG_QWORD    "
       "0x1000000000000001\n    Odd    REG_DWORD    0102\n    Big    REG_DWORD    0102030405\n"
       "    None    REG_NONE    \n    Own    0x4000    FF\n\n"},
  });
}

TEST_F(RegCommandTest, AddStoresTheDataAsTyped) {
  // clang-format off
  const std::pair<Args, StoredValue> cases[] = {
      {{"/d", "Grüße"}, sz(u"Grüße")},
      {{}, sz(u"")},
      {{"/t", "reg_expand_sz", "/d", "%PATH%"}, {2, utf16(u"%PATH%")}},
      {{"/t", "REG_MULTI_SZ", "/d", "a\\0b"}, {7, utf16(std::u16string(u"a\0b\0\0", 5), false)}},
      {{"/t", "REG_MULTI_SZ", "/d", ""}, {7, Bytes{0, 0}}},
      {{"/t", "REG_DWORD", "/d", "4294967295"}, {4, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}},
      {{"/t", "REG_DWORD", "/d", "0x11"}, {4, Bytes{0x11, 0, 0, 0}}},
      {{"/t", "REG_DWORD"}, {4, Bytes{0, 0, 0, 0}}},
      {{"/t", "REG_QWORD", "/d", "0x0102030405060708"}, {11, Bytes{8, 7, 6, 5, 4, 3, 2, 1}}},
      {{"/t", "REG_BINARY", "/d", "01abFF"}, {3, Bytes{1, 0xAB, 0xFF}}},
      {{"/t", "REG_NONE", "/d", ""}, {0, Bytes{}}},
  };
  // clang-format on
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [switches, stored] = cases[i];
    const auto name = "V" + std::to_string(i);
    Args args = {"add", "HKLM\\New\\Deeper", "/v", name};
    args.insert(args.end(), switches.begin(), switches.end());
    check({{args, 0, kDone}});
    EXPECT_EQ(get(u"New\\Deeper", text::fromUtf8(name)), stored) << name;
  }
  check({{{"add", "HKCU\\A\\B"}, 0, kDone},
         {{"add", "HKCU\\A\\B"}, 0, kDone},
         {{"add", "HKCU\\A", "/ve", "/d", "x"}, 0, kDone}});
  EXPECT_TRUE(keyExists(store, kHkeyCurrentUser, u"A\\B"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"A", u""), sz(u"x"));
}

TEST_F(RegCommandTest, OverwritingAsksOrNeedsForce) {
  const Args add = {"add", "HKLM\\S", "/v", "Path", "/d", "new"};
  answers = {false};
  check({{add, 1, "The operation was cancelled by the user.\n"}});
  EXPECT_EQ(questions, Args{"Value Path exists, overwrite(Yes/No)? "});
  EXPECT_EQ(get(u"S", u"Path"), sz(u"/srv"));
  check({{{"add", "HKLM\\S", "/v", "PATH", "/d", "newer", "/f"}, 0, kDone}});
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(get(u"S", u"Path"), sz(u"newer"));
}

TEST_F(RegCommandTest, DeleteAsksOrNeedsForceAndRemovesAWholeTreeAtOnceOrNothing) {
  store.FailCall(Call::DeleteKey, 5, 3);
  check({{{"delete", "HKLM\\S", "/f"}, 1, "", error("Access is denied.")}});
  EXPECT_EQ(get(u"S\\Sub", u"Flags"), (StoredValue{3, Bytes{1, 0xAB}}));
  EXPECT_TRUE(exists(u"S\\Empty"));
  put(u"S", u"Other", sz(u"x"));
  answers = {true};
  check({{{"delete", "HKLM\\S", "/v", "Path"}, 0, kDone}});
  EXPECT_EQ(questions, Args{"Delete the registry value Path (Yes/No)? "});
  check({
      {{"delete", "HKLM\\S", "/v", "Path", "/f"}, 1, "", kNotFound},
      {{"delete", "HKLM\\S\\Empty", "/ve"},
       1,
       "",
       error("Add /f to delete the value (Default) without being asked.")},
      {{"delete", "HKLM\\S\\Empty", "/ve", "/f"}, 0, kDone},
      {{"delete", "HKLM\\S", "/va", "/f"}, 0, kDone},
      {{"query", "HKLM\\S"}, 0, kS + "\n" + kLm + "S\\Empty\n" + kLm + "S\\Sub\n"},
      {{"delete", "HKLM\\S"},
       1,
       "",
       error("Add /f to delete the key " + kLm + "S without being asked.")},
  });
  EXPECT_EQ(get(u"S\\Empty", u""), std::nullopt);
  answers = {true};
  check({{{"delete", "HKLM\\S"}, 0, kDone}});
  EXPECT_EQ(questions, Args{"Permanently delete the registry key " + kLm + "S (Yes/No)? "});
  EXPECT_FALSE(exists(u"S"));
  check({{{"delete", "HKLM\\S", "/f"}, 1, "", kNotFound},
         {{"delete", "HKLM", "/f"}, 1, "", error("A root key cannot be deleted.")}});
}

TEST_F(RegCommandTest, BadArgumentsGiveOneClearLineAndExitStatusOne) {
  const std::string number = "\" is not a number from 0 to ", syntax = "Invalid syntax: ";
  const std::string root = "\" does not begin with HKLM, HKCU, HKCR or HKU.";
  const Args add = {"add", "HKLM\\X", "/v", "a", "/t"};
  auto with = [&](Args more) {
    more.insert(more.begin(), add.begin(), add.end());
    return more;
  };
  // clang-format off
  const std::pair<Args, std::string> cases[] = {
      {{}, syntax + "name an operation: QUERY, ADD, DELETE, EXPORT, IMPORT or CHECK (sigreg /? "
                    "shows how)."},
      {{"add", "HKLM\\X", "/q"}, syntax + "unknown switch \"/q\"."},
      {{"import", "/x.reg", "-yz"}, syntax + "unknown switch \"-yz\"."},
      {{"add", "HKLM\\X", "/s"}, syntax + "/s does not go with ADD."},
      {{"add", "HKLM\\X", "/v"}, syntax + "/v needs a value."},
      {{"add", "HKLM\\X", "/f", "-F"}, syntax + "-F given twice."},
      {{"add", "HKLM\\X", "/v", "a", "/ve"}, syntax + "/v, /ve and /va exclude each other."},
      {{"add"}, syntax + "ADD takes one key name."},
      {{"add", "HKLM\\X", "HKLM\\Y"}, syntax + "ADD takes one key name."},
      {{"export", "HKLM\\X"}, syntax + "EXPORT takes a key name and a file name."},
      {{"import"}, syntax + "IMPORT takes one file name."},
      {{"check", "HKLM"}, syntax + "CHECK takes no key or file."},
      {{"add", "HKEY_CURRENT_CONFIG\\X"}, "Invalid key name: \"HKEY_CURRENT_CONFIG\\X" + root},
      {{"add", "\\\\server\\HKLM\\X"}, "Invalid key name: \"\\\\server\\HKLM\\X" + root},
      {with({"REG_LINK"}), syntax + "unknown type \"REG_LINK\"; use REG_SZ, REG_MULTI_SZ, "
                           "REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE."},
      {with({"REG_DWORD", "/d", "-1"}), "Invalid data: \"-1" + number + "4294967295 for REG_DWORD."},
      {with({"REG_DWORD", "/d", "4294967296"}),
       "Invalid data: \"4294967296" + number + "4294967295 for REG_DWORD."},
      {with({"REG_QWORD", "/d", "0x"}),
       "Invalid data: \"0x" + number + "18446744073709551615 for REG_QWORD."},
      {with({"REG_BINARY", "/d", "0x01"}),
       "Invalid data: \"0x01\" is not hexadecimal bytes for REG_BINARY."},
      {with({"REG_BINARY", "/d", "abc"}),
       "Invalid data: \"abc\" is not hexadecimal bytes for REG_BINARY."},
  };
  // clang-format on
  for (const auto& [args, line] : cases) check({{args, 1, "", error(line)}});
  EXPECT_FALSE(exists(u"X"));
  EXPECT_EQ(run({"/?"}), 0);
  EXPECT_EQ(out.str().rfind("sigreg QUERY KEY [/v NAME | /ve] [/s]\n", 0), 0u);
  EXPECT_EQ(run({"add", "/?"}), 0);
  EXPECT_NE(out.str().find("sigreg IMPORT FILE\n"), std::string::npos);
}

TEST_F(RegCommandTest, CheckNamesEachStoreAndFailsForADamagedOne) {
  check({{{"CHECK"}, 0, "Nothing to check: this registry is kept by the system.\n"}});
  checks = {{u"/m.db", true, true, false, false, 7, 1, u""},
            {u"/u.db", false, false, false, false, 0, 0, u""}};
  check({{{"CHECK"}, 0, "/m.db: sound, 7 keys and 1 value.\n/u.db: no store yet.\n"}});
  checks = {{u"/m.db", true, true, true, true, 4, 0, u""},
            {u"/r.db", true, true, true, false, 4, 0, u""},
            {u"/u.db", true, false, false, false, 0, 0, u"The registry store /u.db is damaged"}};
  const std::string sound = "sound, 4 keys and 0 values. A writer had not closed it; ";
  check({{{"CHECK"},
          1,
          "/m.db: " + sound + "it counts as closed again.\n/r.db: " + sound +
              "only a user who may change it can count it as closed again.\n",
          error("The registry store /u.db is damaged")}});
}

// Every code comes with words: the store's diagnostic, the name at fault, or the system's text.
TEST_F(RegCommandTest, FailuresAreNamedInWords) {
  const std::string longKey(256, 'k'), cut = std::string(32, 'k') + "\xE2\x80\xA6";
  const std::string tooLong =
      "\" has 256 characters, more than the 255 a key name may have "
      "(code 87: The parameter is incorrect).";
  const auto longFile = file("long.reg", kHeader + "[" + kLm + longKey + "]\r\n\"A\"=\"1\"\r\n");
  const std::tuple<Args, std::function<void()>, std::string> cases[] = {
      {{"add", "HKLM\\X", "/f"}, [&] { store.readOnly = true; }, "Access is denied."},
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
      {{"add", "HKLM\\" + longKey, "/f"}, [] {}, "Invalid key name: \"" + cut + tooLong},
      {{"import", longFile}, [] {}, longFile + ": line 3: Invalid key name: \"" + cut + tooLong},
      {{"add", "HKLM", "/v", std::string(16384, 'v'), "/f"},
       [] {},
       "Invalid value name: \"" + std::string(32, 'v') +
           "\xE2\x80\xA6\" has 16384 characters, "
           "more than the 16383 a value name may have (code 87: The parameter is incorrect)."},
  };
  for (const auto& [args, arm, line] : cases) {
    store.readOnly = false;
    diagnostic.clear();
    arm();
    check({{args, 1, "", error(line)}});
  }
  EXPECT_FALSE(exists(u"X")) << "the key made for the value is undone with it";
}

TEST_F(RegCommandTest, ExportWritesTheKeyTreeAsTheRegistryEditorDoesReadingOnly) {
  store.readOnly = true;
  const auto target = file("out.reg"), old = file("old.reg", "keep");
  check({{{"export", "HKLM\\S", target}, 0, kDone}, {{"export", "HKLM\\S", "-"}, 0, ""}});
  const std::u16string key = u"HKEY_LOCAL_MACHINE\\S";
  RegFileContent expected;
  expected.Keys = {
      {key, false, {{u"Path", false, 1, utf16(u"/srv")}, {u"Count", false, 4, {17, 0, 0, 0}}}, 0},
      {key + u"\\Empty", false, {{u"", false, 7, utf16(std::u16string(u"a\0b\0\0", 5), false)}}, 0},
      {key + u"\\Sub", false, {{u"Flags", false, 3, Bytes{1, 0xAB}}}, 0}};
  EXPECT_EQ(system.files[text::fromUtf8(target)], RegFile::Write(expected));
  EXPECT_EQ(system.standardOutput, RegFile::Write(expected))
      << "standard output holds the file alone";
  system.files.clear();
  check({{{"export", "HKLM\\S", old},
          1,
          "",
          error("File " + old + " exists; add /y to overwrite it.")},
         {{"export", "HKLM\\Missing", file("none.reg")}, 1, "", kNotFound}});
  EXPECT_TRUE(system.files.empty());
  check({{{"export", "HKLM\\S", old, "/y"}, 0, kDone}});
  EXPECT_EQ(system.files[text::fromUtf8(old)].substr(0, 2), "\xFF\xFE");
}

TEST_F(RegCommandTest, ImportAppliesTheWholeFileOrNothing) {
  const auto fails = file("fails.reg", kHeader + "[" + kLm + "S]\r\n\"Path\"=\"/new\"\r\n\r\n[" +
                                           kLm + "Added]\r\n\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n");
  const auto bad =
      file("bad.reg", kHeader + "[" + kLm + "X]\r\n\"A\"=\"1\"\r\n\"B\"=dword:xyz\r\n");
  store.FailCall(Call::SetValueEx, 112, 3);
  check({
      {{"import", fails},
       1,
       "",
       error(fails + ": line 6: The registry call failed with code 112: There is not enough "
                     "space on the disk.")},
      {{"import", bad}, 1, "", error(bad + ": line 5: dword: needs 1 to 8 hexadecimal digits.")},
      {{"import", file("none.reg")},
       1,
       "",
       error("Cannot read " + file("none.reg") + ": there is no such file.")},
      {{"import", folder.string()},
       1,
       "",
       error("Cannot read " + folder.string() + ": not a file.")},
  });
  EXPECT_EQ(get(u"S", u"Path"), sz(u"/srv"));
  EXPECT_FALSE(exists(u"Added"));
  EXPECT_FALSE(exists(u"X"));
  const auto in =
      file("in.reg", kHeader + "[" + kLm + "S]\r\n\"Path\"=\"/new\"\r\n\"Count\"=-\r\n" +
                         "\"Absent\"=-\r\n[-" + kLm + "S\\Sub]\r\n[-" + kLm +
                         "Never]\r\n[HKEY_CURRENT_USER\\S]\r\n@=dword:00000001\r\n");
  check({{{"import", in}, 0, kDone}});
  EXPECT_EQ(get(u"S", u"Path"), sz(u"/new"));
  EXPECT_EQ(get(u"S", u"Count"), std::nullopt);
  EXPECT_FALSE(exists(u"S\\Sub"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"S", u""), (StoredValue{4, Bytes{1, 0, 0, 0}}));
}

}  // namespace
}  // namespace sigpatch
