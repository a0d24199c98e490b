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

using fakes::FakeRegistry;
using namespace platform;
using testing::Bytes;
using testing::StoredValue;
using testing::storedValue;
using testing::storeValue;
using testing::utf16;

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

  // Runs sigreg with the arguments (UTF-8); `answers` answer its questions in
  // turn, none means there is no terminal.
  int run(std::vector<std::string> args, std::vector<bool> answers = {}, bool terminal = false) {
    out.str("");
    err.str("");
    questions.clear();
    std::vector<std::u16string> wide;
    for (const auto& a : args) wide.push_back(text::fromUtf8(a));
    RegCommand command(store, &store,
                       RegCommand::Io{out, err,
                                      [&, terminal](std::u16string_view q) -> std::optional<bool> {
                                        questions.push_back(text::toUtf8(q));
                                        if (!terminal) return std::nullopt;
                                        const bool yes = !answers.empty() && answers.front();
                                        if (!answers.empty()) answers.erase(answers.begin());
                                        return yes;
                                      },
                                      [&] { return diagnostic; }});
    return command.Run(wide);
  }
  void put(RegKey root, std::u16string_view path, std::u16string_view name, std::uint32_t type,
           const Bytes& data) {
    ASSERT_EQ(storeValue(store, root, path, name, type, data), 0);
  }
  std::optional<StoredValue> get(std::u16string_view path, std::u16string_view name) {
    return storedValue(store, kHkeyLocalMachine, path, name);
  }
  void settings() {
    put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path", kRegSz,
        utf16(u"/srv/updates"));
    put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", u"Count", kRegDword,
        Bytes{17, 0, 0, 0});
    put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Sub", u"Flags", kRegBinary,
        Bytes{1, 0xAB});
    put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Empty", u"", kRegMultiSz,
        utf16(std::u16string(u"a\0b\0\0", 5), false));
  }

  fakes::FakeSystem system;
  fakes::FakePlatform fake;
  FakeRegistry store;
  std::ostringstream out;
  std::ostringstream err;
  std::vector<std::string> questions;
  std::u16string diagnostic;
  const std::string done = "The operation completed successfully.\n";
  const std::string notFound =
      "ERROR: The system was unable to find the specified registry key or value.\n";
};

TEST_F(RegCommandTest, QueryShowsValuesAndSubKeysAsRegDoes) {
  settings();
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch"}), 0);
  EXPECT_EQ(out.str(),
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n"
            "    Path    REG_SZ    /srv/updates\n"
            "    Count    REG_DWORD    0x11\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(RegCommandTest, QueryWithSubKeysWalksTheTree) {
  settings();
  EXPECT_EQ(run({"QUERY", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\", "/s"}), 0);
  EXPECT_EQ(out.str(),
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\n"
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n"
            "    Path    REG_SZ    /srv/updates\n"
            "    Count    REG_DWORD    0x11\n"
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty\n"
            "    (Default)    REG_MULTI_SZ    a\\0b\n"
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n"
            "    Flags    REG_BINARY    01AB\n"
            "\n");
}

TEST_F(RegCommandTest, QueryOfOneValue) {
  settings();
  EXPECT_EQ(run({"query", "hklm\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path"}), 0);
  EXPECT_EQ(
      out.str(),
      "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n    Path    REG_SZ    /srv/updates\n");
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/ve"}), 0);
  EXPECT_EQ(out.str(),
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n    (Default)    REG_SZ    "
            "(value not set)\n");
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Nothing"}), 1);
  EXPECT_EQ(err.str(), notFound);
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite", "/v", "Flags", "/s"}), 0);
  EXPECT_EQ(
      out.str(),
      "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n    Flags    REG_BINARY    01AB\n"
      "\nEnd of search: 1 match(es) found.\n");
}

TEST_F(RegCommandTest, QueryOfAMissingKeyFails) {
  EXPECT_EQ(run({"query", "HKCU\\Nothing"}), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), notFound);
}

TEST_F(RegCommandTest, ShowsEveryTypeAsRegDoes) {
  put(kHkeyUsers, u"T", u"Exp", kRegExpandSz, utf16(u"%HOME%"));
  put(kHkeyUsers, u"T", u"Q", kRegQword, Bytes{1, 0, 0, 0, 0, 0, 0, 0x10});
  put(kHkeyUsers, u"T", u"Odd", kRegDword, Bytes{1, 2});
  put(kHkeyUsers, u"T", u"None", kRegNone, Bytes{});
  put(kHkeyUsers, u"T", u"Own", 0x4000, Bytes{0xFF});
  EXPECT_EQ(run({"query", "HKU\\T"}), 0);
  EXPECT_EQ(out.str(),
            "\nHKEY_USERS\\T\n"
            "    Exp    REG_EXPAND_SZ    %HOME%\n"
            "    Q    REG_QWORD    0x1000000000000001\n"
            "    Odd    REG_DWORD    0102\n"
            "    None    REG_NONE    \n"
            "    Own    0x4000    FF\n"
            "\n");
}

struct AddCase {
  std::vector<std::string> switches;
  std::uint32_t type;
  Bytes data;
};

class RegCommandAddTest : public RegCommandTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(RegCommandAddTest, StoresTheDataAsTyped) {
  std::vector<std::string> args = {"add", "HKLM\\SOFTWARE\\New\\Deeper", "/v", "V"};
  args.insert(args.end(), GetParam().switches.begin(), GetParam().switches.end());
  EXPECT_EQ(run(args), 0) << err.str();
  EXPECT_EQ(out.str(), done);
  EXPECT_EQ(get(u"SOFTWARE\\New\\Deeper", u"V"), (StoredValue{GetParam().type, GetParam().data}));
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegCommandAddTest,
    ::testing::Values(
        AddCase{{"/d", "Grüße"}, 1, utf16(u"Grüße")}, AddCase{{}, 1, utf16(u"")},
        AddCase{{"/t", "reg_expand_sz", "/d", "%PATH%"}, 2, utf16(u"%PATH%")},
        AddCase{
            {"/t", "REG_MULTI_SZ", "/d", "a\\0b"}, 7, utf16(std::u16string(u"a\0b\0\0", 5), false)},
        AddCase{{"/t", "REG_MULTI_SZ", "/d", ""}, 7, Bytes{0, 0}},
        AddCase{{"/t", "REG_DWORD", "/d", "4294967295"}, 4, Bytes{0xFF, 0xFF, 0xFF, 0xFF}},
        AddCase{{"/t", "REG_DWORD", "/d", "0x11"}, 4, Bytes{0x11, 0, 0, 0}},
        AddCase{{"/t", "REG_DWORD"}, 4, Bytes{0, 0, 0, 0}},
        AddCase{{"/t", "REG_QWORD", "/d", "0x0102030405060708"}, 11, Bytes{8, 7, 6, 5, 4, 3, 2, 1}},
        AddCase{{"/t", "REG_BINARY", "/d", "01abFF"}, 3, Bytes{1, 0xAB, 0xFF}},
        AddCase{{"/t", "REG_NONE", "/d", ""}, 0, Bytes{}}));

TEST_F(RegCommandTest, AddWithoutAValueCreatesTheKey) {
  EXPECT_EQ(run({"add", "HKCU\\Software\\A\\B"}), 0);
  EXPECT_TRUE(testing::keyExists(store, kHkeyCurrentUser, u"Software\\A\\B"));
  EXPECT_EQ(run({"add", "HKCU\\Software\\A\\B"}), 0) << "an existing key is no error";
  EXPECT_EQ(run({"add", "HKCU\\Software", "/ve", "/d", "x"}), 0);
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software", u""), (StoredValue{1, utf16(u"x")}));
}

TEST_F(RegCommandTest, OverwritingAsksOrNeedsForce) {
  settings();
  EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path", "/d", "new"}), 1);
  EXPECT_EQ(err.str(), "ERROR: Value Path exists; add /f to overwrite it.\n");
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"),
            (StoredValue{1, utf16(u"/srv/updates")}));
  EXPECT_EQ(
      run({"add", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path", "/d", "new"}, {false}, true),
      1);
  EXPECT_EQ(questions, std::vector<std::string>{"Value Path exists, overwrite(Yes/No)? "});
  EXPECT_EQ(out.str(), "The operation was cancelled by the user.\n");
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"),
            (StoredValue{1, utf16(u"/srv/updates")}));
  EXPECT_EQ(
      run({"add", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path", "/d", "new"}, {true}, true),
      0);
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"new")}));
  EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "PATH", "/d", "newer", "/f"}),
            0);
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"newer")}));
}

TEST_F(RegCommandTest, DeleteRemovesAWholeTreeAtOnce) {
  settings();
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite"}), 1);
  EXPECT_EQ(err.str(),
            "ERROR: Add /f to delete the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite without being "
            "asked.\n");
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite"}, {true}, true), 0);
  EXPECT_EQ(questions,
            std::vector<std::string>{"Permanently delete the registry key "
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite (Yes/No)? "});
  EXPECT_EQ(out.str(), done);
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite"));
  EXPECT_TRUE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE"));
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite", "/f"}), 1);
  EXPECT_EQ(err.str(), notFound);
}

TEST_F(RegCommandTest, FailedDeletionLeavesTheWholeTree) {
  settings();
  store.FailCall(FakeRegistry::Call::DeleteKey, 5, 3);
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite", "/f"}), 1);
  EXPECT_EQ(err.str(), "ERROR: Access is denied.\n");
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch\\Sub", u"Flags"), (StoredValue{3, Bytes{1, 0xAB}}));
  EXPECT_TRUE(
      testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Empty"));
}

TEST_F(RegCommandTest, DeleteOfValues) {
  settings();
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path"}, {true}, true), 0);
  EXPECT_EQ(questions, std::vector<std::string>{"Delete the registry value Path (Yes/No)? "});
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), std::nullopt);
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path", "/f"}), 1);
  EXPECT_EQ(err.str(), notFound);
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty", "/ve"}), 1);
  EXPECT_EQ(err.str(), "ERROR: Add /f to delete the value (Default) without being asked.\n");
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty", "/ve", "/f"}), 0);
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch\\Empty", u""), std::nullopt);
  put(kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch", u"Other", kRegSz, utf16(u"x"));
  EXPECT_EQ(run({"delete", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/va", "/f"}), 0);
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch"}), 0);
  EXPECT_EQ(out.str(),
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\n\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty\n"
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub\n");
  EXPECT_EQ(run({"delete", "HKLM", "/f"}), 1);
  EXPECT_EQ(err.str(), "ERROR: A root key cannot be deleted.\n");
}

struct SyntaxCase {
  std::vector<std::string> args;
  const char* error;
};

class RegCommandSyntaxTest : public RegCommandTest,
                             public ::testing::WithParamInterface<SyntaxCase> {};

TEST_P(RegCommandSyntaxTest, OneClearLineAndExitCodeOne) {
  EXPECT_EQ(run(GetParam().args), 1);
  EXPECT_EQ(err.str(), std::string("ERROR: ") + GetParam().error + "\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"X"));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, RegCommandSyntaxTest,
    ::testing::Values(
        SyntaxCase{
            {},
            "Invalid syntax: name an operation: QUERY, ADD, DELETE, EXPORT or IMPORT (sigreg "
            "/? shows how)."},
        SyntaxCase{{"list", "HKLM"},
                   "Invalid syntax: unknown operation \"list\" (sigreg /? shows how)."},
        SyntaxCase{{"add", "HKLM\\X", "/q"}, "Invalid syntax: unknown switch \"/q\"."},
        SyntaxCase{{"import", "/x.reg", "-yz"}, "Invalid syntax: unknown switch \"-yz\"."},
        SyntaxCase{{"add", "HKLM\\X", "/s"}, "Invalid syntax: /s does not go with ADD."},
        SyntaxCase{{"add", "HKLM\\X", "/v"}, "Invalid syntax: /v needs a value."},
        SyntaxCase{{"add", "HKLM\\X", "/f", "-F"}, "Invalid syntax: -F given twice."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/ve"},
                   "Invalid syntax: /v, /ve and /va exclude each other."},
        SyntaxCase{{"add"}, "Invalid syntax: ADD takes one key name."},
        SyntaxCase{{"add", "HKLM\\X", "HKLM\\Y"}, "Invalid syntax: ADD takes one key name."},
        SyntaxCase{{"export", "HKLM\\X"},
                   "Invalid syntax: EXPORT takes a key name and a file name."},
        SyntaxCase{{"import"}, "Invalid syntax: IMPORT takes one file name."},
        SyntaxCase{{"add", "HKEY_CURRENT_CONFIG\\X"},
                   "Invalid key name: \"HKEY_CURRENT_CONFIG\\X\" does not begin with HKLM, HKCU, "
                   "HKCR or HKU."},
        SyntaxCase{{"add", "\\\\server\\HKLM\\X"},
                   "Invalid key name: \"\\\\server\\HKLM\\X\" does not begin with HKLM, HKCU, HKCR "
                   "or HKU."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_LINK"},
                   "Invalid syntax: unknown type \"REG_LINK\"; use REG_SZ, REG_MULTI_SZ, "
                   "REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_BINARY or REG_NONE."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_DWORD", "/d", "-1"},
                   "Invalid data: \"-1\" is not a number from 0 to 4294967295 for REG_DWORD."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"},
                   "Invalid data: \"4294967296\" is not a number from 0 to 4294967295 for "
                   "REG_DWORD."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_QWORD", "/d", "0x"},
                   "Invalid data: \"0x\" is not a number from 0 to 18446744073709551615 for "
                   "REG_QWORD."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_BINARY", "/d", "0x01"},
                   "Invalid data: \"0x01\" is not hexadecimal bytes for REG_BINARY."},
        SyntaxCase{{"add", "HKLM\\X", "/v", "a", "/t", "REG_BINARY", "/d", "abc"},
                   "Invalid data: \"abc\" is not hexadecimal bytes for REG_BINARY."}));

TEST_F(RegCommandTest, UsageIsShownForQuestionMark) {
  EXPECT_EQ(run({"/?"}), 0);
  EXPECT_EQ(out.str().rfind("sigreg QUERY KEY [/v NAME | /ve] [/s]\n", 0), 0u);
  EXPECT_EQ(run({"add", "/?"}), 0);
  EXPECT_NE(out.str().find("sigreg IMPORT FILE\n"), std::string::npos);
}

TEST_F(RegCommandTest, StoreProblemsAreNamedByTheStoresDiagnostic) {
  settings();
  store.readOnly = true;
  EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\X", "/f"}), 1);
  EXPECT_EQ(err.str(), "ERROR: Access is denied.\n");
  diagnostic = u"The registry store /var/lib/sigpatch/registry.db may not be changed";
  EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\X", "/f"}), 1);
  EXPECT_EQ(err.str(),
            "ERROR: The registry store /var/lib/sigpatch/registry.db may not be changed.\n");
  store.readOnly = false;
  diagnostic.clear();
  store.FailCall(FakeRegistry::Call::SetValueEx, 1016);
  EXPECT_EQ(run({"add", "HKLM\\SOFTWARE\\X", "/v", "V", "/f"}), 1);
  EXPECT_EQ(err.str(),
            "ERROR: The registry call failed with code 1016: An I/O operation initiated by the "
            "registry failed unrecoverably.\n");
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"))
      << "the key made for the value is undone with it";
}

class RegCommandFileTest : public RegCommandTest {
 protected:
  std::string file(const std::string& name) { return folder.file(name).string(); }
  testing::ScratchFolder folder;
};

TEST_F(RegCommandFileTest, ExportWritesTheKeyTreeAsTheRegistryEditorDoes) {
  settings();
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", file("out.reg")}), 0);
  EXPECT_EQ(out.str(), done);
  const auto bytes = system.files[text::fromUtf8(file("out.reg"))];
  RegFileContent expected;
  expected.Keys = {
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch",
       false,
       {{u"Path", false, 1, utf16(u"/srv/updates")}, {u"Count", false, 4, Bytes{17, 0, 0, 0}}},
       0},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Empty",
       false,
       {{u"", false, 7, utf16(std::u16string(u"a\0b\0\0", 5), false)}},
       0},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub",
       false,
       {{u"Flags", false, 3, Bytes{1, 0xAB}}},
       0}};
  EXPECT_EQ(bytes, RegFile::Write(expected));
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "-"}), 0);
  EXPECT_EQ(out.str(), "") << "standard output holds the file alone";
  EXPECT_EQ(system.standardOutput, bytes);
}

TEST_F(RegCommandFileTest, ExportDoesNotOverwriteWithoutBeingAllowed) {
  settings();
  testing::ScratchFolder::write(file("out.reg"), "keep");
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE", file("out.reg")}), 1);
  EXPECT_EQ(err.str(), "ERROR: File " + file("out.reg") + " exists; add /y to overwrite it.\n");
  EXPECT_EQ(testing::ScratchFolder::read(file("out.reg")), "keep");
  EXPECT_TRUE(system.files.empty());
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE", file("out.reg"), "/y"}), 0);
  EXPECT_EQ(system.files[text::fromUtf8(file("out.reg"))].substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(run({"export", "HKLM\\Missing", file("missing.reg")}), 1);
  EXPECT_EQ(err.str(), notFound);
  EXPECT_EQ(system.files.count(text::fromUtf8(file("missing.reg"))), 0u);
}

TEST_F(RegCommandFileTest, ReadingOperationsOpenForReadingOnly) {
  settings();
  store.readOnly = true;
  store.openAccess.clear();
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE", "/s"}), 0) << err.str();
  EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Ferrolite\\Sigpatch", "/v", "Path"}), 0) << err.str();
  EXPECT_EQ(run({"export", "HKLM\\SOFTWARE", file("out.reg")}), 0) << err.str();
  ASSERT_FALSE(store.openAccess.empty());
  for (auto access : store.openAccess) EXPECT_EQ(access, kKeyRead);
}

TEST_F(RegCommandFileTest, ImportAppliesTheFile) {
  settings();
  testing::ScratchFolder::write(file("in.reg"),
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch]\r\n"
                                "\"Path\"=\"/srv/new\"\r\n"
                                "\"Count\"=-\r\n"
                                "\"Absent\"=-\r\n"
                                "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch\\Sub]\r\n"
                                "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverThere]\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Sigpatch]\r\n"
                                "@=dword:00000001\r\n");
  EXPECT_EQ(run({"import", file("in.reg")}), 0) << err.str();
  EXPECT_EQ(out.str(), done);
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"), (StoredValue{1, utf16(u"/srv/new")}));
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Count"), std::nullopt);
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Ferrolite\\Sigpatch\\Sub"));
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"Software\\Sigpatch", u""),
            (StoredValue{4, Bytes{1, 0, 0, 0}}));
}

TEST_F(RegCommandFileTest, ImportIsAllOrNothing) {
  settings();
  testing::ScratchFolder::write(file("in.reg"),
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch]\r\n"
                                "\"Path\"=\"/srv/new\"\r\n"
                                "\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Added]\r\n"
                                "\"A\"=\"1\"\r\n"
                                "\"B\"=\"2\"\r\n");
  store.FailCall(FakeRegistry::Call::SetValueEx, 112, 3);
  EXPECT_EQ(run({"import", file("in.reg")}), 1);
  EXPECT_EQ(err.str(),
            "ERROR: " + file("in.reg") +
                ": line 6: The registry call failed with code 112: There is not enough space on "
                "the disk.\n");
  EXPECT_EQ(get(u"SOFTWARE\\Ferrolite\\Sigpatch", u"Path"),
            (StoredValue{1, utf16(u"/srv/updates")}));
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\Added"));
}

TEST_F(RegCommandFileTest, ImportOfABadFileChangesNothing) {
  testing::ScratchFolder::write(file("bad.reg"),
                                "Windows Registry Editor Version 5.00\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"
                                "\"A\"=\"1\"\r\n"
                                "\"B\"=dword:xyz\r\n");
  EXPECT_EQ(run({"import", file("bad.reg")}), 1);
  EXPECT_EQ(err.str(),
            "ERROR: " + file("bad.reg") + ": line 4: dword: needs 1 to 8 hexadecimal digits.\n");
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"));
  EXPECT_EQ(run({"import", file("none.reg")}), 1);
  EXPECT_EQ(err.str(), "ERROR: Cannot read " + file("none.reg") + ": there is no such file.\n");
  EXPECT_EQ(run({"import", folder.path().string()}), 1);
  EXPECT_EQ(err.str(), "ERROR: Cannot read " + folder.path().string() + ": not a file.\n");
}

// Every code comes with words: the name at fault, or the system's text.
TEST_F(RegCommandFileTest, FailuresAreNamedInWords) {
  const std::string longKey(256, 'k');
  const std::string longValue(16384, 'v');
  const std::string cut = "\xE2\x80\xA6";  // the ellipsis that ends a shortened name
  testing::ScratchFolder::write(file("long.reg"),
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" +
                                    longKey + "]\r\n\"A\"=\"1\"\r\n");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::function<void()> before;
    std::string error;
  };
  const Case cases[] = {
      {"two backslashes in a row",
       {"query", "HKLM\\SOFTWARE\\\\Ferrolite"},
       nullptr,
       "Invalid key name \"HKEY_LOCAL_MACHINE\\SOFTWARE\\\\Ferrolite\": it holds an empty name "
       "between two backslashes (code 161: The specified path is invalid)."},
      {"a key name too long",
       {"add", "HKLM\\SOFTWARE\\" + longKey, "/f"},
       nullptr,
       "Invalid key name: \"" + std::string(32, 'k') + cut +
           "\" has 256 characters, more than the 255 a key name may have (code 87: The "
           "parameter is incorrect)."},
      {"a key name too long in a file",
       {"import", file("long.reg")},
       nullptr,
       file("long.reg") + ": line 3: Invalid key name: \"" + std::string(32, 'k') + cut +
           "\" has 256 characters, more than the 255 a key name may have (code 87: The "
           "parameter is incorrect)."},
      {"a value name too long",
       {"add", "HKLM\\SOFTWARE", "/v", longValue, "/f"},
       nullptr,
       "Invalid value name: \"" + std::string(32, 'v') + cut +
           "\" has 16384 characters, more than the 16383 a value name may have (code 87: The "
           "parameter is incorrect)."},
      {"a code the system has no text for",
       {"add", "HKLM\\SOFTWARE\\X", "/f"},
       [&] { store.FailCall(FakeRegistry::Call::CreateKeyEx, 4242); },
       "The registry call failed with code 4242."},
      {"a file that cannot be written",
       {"export", "HKLM\\SOFTWARE", "/dev/full", "/y"},
       [&] { system.writeFault = u"it is a device, not a file"; },
       "Cannot write /dev/full: it is a device, not a file."},
      {"standard output that cannot be written",
       {"export", "HKLM\\SOFTWARE", "-"},
       [&] { system.writeFault = u"No space left on device"; },
       "Cannot write to standard output: No space left on device."},
  };
  RegKey software = 0;
  ASSERT_EQ(
      store.CreateKeyEx(kHkeyLocalMachine, u"SOFTWARE", u"", 0, kKeyAllAccess, software, nullptr),
      0);
  store.CloseKey(software);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system.writeFault.clear();
    if (c.before) c.before();
    EXPECT_EQ(run(c.args), 1);
    EXPECT_EQ(err.str(), "ERROR: " + c.error + "\n");
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_FALSE(testing::keyExists(store, kHkeyLocalMachine, u"SOFTWARE\\X"));
}

}  // namespace
}  // namespace sigpatch
