// The registry rules (tests/registry/RegistryBehaviourSuite.cpp) on the fake
// and on the SQLite store, and what only the store shows: where its files lie,
// how it shares them, and how it finds and reports damage.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "PosixTestSupport.h"
#include "fakes/FakeRegistry.h"
#include "platform/posix/FileSystemKind.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegistryBehaviour.h"
#include "registry/RegistryTestSupport.h"

namespace sigpatch::testing {
namespace {

using namespace platform;
using posix::SqliteRegistry;
using posix::StoreLocations;
namespace fs = std::filesystem;

// The fake registry, or the SQLite store in a folder of its own.
class StoreSubject : public Subject {
 public:
  explicit StoreSubject(bool sqlite) {
    if (sqlite) open(false);
  }
  RegistryApi& api() override { return store_ ? static_cast<RegistryApi&>(*store_) : fake_; }
  RegistryTransactions* transactions() override {
    return store_ ? static_cast<RegistryTransactions*>(store_.get()) : &fake_;
  }
  void reopen() override {
    if (store_) open(false);
  }
  void reopenReadOnly() override { store_ ? open(true) : void(fake_.readOnly = true); }
  std::string cannotShow(Behaviour) const override { return {}; }

 private:
  void open(bool readOnly) {
    store_.reset();
    store_ = std::make_unique<SqliteRegistry>(StoreLocations::singleFile(dir_ / "registry.db"),
                                              posix::StoreOptions{readOnly, {}});
  }
  fakes::FakeRegistry fake_;
  TempFolder dir_;
  std::unique_ptr<SqliteRegistry> store_;
};

INSTANTIATE_TEST_SUITE_P(
    Stores, RegistryBehaviourTest,
    ::testing::Values(
        Kind{"Fake", [] { return std::unique_ptr<Subject>(new StoreSubject(false)); }},
        Kind{"Sqlite", [] { return std::unique_ptr<Subject>(new StoreSubject(true)); }}),
    kindName);

// Runs SQL on a store file with SQLite itself, as another program would.
void sql(const std::string& path, const char* statements) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST(StoreLocationsTest, FollowSigpatchRegistryElseTheMachineAndTheUsersStateFolder) {
  const std::string cwd = fs::current_path().string(), machine = "/var/lib/sigpatch/registry.db";
  const std::string bob = "/home/bob/.local/state/sigpatch/user.db";
  const std::tuple<std::optional<std::string>, std::optional<std::string>, std::string, std::string>
      cases[] = {{"/srv/settings/all.db", "/s", "/srv/settings/all.db", "/srv/settings/all.db"},
                 {"settings/all.db", "/s", cwd + "/settings/all.db", cwd + "/settings/all.db"},
                 {std::nullopt, "/home/ann/state", machine, "/home/ann/state/sigpatch/user.db"},
                 {"", std::nullopt, machine, bob},
                 {"", "relative/state", machine, bob}};
  for (const auto& [registry, state, inMachine, inUser] : cases) {
    SCOPED_TRACE(registry.value_or("(unset)") + " " + state.value_or("(unset)"));
    ScopedEnv r("SIGPATCH_REGISTRY", registry), s("XDG_STATE_HOME", state), h("HOME", "/home/bob");
    const auto locations = StoreLocations::fromEnvironment();
    EXPECT_EQ(locations.machine, inMachine);
    EXPECT_EQ(locations.user, inUser);
  }
}

class SqliteStoreTest : public ::testing::Test {
 protected:
  void removeStore(const std::string& path) {
    for (const auto& f : {path, path + "-wal", path + "-shm"}) fs::remove(f);
  }
  std::int32_t put(RegistryApi& store, RegKey root, const char16_t* path, const char16_t* data) {
    return storeValue(store, root, path, u"V", kRegSz, utf16(data));
  }
  std::optional<StoredValue> get(RegistryApi& store, RegKey root, const char16_t* path) {
    return storedValue(store, root, path, u"V");
  }
  TempFolder dir;
  std::string machine = dir / "lib/sigpatch/registry.db";
  std::string user = dir / "home/.local/state/sigpatch/user.db";
  std::string single = dir / "registry.db";
  StoreLocations one = StoreLocations::singleFile(single);
};

TEST_F(SqliteStoreTest, ReadingWithoutStoreFilesIsNotFoundAndCreatesNothing) {
  SqliteRegistry store(StoreLocations{machine, user});
  RegKey key = 0;
  char16_t name[8];
  std::uint32_t length = 8;
  EXPECT_EQ(store.OpenKeyEx(kHkeyCurrentUser, u"SOFTWARE", 0, kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(store.DeleteValue(kHkeyLocalMachine, u"x"), kErrorFileNotFound);
  EXPECT_EQ(store.EnumKeyEx(kHkeyUsers, 0, name, &length, nullptr, nullptr, nullptr),
            kErrorNoMoreItems);
  EXPECT_FALSE(fs::exists(dir / "lib") || fs::exists(dir / "home"));
  EXPECT_EQ(store.Diagnostic(), u"");
}

TEST_F(SqliteStoreTest, CurrentUserLivesInTheUsersFileAndTheOtherRootsInTheMachinesFile) {
  {
    SqliteRegistry store(StoreLocations{machine, user});
    ASSERT_EQ(put(store, kHkeyCurrentUser, u"Software\\Mine", u"u"), 0);
    EXPECT_TRUE(fs::exists(user) && !fs::exists(machine));
    ASSERT_EQ(put(store, kHkeyLocalMachine, u"SOFTWARE\\All", u"m"), 0);
    ASSERT_EQ(put(store, kHkeyClassesRoot, u".reg", u"c"), 0);
  }
  SqliteRegistry machineOnly(StoreLocations::singleFile(machine));
  EXPECT_EQ(get(machineOnly, kHkeyLocalMachine, u"SOFTWARE\\All"), sz(u"m"));
  EXPECT_EQ(get(machineOnly, kHkeyClassesRoot, u".reg"), sz(u"c"));
  EXPECT_EQ(get(machineOnly, kHkeyCurrentUser, u"Software\\Mine"), std::nullopt);
  SqliteRegistry userOnly(StoreLocations::singleFile(user));
  EXPECT_EQ(get(userOnly, kHkeyCurrentUser, u"Software\\Mine"), sz(u"u"));
}

// Objects on one file, the first opened before the file was set up (or even
// there): each sees the other's changes.
TEST_F(SqliteStoreTest, ObjectsOnOneFileSeeEachOthersChanges) {
  for (bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "an empty file" : "no file");
    removeStore(single);
    if (empty) writeFile(single, "");
    SqliteRegistry first(one);
    EXPECT_EQ(get(first, kHkeyLocalMachine, u"A"), std::nullopt);
    SqliteRegistry second(one);
    ASSERT_EQ(put(second, kHkeyLocalMachine, u"A", u"1"), 0);
    EXPECT_EQ(get(first, kHkeyLocalMachine, u"A"), sz(u"1"));
    EXPECT_EQ(put(first, kHkeyLocalMachine, u"A", u"2"), 0);
    EXPECT_EQ(get(second, kHkeyLocalMachine, u"A"), sz(u"2"));
  }
}

TEST_F(SqliteStoreTest, PlaceThatCannotHoldAStoreIsReported) {
  writeFile(dir / "plain", "x");
  fs::create_directories(dir / "folder.db");
  ASSERT_EQ(::mkfifo((dir / "fifo.db").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir / "plain/sub/registry.db", "cannot be created: Not a directory"},
      {dir / "folder.db", "is a folder, not a file"},
      {dir / "fifo.db", "is not a regular file"}};
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    SqliteRegistry store(StoreLocations::singleFile(path));
    EXPECT_EQ(put(store, kHkeyLocalMachine, u"A", u"1"), kErrorRegistryIoFailed);
    EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + path + " " + reason));
  }
  SqliteRegistry store(StoreLocations{machine, ""});
  EXPECT_EQ(get(store, kHkeyCurrentUser, u"A"), std::nullopt);
  EXPECT_EQ(put(store, kHkeyCurrentUser, u"A", u"1"), kErrorAccessDenied);
  EXPECT_EQ(store.Diagnostic(),
            u"The user's registry store has no place: neither XDG_STATE_HOME nor HOME is set");
}

TEST_F(SqliteStoreTest, StoreOnANetworkFileSystemIsRefused) {
  posix::StoreOptions options;
  std::string asked;
  options.fileSystemType = [&](const std::string& path) { return asked = path, 0x6969L; };
  SqliteRegistry store(one, options);
  EXPECT_EQ(put(store, kHkeyLocalMachine, u"A", u"1"), kErrorNotSupported);
  EXPECT_EQ(asked, single);
  EXPECT_EQ(store.Diagnostic(),
            text::fromUtf8("The registry store " + single) +
                u" is on a network file system (NFS), where its file locking cannot be trusted; "
                u"keep it on a local disk (SIGPATCH_REGISTRY names another file)");
  EXPECT_FALSE(fs::exists(single));
  const auto type = posix::fileSystemTypeOf(dir.path());
  EXPECT_NE(type, -1);
  EXPECT_EQ(posix::fileSystemTypeOf(dir / "not/yet/there.db"), type) << "its nearest folder's";
}

// A store that is not one, or is damaged, is reported and never changed.
TEST_F(SqliteStoreTest, DamagedOrForeignStoreIsReportedAndLeftAsItIs) {
  const std::u16string leftAsItIs =
      u"; it was left as it is: restore it from a backup, or move it aside to start with empty "
      u"settings";
  const std::tuple<const char*, bool, const char*, std::u16string> cases[] = {
      {"a garbage header", false, nullptr,
       u" is damaged: it does not begin with an SQLite database header" + leftAsItIs},
      {"another program's database", false,
       "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('a', 1);",
       u" is not a registry store of Sigpatch (another program's database); it was left as it is"},
      {"a newer format", true, "PRAGMA user_version=2",
       u" was written by a newer Sigpatch (store format 2); it was left as it is"},
      {"a value changed behind the store's back", true, "UPDATE vals SET data=x'320000'",
       u" is damaged (a value fails its checksum)" + leftAsItIs},
      {"a key renamed behind the store's back", true,
       "UPDATE keys SET name=x'42000000' WHERE fold=x'0041'",
       u" is damaged (a key fails its checksum)" + leftAsItIs}};
  for (const auto& [what, good, statements, report] : cases) {
    SCOPED_TRACE(what);
    removeStore(single);
    if (good) put(*std::make_unique<SqliteRegistry>(one), kHkeyLocalMachine, u"A", u"1");
    if (statements) sql(single, statements);
    if (!statements) writeFile(single, "This is no database at all." + std::string(4000, 'Z'));
    const auto before = readFile(single);
    SqliteRegistry store(one);
    EXPECT_EQ(get(store, kHkeyLocalMachine, u"A"), std::nullopt);
    EXPECT_EQ(put(store, kHkeyLocalMachine, u"A", u"1"), kErrorRegistryCorrupt);
    EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + single) + report);
    EXPECT_EQ(readFile(single), before);
  }
}

// Random bytes written into a good store: opening it either says it is damaged,
// or every value reads back exactly as written; the file is never changed.
TEST_F(SqliteStoreTest, RandomBytesInsideAreReportedOrHarmless) {
  const auto key = [](int i) { return u"SOFTWARE\\K" + text::dec(i % 6); };
  const auto name = [](int i) { return u"Value " + text::dec(i); };
  const auto data = [](int i) {
    return utf16(u"data " + text::dec(i * 7919) + std::u16string(i, u'\u00E9'));
  };
  {
    SqliteRegistry store(one);
    for (int i = 0; i < 60; ++i)
      ASSERT_EQ(storeValue(store, kHkeyLocalMachine, key(i), name(i), kRegSz, data(i)), 0);
  }
  const auto original = readFile(single), trial = dir / "trial.db";
  std::mt19937 random(20240611);
  int reported = 0;
  for (int round = 0; round < 160; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    auto damaged = original;
    const auto at = 100 + random() % (original.size() - 100);
    for (auto i = 1 + random() % 24; i > 0 && at + i <= damaged.size(); --i)
      damaged[at + i - 1] = char(random());
    removeStore(trial);
    writeFile(trial, damaged);
    SqliteRegistry store(StoreLocations::singleFile(trial));
    int i = 0;
    for (std::optional<StoredValue> found;
         i < 60 && (found = storedValue(store, kHkeyLocalMachine, key(i), name(i))); ++i) {
      ASSERT_EQ(*found, (StoredValue{kRegSz, data(i)})) << "silently changed";
    }
    if (i < 60) {
      ASSERT_NE(store.Diagnostic().find(u"is damaged"), std::u16string::npos)
          << "a value went missing without a report";
      ++reported;
    }
    ASSERT_EQ(readFile(trial), damaged) << "a damaged store is never changed";
  }
  EXPECT_GT(reported, 30) << "the damage should often hit live data";
}

}  // namespace
}  // namespace sigpatch::testing
