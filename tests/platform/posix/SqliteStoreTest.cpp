// The registry rules (tests/registry/RegistryBehaviourSuite.cpp) on the fake
// and on the SQLite store, and what only the store shows: where its files lie,
// how it shares them, and how it finds and reports damage.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <random>

#include "PosixTestSupport.h"
#include "fakes/FakeRegistry.h"
#include "platform/posix/FileSystemKind.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegistryBehaviour.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

using namespace platform;
using posix::SqliteRegistry;
using posix::StoreLocations;
namespace fs = std::filesystem;

class FakeSubject : public Subject {
 public:
  RegistryApi& api() override { return fake_; }
  RegistryTransactions* transactions() override { return &fake_; }
  void reopen() override {}
  void reopenReadOnly() override { fake_.readOnly = true; }
  std::string cannotShow(Behaviour) const override { return {}; }

 private:
  fakes::FakeRegistry fake_;
};

class SqliteSubject : public Subject {
 public:
  SqliteSubject() { reopen(); }
  RegistryApi& api() override { return *store_; }
  RegistryTransactions* transactions() override { return store_.get(); }
  void reopen() override { open(false); }
  void reopenReadOnly() override { open(true); }
  std::string cannotShow(Behaviour) const override { return {}; }

 private:
  void open(bool readOnly) {
    store_.reset();
    posix::StoreOptions options;
    options.readOnly = readOnly;
    store_ =
        std::make_unique<SqliteRegistry>(StoreLocations::singleFile(dir_ / "registry.db"), options);
  }
  TempFolder dir_;
  std::unique_ptr<SqliteRegistry> store_;
};

INSTANTIATE_TEST_SUITE_P(
    Stores, RegistryBehaviourTest,
    ::testing::Values(Kind{"Fake", [] { return std::unique_ptr<Subject>(new FakeSubject); }},
                      Kind{"Sqlite", [] { return std::unique_ptr<Subject>(new SqliteSubject); }}),
    kindName);

// Runs SQL on a store file with SQLite itself, as another program would; gives
// the first column of the first row.
std::string sql(const std::string& path, const char* statements) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string result;
  auto first = [](void* to, int, char** columns, char**) {
    if (static_cast<std::string*>(to)->empty() && columns[0])
      *static_cast<std::string*>(to) = columns[0];
    return 0;
  };
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, statements, first, &result, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
  return result;
}

TEST(StoreLocationsTest, FollowSigpatchRegistryElseTheMachineAndTheUsersStateFolder) {
  struct Case {
    std::optional<std::string> registry, state, home;
    std::string machine, user;
  };
  const std::string cwd = fs::current_path().string();
  const std::string bob = "/home/bob/.local/state/sigpatch/user.db";
  const Case cases[] = {
      {"/srv/settings/all.db", "/s", "/h", "/srv/settings/all.db", "/srv/settings/all.db"},
      {"settings/all.db", "/s", "/h", cwd + "/settings/all.db", cwd + "/settings/all.db"},
      {std::nullopt, "/home/ann/state", "/h", "/var/lib/sigpatch/registry.db",
       "/home/ann/state/sigpatch/user.db"},
      {"", std::nullopt, "/home/bob", "/var/lib/sigpatch/registry.db", bob},
      {"", "relative/state", "/home/bob", "/var/lib/sigpatch/registry.db", bob},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.registry.value_or("(unset)") + " " + c.state.value_or("(unset)"));
    ScopedEnv registry("SIGPATCH_REGISTRY", c.registry), state("XDG_STATE_HOME", c.state),
        home("HOME", c.home);
    const auto locations = StoreLocations::fromEnvironment();
    EXPECT_EQ(locations.machine, c.machine);
    EXPECT_EQ(locations.user, c.user);
    EXPECT_EQ(locations.SingleFile(), c.machine == c.user);
  }
}

class SqliteStoreTest : public ::testing::Test {
 protected:
  TempFolder dir;
  std::string machine = dir / "lib/sigpatch/registry.db";
  std::string user = dir / "home/.local/state/sigpatch/user.db";
  std::string single = dir / "registry.db";
  StoreLocations one = StoreLocations::singleFile(single);
};

TEST_F(SqliteStoreTest, ReadingWithoutStoreFilesIsNotFoundAndCreatesNothing) {
  SqliteRegistry store(StoreLocations{machine, user});
  RegKey key = 0;
  EXPECT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"SOFTWARE", 0, kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(store.OpenKeyEx(kHkeyCurrentUser, u"SOFTWARE", 0, kKeyRead, key), kErrorFileNotFound);
  std::uint32_t size = 0;
  EXPECT_EQ(store.QueryValueEx(kHkeyLocalMachine, u"x", nullptr, nullptr, &size),
            kErrorFileNotFound);
  char16_t name[8];
  std::uint32_t length = 8;
  EXPECT_EQ(store.EnumKeyEx(kHkeyUsers, 0, name, &length, nullptr, nullptr, nullptr),
            kErrorNoMoreItems);
  EXPECT_EQ(store.DeleteValue(kHkeyCurrentUser, u"x"), kErrorFileNotFound);
  EXPECT_EQ(store.DeleteKey(kHkeyCurrentUser, u"x"), kErrorFileNotFound);
  // A root opened by a handle of its own is an empty key too.
  ASSERT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), 0);
  EXPECT_EQ(store.EnumValue(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  EXPECT_EQ(store.EnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  EXPECT_EQ(store.QueryValueEx(key, u"x", nullptr, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(store.OpenKeyEx(key, u"SOFTWARE", 0, kKeyRead, key), kErrorFileNotFound);
  EXPECT_FALSE(fs::exists(dir / "lib"));
  EXPECT_FALSE(fs::exists(dir / "home"));
  EXPECT_EQ(store.Diagnostic(), u"");
}

TEST_F(SqliteStoreTest, CurrentUserLivesInTheUsersFileAndTheOtherRootsInTheMachinesFile) {
  {
    SqliteRegistry store(StoreLocations{machine, user});
    ASSERT_EQ(storeValue(store, kHkeyCurrentUser, u"Software\\Mine", u"V", kRegSz, utf16(u"u")), 0);
    EXPECT_TRUE(fs::exists(user));
    EXPECT_FALSE(fs::exists(machine));
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"SOFTWARE\\All", u"V", kRegSz, utf16(u"m")), 0);
    ASSERT_EQ(storeValue(store, kHkeyClassesRoot, u".reg", u"", kRegSz, utf16(u"c")), 0);
  }
  SqliteRegistry machineOnly(StoreLocations::singleFile(machine));
  EXPECT_EQ(storedValue(machineOnly, kHkeyLocalMachine, u"SOFTWARE\\All", u"V"),
            (StoredValue{kRegSz, utf16(u"m")}));
  EXPECT_EQ(storedValue(machineOnly, kHkeyClassesRoot, u".reg", u""),
            (StoredValue{kRegSz, utf16(u"c")}));
  EXPECT_EQ(storedValue(machineOnly, kHkeyCurrentUser, u"Software\\Mine", u"V"), std::nullopt);
  SqliteRegistry userOnly(StoreLocations::singleFile(user));
  EXPECT_EQ(storedValue(userOnly, kHkeyCurrentUser, u"Software\\Mine", u"V"),
            (StoredValue{kRegSz, utf16(u"u")}));
}

TEST_F(SqliteStoreTest, StoreIsInWalModeAndKeepsItsLogFilesForReaders) {
  {
    SqliteRegistry store(one);
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  }
  EXPECT_TRUE(fs::exists(single + "-shm"));
  EXPECT_EQ(fs::file_size(single + "-wal"), 0u) << "checkpointed and emptied on close";
  EXPECT_EQ(sql(single, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(sql(single, "PRAGMA application_id"), std::to_string(0x53505247));
}

// Objects on one file, the first opened before the file was set up (or even
// there): each sees the other's changes.
TEST_F(SqliteStoreTest, ObjectsOnOneFileSeeEachOthersChanges) {
  for (bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "an empty file" : "no file");
    for (const auto& f : {single, single + "-wal", single + "-shm"}) fs::remove(f);
    if (empty) writeFile(single, "");
    SqliteRegistry first(one);
    EXPECT_EQ(storedValue(first, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
    SqliteRegistry second(one);
    ASSERT_EQ(storeValue(second, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
    EXPECT_EQ(storedValue(first, kHkeyLocalMachine, u"A", u"V"),
              (StoredValue{kRegSz, utf16(u"1")}));
    EXPECT_EQ(storeValue(first, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"2")), 0);
    EXPECT_EQ(storedValue(second, kHkeyLocalMachine, u"A", u"V"),
              (StoredValue{kRegSz, utf16(u"2")}));
  }
}

TEST_F(SqliteStoreTest, PlaceThatCannotHoldAStoreIsReported) {
  writeFile(dir / "plain", "x");
  fs::create_directories(dir / "folder.db");
  ASSERT_EQ(::mkfifo((dir / "fifo.db").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir / "plain/sub/registry.db", "cannot be created: Not a directory"},
      {dir / "folder.db", "is a folder, not a file"},
      {dir / "fifo.db", "is not a regular file"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    SqliteRegistry store(StoreLocations::singleFile(path));
    EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
              kErrorRegistryIoFailed);
    EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + path + " " + reason));
    RegKey key = 0;
    if (path != cases[0].first) {
      EXPECT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), kErrorRegistryIoFailed)
          << "reading is refused as well";
    }
  }
  SqliteRegistry store(StoreLocations{machine, ""});
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"A", u"V"), std::nullopt);
  EXPECT_EQ(storeValue(store, kHkeyCurrentUser, u"A", u"V", kRegSz, utf16(u"1")),
            kErrorAccessDenied);
  EXPECT_EQ(store.Diagnostic(),
            u"The user's registry store has no place: neither XDG_STATE_HOME nor HOME is set");
}

TEST_F(SqliteStoreTest, StoreOnANetworkFileSystemIsRefused) {
  posix::StoreOptions options;
  std::string asked;
  options.fileSystemType = [&](const std::string& path) {
    asked = path;
    return 0x6969L;
  };
  SqliteRegistry store(one, options);
  EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
            kErrorNotSupported);
  RegKey key = 0;
  EXPECT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), kErrorNotSupported);
  EXPECT_EQ(asked, single);
  EXPECT_EQ(store.Diagnostic(),
            text::fromUtf8("The registry store " + single) +
                u" is on a network file system (NFS), where its file locking cannot be trusted; "
                u"keep it on a local disk (SIGPATCH_REGISTRY names another file)");
  EXPECT_FALSE(fs::exists(single));
  const std::pair<long, const char*> kinds[] = {{0x6969, "NFS"},
                                                {0xFF534D42, "CIFS"},
                                                {0xFE534D42, "SMB2"},
                                                {0x517B, "SMB"},
                                                {0x01021997, "9P"},
                                                {0xEF53, ""} /* ext4 */,
                                                {0x01021994, ""} /* tmpfs */,
                                                {0x9123683E, ""} /* btrfs */};
  for (const auto& [type, kind] : kinds) EXPECT_EQ(posix::networkFileSystemName(type), kind);
  const auto type = posix::fileSystemTypeOf(dir.path());
  EXPECT_NE(type, -1);
  EXPECT_EQ(posix::fileSystemTypeOf(dir / "not/yet/there.db"), type) << "its nearest folder's";
}

// Damage: a store that is not one, or is damaged, is reported and never changed.
TEST_F(SqliteStoreTest, DamagedOrForeignStoreIsReportedAndLeftAsItIs) {
  const std::u16string leftAsItIs =
      u"; it was left as it is: restore it from a backup, or move it aside to start with empty "
      u"settings";
  auto good = [&] {
    SqliteRegistry store(one);
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  };
  struct Case {
    const char* what;
    std::function<void()> make;
    std::u16string report;
  };
  const Case cases[] = {
      {"a garbage header",
       [&] { writeFile(single, "This is no database at all." + std::string(4000, '\x5A')); },
       u" is damaged: it does not begin with an SQLite database header" + leftAsItIs},
      {"another program's database",
       [&] {
         sql(single, "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('a', 1);");
       },
       u" is not a registry store of Sigpatch (another program's database); it was left as it is"},
      {"a newer format",
       [&] {
         good();
         sql(single, "PRAGMA user_version=2");
       },
       u" was written by a newer Sigpatch (store format 2); it was left as it is"},
      {"a value changed behind the store's back",
       [&] {
         good();
         sql(single, "UPDATE vals SET data=x'320000'");
       },
       u" is damaged (a value fails its checksum)" + leftAsItIs},
      {"a key renamed behind the store's back",
       [&] {
         good();
         sql(single, "UPDATE keys SET name=x'42000000' WHERE fold=x'0041'");
       },
       u" is damaged (a key fails its checksum)" + leftAsItIs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& f : {single, single + "-wal", single + "-shm"}) fs::remove(f);
    c.make();
    const auto before = readFile(single);
    SqliteRegistry store(one);
    RegKey key = 0;
    EXPECT_EQ(storedValue(store, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
    EXPECT_NE(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), 0);
    EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
              kErrorRegistryCorrupt);
    EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + single) + c.report);
    EXPECT_EQ(readFile(single), before);
  }
}

// Random bytes written into a good store: opening it either says it is damaged,
// or every value reads back exactly as written. Nothing is lost silently.
TEST_F(SqliteStoreTest, RandomBytesInsideAreReportedOrHarmless) {
  std::vector<std::pair<std::u16string, Bytes>> values;
  {
    SqliteRegistry store(one);
    for (int i = 0; i < 60; ++i) {
      const auto key = u"SOFTWARE\\K" + text::dec(i % 6);
      const auto name = u"Value " + text::dec(i);
      Bytes data = utf16(u"data " + text::dec(i * 7919) + std::u16string(i, u'\u00E9'));
      ASSERT_EQ(storeValue(store, kHkeyLocalMachine, key, name, kRegSz, data), 0);
      values.emplace_back(key + u"|" + name, data);
    }
  }
  const auto original = readFile(single);
  ASSERT_GT(original.size(), 4096u);
  std::mt19937 random(20240611);
  const auto trial = dir / "trial.db";
  int reported = 0;
  int harmless = 0;
  for (int round = 0; round < 160; ++round) {
    auto damaged = original;
    std::uniform_int_distribution<std::size_t> where(100, original.size() - 1);
    std::uniform_int_distribution<int> count(1, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto at = where(random);
    for (int i = count(random); i > 0 && at + static_cast<std::size_t>(i) <= damaged.size(); --i) {
      damaged[at + static_cast<std::size_t>(i) - 1] = static_cast<char>(byte(random));
    }
    fs::remove(trial + "-wal");
    fs::remove(trial + "-shm");
    writeFile(trial, damaged);
    SqliteRegistry store(StoreLocations::singleFile(trial));
    bool sawDamage = false;
    for (const auto& [where2, data] : values) {
      const auto bar = where2.find(u'|');
      const auto found =
          storedValue(store, kHkeyLocalMachine, where2.substr(0, bar), where2.substr(bar + 1));
      if (!found) {
        sawDamage = true;
        break;
      }
      ASSERT_EQ(*found, (StoredValue{kRegSz, data})) << "silently changed in round " << round;
    }
    if (sawDamage) {
      ASSERT_NE(store.Diagnostic().find(u"is damaged"), std::u16string::npos)
          << "round " << round << ": a value went missing without a report";
      ASSERT_EQ(store.Diagnostic().find_first_of(u"\r\n*"), std::u16string::npos)
          << "round " << round << ": the report is one line without SQLite's headings: "
          << text::toUtf8(store.Diagnostic());
      ++reported;
    } else {
      ++harmless;
    }
    ASSERT_EQ(readFile(trial), damaged) << "a damaged store is never changed";
  }
  std::printf("random damage: %d rounds reported as damaged, %d harmless\n", reported, harmless);
  EXPECT_GT(reported, 30) << "the damage should often hit live data";
}

}  // namespace
}  // namespace sigpatch::testing
