// sigreg over the fake registry: each step is the arguments, the answers given
// on a terminal, the exit status and what is printed, checked to the letter.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "fakes/FakePlatform.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "registry/RegCommand.h"
#include "registry/RegistryTestSupport.h"
#include "registry/ScratchFolder.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using namespace platform;
using namespace testing;
using Call = fakes::FakeRegistry::Call;
using Args = std::vector<std::string>;

const std::string kDone = "The operation completed successfully.\n";
const std::string kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
const std::string kKey = "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch";
const std::string kShown = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n";

struct Step {
  Args args;
  int code;
  std::string out;
  std::string err = "";
  std::vector<bool> answers = {};  // given: sigreg runs on a terminal that answers so
  std::vector<std::string> asked = {};
};

class RegCommandTest : public ::testing::Test {
 protected:
  RegCommandTest() {
    system.messages = {
        {87, u"The parameter is incorrect.\r\n"},
        {112, u"There is not enough space on the disk.\r\n"},
        {161, u"The specified path is invalid.\r\n"},
        {1016, u"An I/O operation initiated by the registry failed unrecoverably.\r\n"}};
    fake.Set([&](Platform& p) { p.system = &system; });
  }

  int run(const Args& args, std::vector<bool> answers = {}) {
    out.str("");
    err.str("");
    questions.clear();
    const bool terminal = !answers.empty();
    std::vector<std::u16string> wide;
    for (const auto& a : args) wide.push_back(text::fromUtf8(a));
    auto ask = [&](std::u16string_view q) -> std::optional<bool> {
      questions.push_back(text::toUtf8(q));
      if (!terminal) return std::nullopt;
      const bool yes = !answers.empty() && answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return yes;
    };
    RegCommand command(store, &store, RegCommand::Io{out, err, ask, [&] { return diagnostic; }});
    if (!checks.empty()) command.SetStoreCheck([&] { return checks; });
    return command.Run(wide);
  }
  void steps(const std::vector<Step>& list) {
    for (const auto& s : list) {
      std::string line;
      for (const auto& a : s.args) line += a.substr(0, 60) + " ";
      SCOPED_TRACE("sigreg " + line);
      EXPECT_EQ(run(s.args, s.answers), s.code);
      EXPECT_EQ(out.str(), s.out);
      EXPECT_EQ(err.str(), s.err);
      EXPECT_EQ(questions, s.asked.empty() ? questions : s.asked);
    }
  }
  void put(RegKey root, std::u16string_view path, std::u16string_view name, std::uint32_t type,
           const Bytes& data) {
    ASSERT_EQ(storeValue(store, root, path, name, type, data), 0);
  }
  std::optional<StoredValue> get(std::u16string_view path, std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, path, name);
  }
  void settings() {
    const std::u16string key = u"SOFTWARE\\Ferrolite\\Sigpatch";
    put(kHkeyLocalMachine, key, u"Path", kRegSz, utf16(u"/srv/updates"));
    put(kHkeyLocalMachine, key, u"Count", kRegDword, Bytes{17, 0, 0, 0});
    put(kHkeyLocalMachine, key + u"\\Sub", u"Flags", kRegBinary, Bytes{1, 0xAB});
    put(kHkeyLocalMachine, key + u"\\Empty", u"", kRegMultiSz,
        utf16(std::u16string(u"a\0b\0\0", 5), false));
  }
  std::string file(const std::string& name) { return folder.file(name).string(); }

  fakes::FakeSystem system;
  fakes::FakePlatform fake;
  fakes::FakeRegistry store;
  std::ostringstream out;
  std::ostringstream err;
  std::vector<std::string> questions;
  std::u16string diagnostic;
  std::vector<RegCommand::StoreCheck> checks;
  ScratchFolder folder;
};

TEST_F(RegCommandTest, QueryShowsKeysAndValuesAsRegDoes) {
  settings();
  put(kHkeyUsers, u"T", u"Exp", kRegExpandSz, utf16(u"%HOME%"));
  put(kHkeyUsers, u"T", u"Q", kRegQword, Bytes{1, 0, 0, 0, 0, 0, 0, 0x10});
  put(kHkeyUsers, u"T", u"Odd", kRegDword, Bytes{1, 2});
  put(kHkeyUsers, u"T", u"Big", kRegDword, Bytes{1, 2, 3, 4, 5});
  put(kHkeyUsers, u"T", u"None", kRegNone, Bytes{});
  put(kHkeyUsers, u"T", u"Own", 0x4000, Bytes{0xFF});
  const std::string values = "    Path    REG_SZ    /srv/updates\n    Count    REG_DWORD    0x11\n";
  const std::string sub = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n";
  const std::string empty = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty\n";
  steps({
      {{"query", kKey}, 0, kShown + values + "\n" + empty + sub},
      {{"QUERY", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\", "/s"},
       0,
       "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\n" + kShown + values + "\n" + empty +
           "    (Default)    REG_MULTI_SZ    a\\0b\n\n" + sub +
           "    Flags    REG_BINARY    01AB\n\n"},
      {{"query", "hklm\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path"},
       0,
       kShown + "    Path    REG_SZ    /srv/updates\n"},
      {{"query", kKey, "/ve"}, 0, kShown + "    (Default)    REG_SZ    (value not set)\n"},
      {{"query", kKey, "/v", "Nothing"}, 1, "", kNotFound},
      {{"query", "HKLM\\SOFTWARE\\Ferrolite", "/v", "Flags", "/s"},
       0,
       "\n" + sub + "    Flags    REG_BINARY    01AB\n\nEnd of search: 1 match(es) found.\n"},
      {{"query", "HKCU\\Nothing"}, 1, "", kNotFound},
      {{"query", "HKU\\T"},
       0,
       "\nHKEY_USERS\\T\n    Exp    REG_EXPAND_SZ    %HOME%\n"
       "    Q    REG_QWORD    0x1000000000000001\n    Odd    REG_DWORD    0102\n"
       "    Big    REG_DWORD    0102030405\n"
       "    None    REG_NONE    \n    Own    0x4000    FF\n\n"},
  });
}

TEST_F(RegCommandTest, AddStoresTheDataAsTyped) {
  struct Case {
    Args switches;
    StoredValue stored;
  };
  const Case cases[] = {
      {{"/d", "Grüße"}, {1, utf16(u"Grüße")}},
      {{}, {1, utf16(u"")}},
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
  int i = 0;
  for (const auto& c : cases) {
    const auto name = "V" + std::to_string(++i);
    Args args = {"add", "HKLM\\SOFTWARE\\New\\Deeper", "/v", name};
    args.insert(args.end(), c.switches.begin(), c.switches.end());
    steps({{args, 0, kDone}});
    EXPECT_EQ(get(u"SOFTWARE\\New\\Deeper", text::fromUtf8(name)), c.stored) << name;
  }
  steps({{{"add", "HKCU\\Software\\A\\B"}, 0, kDone},
         {{"add", "HKCU\\Software\\A\\B"}, 0, kDone},
         {{"add", "HKCU\\Software", "/ve", "/d", "x"}, 0, kDone}});
  EXPECT_TRUE(keyExists(store, kHkeyCurrentUser, u"Software\\A\\B"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software", u""), (StoredValue{1, utf16(u"x")}));
}

TEST_F(RegCommandTest, OverwritingAsksOrNeedsForce) {
  settings();
  const Args add = {"add", kKey, "/v", "Path", "/d", "new"};
  const std::vector<std::string> asked = {"Value Path exists, overwrite(Yes/No)? "};
  steps({{add, 1, "", "ERROR: Value Path exists; add /f to overwrite it.\n"},
         {add, 1, "The operation was cancelled by the user.\n", "", {false}, asked}});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"),
            (StoredValue{1, utf16(u"/srv/updates")}));
  steps({{add, 0, kDone, "", {true}, asked}});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"new")}));
  steps({{{"add", kKey, "/v", "PATH", "/d", "newer", "/f"}, 0, kDone}});
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"newer")}));
}

TEST_F(RegCommandTest, DeleteRemovesAWholeTreeAtOnceOrNothing) {
  settings();
  store.FailCall(Call::DeleteKey, 5, 3);
  steps({{{"delete", "HKLM\\SOFTWARE\\Ferrolite", "/f"}, 1, "", "ERROR: Access is denied.\n"}});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch\\Sub", u"Flags"), (StoredValue{3, Bytes{1, 0xAB}}));
  EXPECT_TRUE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Empty"));
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite";
  steps({{{"delete", "HKLM\\SOFTWARE\\Ferrolite"},
          1,
          "",
          "ERROR: Add /f to delete the key " + key + " without being asked.\n"},
         {{"delete", "HKLM\\SOFTWARE\\Ferrolite"},
          0,
          kDone,
          "",
          {true},
          {"Permanently delete the registry key " + key + " (Yes/No)? "}}});
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite"));
  EXPECT_TRUE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE"));
  steps({{{"delete", "HKLM\\SOFTWARE\\Ferrolite", "/f"}, 1, "", kNotFound},
         {{"delete", "HKLM", "/f"}, 1, "", "ERROR: A root key cannot be deleted.\n"}});
}

TEST_F(RegCommandTest, DeleteOfValues) {
  settings();
  put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", u"Other", kRegSz, utf16(u"x"));
  const std::string empty = kKey + "\\Empty";
  steps({
      {{"delete", kKey, "/v", "Path"},
       0,
       kDone,
       "",
       {true},
       {"Delete the registry value Path (Yes/No)? "}},
      {{"delete", kKey, "/v", "Path", "/f"}, 1, "", kNotFound},
      {{"delete", empty, "/ve"},
       1,
       "",
       "ERROR: Add /f to delete the value (Default) without being asked.\n"},
      {{"delete", empty, "/ve", "/f"}, 0, kDone},
      {{"delete", kKey, "/va", "/f"}, 0, kDone},
      {{"query", kKey},
       0,
       kShown + "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty\n"
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n"},
  });
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch\\Empty", u""), std::nullopt);
}

TEST_F(RegCommandTest, BadArgumentsGiveOneClearLineAndExitStatusOne) {
  const std::string number = "\" is not a number from 0 to ";
  const std::pair<Args, std::string> cases[] = {
      {{},
       "Invalid syntax: name an operation: QUERY, ADD, DELETE, EXPORT, IMPORT or CHECK (sigreg /? shows "
       "how)."},
      {{"list", "HKLM"}, "Invalid syntax: unknown operation \"list\" (sigreg /? shows how)."},
      {{"add", "HKLM\\X", "/q"}, "Invalid syntax: unknown switch \"/q\"."},
      {{"import", "/x.reg", "-yz"}, "Invalid syntax: unknown switch \"-yz\"."},
      {{"add", "HKLM\\X", "/s"}, "Invalid syntax: /s does not go with ADD."},
      {{"add", "HKLM\\X", "/v"}, "Invalid syntax: /v needs a value."},
      {{"add", "HKLM\\X", "/f", "-F"}, "Invalid syntax: -F given twice."},
      {{"add", "HKLM\\X", "/v", "a", "/ve"}, "Invalid syntax: /v, /ve and /va exclude each other."},
      {{"add"}, "Invalid syntax: ADD takes one key name."},
      {{"add", "HKLM\\X", "HKLM\\Y"}, "Invalid syntax: ADD takes one key name."},
      {{"export", "HKLM\\X"}, "Invalid syntax: EXPORT takes a key name and a file name."},
      {{"import"}, "Invalid syntax: IMPORT takes one file name."},
      {{"add", "HKEY_CURRENT_CONFIG\\X"},
       "Invalid key name: \"HKEY_CURRENT_CONFIG\\X\" does not begin with HKLM, HKCU, HKCR or HKU."},
      {{"add", "\\\\server\\HKLM\\X"},
       "Invalid key name: \"\\\\server\\HKLM\\X\" does not begin with HKLM, HKCU, HKCR or HKU."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_LINK"},
       "Invalid syntax: unknown type \"REG_LINK\"; use REG_SZ, REG_MULTI_SZ, REG_EXPAND_SZ, "
       "REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_DWORD", "/d", "-1"},
       "Invalid data: \"-1" + number + "4294967295 for REG_DWORD."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"},
       "Invalid data: \"4294967296" + number + "4294967295 for REG_DWORD."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_QWORD", "/d", "0x"},
       "Invalid data: \"0x" + number + "18446744073709551615 for REG_QWORD."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_BINARY", "/d", "0x01"},
       "Invalid data: \"0x01\" is not hexadecimal bytes for REG_BINARY."},
      {{"add", "HKLM\\X", "/v", "a", "/t", "REG_BINARY", "/d", "abc"},
       "Invalid data: \"abc\" is not hexadecimal bytes for REG_BINARY."},
  };
  for (const auto& [args, error] : cases) steps({{args, 1, "", "ERROR: " + error + "\n"}});
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"X"));
  EXPECT_EQ(run({"/?"}), 0);
  EXPECT_EQ(out.str().rfind("sigreg QUERY KEY [/v NAME | /ve] [/s]\n", 0), 0u);
  EXPECT_EQ(run({"add", "/?"}), 0);
  EXPECT_NE(out.str().find("sigreg IMPORT FILE\n"), std::string::npos);
}

TEST_F(RegCommandTest, CheckNamesEachStoreAndFailsForADamagedOne) {
  steps({{{"CHECK"}, 0, "Nothing to check: this registry is kept by the system.\n"},
         {{"check", "HKLM"}, 1, "", "ERROR: Invalid syntax: CHECK takes no key or file.\n"}});
  checks = {{u"/m.db", true, true, false, false, 7, 1, u""},
            {u"/u.db", false, false, false, false, 0, 0, u""}};
  steps({{{"CHECK"}, 0, "/m.db: sound, 7 keys and 1 value.\n/u.db: no store yet.\n"}});
  checks = {{u"/m.db", true, true, true, true, 4, 0, u""},
            {u"/r.db", true, true, true, false, 4, 0, u""},
            {u"/u.db", true, false, false, false, 0, 0, u"The registry store /u.db is damaged"}};
  steps({{{"CHECK"},
          1,
          "/m.db: sound, 4 keys and 0 values. A writer had not closed it; it counts as closed "
          "again.\n/r.db: sound, 4 keys and 0 values. A writer had not closed it; only a user who "
          "may change it can count it as closed again.\n",
          "ERROR: The registry store /u.db is damaged\n"}});
}

TEST_F(RegCommandTest, StoreProblemsAreNamedByTheStoresDiagnostic) {
  settings();
  store.readOnly = true;
  steps({{{"add", "HKLM\\SOFTWARE\\X", "/f"}, 1, "", "ERROR: Access is denied.\n"}});
  diagnostic = u"The registry store /var/lib/sigpatch/registry.db may not be changed";
  steps({{{"add", "HKLM\\SOFTWARE\\X", "/f"},
          1,
          "",
          "ERROR: The registry store /var/lib/sigpatch/registry.db may not be changed.\n"}});
  store.readOnly = false;
  diagnostic.clear();
  store.FailCall(Call::SetValueEx, 1016);
  steps({{{"add", "HKLM\\SOFTWARE\\X", "/v", "V", "/f"},
          1,
          "",
          "ERROR: The registry call failed with code 1016: An I/O operation initiated by the "
          "registry failed unrecoverably.\n"}});
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"))
      << "the key made for the value is undone with it";
}

TEST_F(RegCommandTest, ExportWritesTheKeyTreeAsTheRegistryEditorDoes) {
  settings();
  steps({{{"export", kKey, file("out.reg")}, 0, kDone}});
  const auto bytes = system.files[text::fromUtf8(file("out.reg"))];
  const std::u16string key = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch";
  RegFileContent expected;
  expected.Keys = {
      {key,
       false,
       {{u"Path", false, 1, utf16(u"/srv/updates")}, {u"Count", false, 4, Bytes{17, 0, 0, 0}}},
       0},
      {key + u"\\Empty", false, {{u"", false, 7, utf16(std::u16string(u"a\0b\0\0", 5), false)}}, 0},
      {key + u"\\Sub", false, {{u"Flags", false, 3, Bytes{1, 0xAB}}}, 0}};
  EXPECT_EQ(bytes, RegFile::Write(expected));
  steps({{{"export", kKey, "-"}, 0, ""}});  // standard output holds the file alone
  EXPECT_EQ(system.standardOutput, bytes);
  system.files.clear();
  ScratchFolder::write(file("old.reg"), "keep");
  steps({{{"export", "HKLM\\SOFTWARE", file("old.reg")},
          1,
          "",
          "ERROR: File " + file("old.reg") + " exists; add /y to overwrite it.\n"},
         {{"export", "HKLM\\Missing", file("missing.reg")}, 1, "", kNotFound}});
  EXPECT_TRUE(system.files.empty());
  steps({{{"export", "HKLM\\SOFTWARE", file("old.reg"), "/y"}, 0, kDone}});
  EXPECT_EQ(system.files[text::fromUtf8(file("old.reg"))].substr(0, 2), "\xFF\xFE");
}

TEST_F(RegCommandTest, ReadingOperationsOpenForReadingOnly) {
  settings();
  store.readOnly = true;
  store.openAccess.clear();
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE", "/s"}), 0) << err.str();
  EXPECT_EQ(run({"query", kKey, "/v", "Path"}), 0) << err.str();
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE", file("out.reg")}), 0) << err.str();
  ASSERT_FALSE(store.openAccess.empty());
  for (auto access : store.openAccess) EXPECT_EQ(access, kKeyRead);
}

TEST_F(RegCommandTest, ImportAppliesTheWholeFileOrNothing) {
  settings();
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
  ScratchFolder::write(file("fails.reg"), header + "[" + kKey +
                                              "]\r\n\"Path\"=\"/srv/new\"\r\n\r\n"
                                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Added]\r\n"
                                              "\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n");
  store.FailCall(Call::SetValueEx, 112, 3);
  steps({{{"import", file("fails.reg")},
          1,
          "",
          "ERROR: " + file("fails.reg") +
              ": line 6: The registry call failed with code 112: There is not enough space on "
              "the disk.\n"}});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"),
            (StoredValue{1, utf16(u"/srv/updates")}));
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Added"));
  ScratchFolder::write(file("bad.reg"), header +
                                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"
                                            "\"A\"=\"1\"\r\n\"B\"=dword:xyz\r\n");
  steps({{{"import", file("bad.reg")},
          1,
          "",
          "ERROR: " + file("bad.reg") + ": line 5: dword: needs 1 to 8 hexadecimal digits.\n"},
         {{"import", file("none.reg")},
          1,
          "",
          "ERROR: Cannot read " + file("none.reg") + ": there is no such file.\n"},
         {{"import", folder.path().string()},
          1,
          "",
          "ERROR: Cannot read " + folder.path().string() + ": not a file.\n"}});
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"));
  ScratchFolder::write(file("in.reg"),
                       header +
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch]\r\n"
                           "\"Path\"=\"/srv/new\"\r\n\"Count\"=-\r\n\"Absent\"=-\r\n"
                           "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub]\r\n"
                           "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverThere]\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Sigpatch]\r\n"
                           "@=dword:00000001\r\n");
  steps({{{"import", file("in.reg")}, 0, kDone}});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"/srv/new")}));
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Count"), std::nullopt);
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Sub"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software\\Sigpatch", u""),
            (StoredValue{4, Bytes{1, 0, 0, 0}}));
}

// Every code comes with words: the name at fault, or the system's text.
TEST_F(RegCommandTest, FailuresAreNamedInWords) {
  const std::string longKey(256, 'k');
  const std::string cut = "\xE2\x80\xA6";  // the ellipsis that ends a shortened name
  const std::string tooLong =
      "\" has 256 characters, more than the 255 a key name may have "
      "(code 87: The parameter is incorrect).";
  ScratchFolder::write(file("long.reg"),
                       "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" +
                           longKey + "]\r\n\"A\"=\"1\"\r\n");
  struct Case {
    Args args;
    std::function<void()> arm;
    std::string error;
  };
  const Case cases[] = {
      {{"query", "HKLM\\SOFTWARE\\\\Ferrolite"},
       nullptr,
       "Invalid key name \"HKEY_LOCAL_MACHINE\\SOFTWARE\\\\Ferrolite\": it holds an empty name "
       "between two backslashes (code 161: The specified path is invalid)."},
      {{"add", "HKLM\\SOFTWARE\\" + longKey, "/f"},
       nullptr,
       "Invalid key name: \"" + std::string(32, 'k') + cut + tooLong},
      {{"import", file("long.reg")},
       nullptr,
       file("long.reg") + ": line 3: Invalid key name: \"" + std::string(32, 'k') + cut + tooLong},
      {{"add", "HKLM\\SOFTWARE", "/v", std::string(16384, 'v'), "/f"},
       nullptr,
       "Invalid value name: \"" + std::string(32, 'v') + cut +
           "\" has 16384 characters, more than the 16383 a value name may have (code 87: The "
           "parameter is incorrect)."},
      {{"add", "HKLM\\SOFTWARE\\X", "/f"},
       [&] { store.FailCall(Call::CreateKeyEx, 4242); },
       "The registry call failed with code 4242."},
      {{"export", "HKLM\\SOFTWARE", "/dev/full", "/y"},
       [&] { system.writeFault = u"it is a device, not a file"; },
       "Cannot write /dev/full: it is a device, not a file."},
      {{"export", "HKLM\\SOFTWARE", "-"},
       [&] { system.writeFault = u"No space left on device"; },
       "Cannot write to standard output: No space left on device."},
  };
  put(kHkeyLocalMachine, u"SOFTWARE", u"V", kRegSz, utf16(u"x"));
  for (const auto& c : cases) {
    system.writeFault.clear();
    if (c.arm) c.arm();
    steps({{c.args, 1, "", "ERROR: " + c.error + "\n"}});
  }
  EXPECT_FALSE(keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"));
}

}  // namespace
}  // namespace sigpatch
