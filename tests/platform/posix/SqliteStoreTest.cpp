#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "PosixTestSupport.h"
#include "platform/posix/FileSystemKind.h"
#include "platform/posix/SqliteRegistry.h"
#include "registry/RegistryTestSupport.h"
#include "runtime/Text.h"

namespace sigpatch {
namespace {

using namespace platform;
using posix::SqliteRegistry;
using posix::StoreLocations;
using testing::Bytes;
using testing::readFile;
using testing::ScopedEnv;
using testing::StoredValue;
using testing::storedValue;
using testing::storeValue;
using testing::utf16;
using testing::writeFile;
namespace fs = std::filesystem;

// Runs SQL on a store file with SQLite itself, as another program would.
void sql(const std::string& path, const char* statements) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, statements, nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::string sqlText(const std::string& path, const char* query) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  std::string result;
  if (sqlite3_prepare_v2(db, query, -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return result;
}

TEST(StoreLocationsTest, OneFileWhenSigpatchRegistryNamesIt) {
  ScopedEnv single("SIGPATCH_REGISTRY", "/srv/settings/all.db");
  const auto locations = StoreLocations::fromEnvironment();
  EXPECT_EQ(locations.machine, "/srv/settings/all.db");
  EXPECT_TRUE(locations.SingleFile());
}

TEST(StoreLocationsTest, RelativeFileIsTakenFromTheWorkingFolder) {
  ScopedEnv single("SIGPATCH_REGISTRY", "settings/all.db");
  EXPECT_EQ(StoreLocations::fromEnvironment().user,
            (fs::current_path() / "settings/all.db").string());
}

TEST(StoreLocationsTest, MachineWideAndTheUsersStateFolder) {
  ScopedEnv single("SIGPATCH_REGISTRY", std::nullopt);
  ScopedEnv state("XDG_STATE_HOME", "/home/ann/state");
  const auto locations = StoreLocations::fromEnvironment();
  EXPECT_EQ(locations.machine, "/var/lib/sigpatch/registry.db");
  EXPECT_EQ(locations.user, "/home/ann/state/sigpatch/user.db");
}

TEST(StoreLocationsTest, WithoutAnAbsoluteStateFolderTheHomeFolderServes) {
  ScopedEnv single("SIGPATCH_REGISTRY", "");
  ScopedEnv home("HOME", "/home/bob");
  {
    ScopedEnv state("XDG_STATE_HOME", std::nullopt);
    EXPECT_EQ(StoreLocations::fromEnvironment().user, "/home/bob/.local/state/sigpatch/user.db");
  }
  ScopedEnv state("XDG_STATE_HOME", "relative/state");
  EXPECT_EQ(StoreLocations::fromEnvironment().user, "/home/bob/.local/state/sigpatch/user.db");
}

class SqliteStoreTest : public ::testing::Test {
 protected:
  testing::TempFolder dir;
  std::string machine = dir / "lib/sigpatch/registry.db";
  std::string user = dir / "home/.local/state/sigpatch/user.db";
  StoreLocations separate{machine, user};
  std::string single = dir / "registry.db";
};

TEST_F(SqliteStoreTest, ReadingWithoutStoreFilesIsNotFoundAndCreatesNothing) {
  SqliteRegistry store(separate);
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
    SqliteRegistry store(separate);
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
    SqliteRegistry store(StoreLocations::singleFile(single));
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  }
  EXPECT_EQ(sqlText(single, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(sqlText(single, "PRAGMA application_id"), std::to_string(0x53505247));
  EXPECT_TRUE(fs::exists(single + "-wal"));
  EXPECT_TRUE(fs::exists(single + "-shm"));
  EXPECT_EQ(fs::file_size(single + "-wal"), 0u) << "checkpointed and emptied on close";
}

TEST_F(SqliteStoreTest, TwoObjectsOnOneFileSeeEachOthersChanges) {
  SqliteRegistry first(StoreLocations::singleFile(single));
  SqliteRegistry second(StoreLocations::singleFile(single));
  ASSERT_EQ(storeValue(first, kHkeyUsers, u"S", u"V", kRegSz, utf16(u"1")), 0);
  EXPECT_EQ(storedValue(second, kHkeyUsers, u"S", u"V"), (StoredValue{kRegSz, utf16(u"1")}));
  ASSERT_EQ(storeValue(second, kHkeyUsers, u"S", u"V", kRegSz, utf16(u"2")), 0);
  EXPECT_EQ(storedValue(first, kHkeyUsers, u"S", u"V"), (StoredValue{kRegSz, utf16(u"2")}));
}

TEST_F(SqliteStoreTest, EmptyFileIsAnEmptyStoreThatTheFirstWriteSetsUp) {
  writeFile(single, "");
  SqliteRegistry store(StoreLocations::singleFile(single));
  EXPECT_EQ(storedValue(store, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
  EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  EXPECT_EQ(storedValue(store, kHkeyLocalMachine, u"A", u"V"), (StoredValue{kRegSz, utf16(u"1")}));
}

TEST_F(SqliteStoreTest, StoreSetUpByAnotherObjectAfterThisOneOpenedItIsSeen) {
  writeFile(single, "");
  SqliteRegistry first(StoreLocations::singleFile(single));
  EXPECT_EQ(storedValue(first, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
  SqliteRegistry second(StoreLocations::singleFile(single));
  ASSERT_EQ(storeValue(second, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  EXPECT_EQ(storedValue(first, kHkeyLocalMachine, u"A", u"V"), (StoredValue{kRegSz, utf16(u"1")}));
  EXPECT_EQ(storeValue(first, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"2")), 0);
  EXPECT_EQ(storedValue(second, kHkeyLocalMachine, u"A", u"V"), (StoredValue{kRegSz, utf16(u"2")}));
}

TEST_F(SqliteStoreTest, UserStoreWithoutAPlaceCanBeReadButNotWritten) {
  SqliteRegistry store(StoreLocations{machine, ""});
  EXPECT_EQ(storedValue(store, kHkeyCurrentUser, u"A", u"V"), std::nullopt);
  EXPECT_EQ(storeValue(store, kHkeyCurrentUser, u"A", u"V", kRegSz, utf16(u"1")),
            kErrorAccessDenied);
  EXPECT_EQ(store.Diagnostic(),
            u"The user's registry store has no place: neither XDG_STATE_HOME nor HOME is set");
}

TEST_F(SqliteStoreTest, PlaceThatCannotHoldAStoreIsReported) {
  writeFile(dir / "plain", "x");
  fs::create_directories(dir / "folder.db");
  ASSERT_EQ(::mkfifo((dir / "fifo.db").c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {
      {dir / "plain/sub/registry.db", "cannot be created: Not a directory"},
      {dir / "folder.db", "is a folder, not a file"},
      {dir / "fifo.db", "is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    SqliteRegistry store(StoreLocations::singleFile(c.path));
    EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
              kErrorRegistryIoFailed);
    EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + c.path + " " + c.reason));
  }
  for (const auto& path : {dir / "folder.db", dir / "fifo.db"}) {
    SqliteRegistry store(StoreLocations::singleFile(path));
    RegKey key = 0;
    EXPECT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), kErrorRegistryIoFailed)
        << "reading is refused as well";
  }
}

// Damage.

const std::u16string kLeftAsItIs =
    u"; it was left as it is: restore it from a backup, or move it aside to start with empty "
    u"settings";

TEST_F(SqliteStoreTest, GarbageHeaderIsReportedAndTheFileLeftAlone) {
  const std::string garbage = "This is no database at all." + std::string(4000, '\x5A');
  writeFile(single, garbage);
  SqliteRegistry store(StoreLocations::singleFile(single));
  RegKey key = 0;
  EXPECT_EQ(store.OpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, key), kErrorRegistryCorrupt);
  EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
            kErrorRegistryCorrupt);
  EXPECT_EQ(store.Diagnostic(),
            text::fromUtf8("The registry store " + single) +
                u" is damaged: it does not begin with an SQLite database header" + kLeftAsItIs);
  EXPECT_EQ(readFile(single), garbage);
}

TEST_F(SqliteStoreTest, AnotherProgramsDatabaseIsRefused) {
  sql(single, "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('a', 1);");
  const auto before = readFile(single);
  SqliteRegistry store(StoreLocations::singleFile(single));
  EXPECT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")),
            kErrorRegistryCorrupt);
  EXPECT_EQ(store.Diagnostic(),
            text::fromUtf8("The registry store " + single) +
                u" is not a registry store of Sigpatch (another program's database); it was left "
                u"as it is");
  EXPECT_EQ(readFile(single), before);
}

TEST_F(SqliteStoreTest, StoreOfANewerFormatIsRefused) {
  {
    SqliteRegistry store(StoreLocations::singleFile(single));
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  }
  sql(single, "PRAGMA user_version=2");
  SqliteRegistry store(StoreLocations::singleFile(single));
  EXPECT_EQ(storedValue(store, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
  EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + single) +
                                    u" was written by a newer Sigpatch (store format 2); it was "
                                    u"left as it is");
}

TEST_F(SqliteStoreTest, ValueChangedBehindTheStoresBackFailsItsChecksum) {
  {
    SqliteRegistry store(StoreLocations::singleFile(single));
    ASSERT_EQ(storeValue(store, kHkeyLocalMachine, u"A", u"V", kRegSz, utf16(u"1")), 0);
  }
  sql(single, "UPDATE vals SET data=x'320000'");
  SqliteRegistry store(StoreLocations::singleFile(single));
  EXPECT_EQ(storedValue(store, kHkeyLocalMachine, u"A", u"V"), std::nullopt);
  EXPECT_EQ(store.Diagnostic(), text::fromUtf8("The registry store " + single) +
                                    u" is damaged (a key or value fails its checksum)" +
                                    kLeftAsItIs);
}

// Random bytes written into a good store: opening it either says it is damaged,
// or every value reads back exactly as written. Nothing is lost silently.
TEST_F(SqliteStoreTest, RandomBytesInsideAreReportedOrHarmless) {
  std::vector<std::pair<std::u16string, Bytes>> values;
  {
    SqliteRegistry store(StoreLocations::singleFile(single));
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

// Network file systems.

TEST(FileSystemKindTest, NamesNetworkFileSystems) {
  EXPECT_EQ(posix::networkFileSystemName(0x6969), "NFS");
  EXPECT_EQ(posix::networkFileSystemName(0xFF534D42), "CIFS");
  EXPECT_EQ(posix::networkFileSystemName(0xFE534D42), "SMB2");
  EXPECT_EQ(posix::networkFileSystemName(0x517B), "SMB");
  EXPECT_EQ(posix::networkFileSystemName(0x01021997), "9P");
  EXPECT_EQ(posix::networkFileSystemName(0xEF53), "") << "ext4";
  EXPECT_EQ(posix::networkFileSystemName(0x01021994), "") << "tmpfs";
  EXPECT_EQ(posix::networkFileSystemName(0x9123683E), "") << "btrfs";
}

TEST(FileSystemKindTest, MissingPathHasTheTypeOfItsNearestFolder) {
  testing::TempFolder dir;
  const auto type = posix::fileSystemTypeOf(dir.path());
  EXPECT_NE(type, -1);
  EXPECT_EQ(posix::fileSystemTypeOf(dir / "not/yet/there.db"), type);
}

TEST_F(SqliteStoreTest, StoreOnANetworkFileSystemIsRefused) {
  posix::StoreOptions options;
  std::string asked;
  options.fileSystemType = [&](const std::string& path) {
    asked = path;
    return 0x6969L;
  };
  SqliteRegistry store(StoreLocations::singleFile(single), options);
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
}

}  // namespace
}  // namespace sigpatch
