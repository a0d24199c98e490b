#include "platform/posix/SqliteStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/RegistryApi.h"
#include "platform/RegistryRules.h"
#include "platform/posix/FileSystemKind.h"
#include "runtime/Text.h"

namespace sigpatch::platform::posix {
namespace {

// "SPRG" in the database header: a store of ours.
constexpr int kApplicationId = 0x53505247;
constexpr int kFormatVersion = 1;

// How many writers counted themselves in and out (a store made before it
// existed gets it from its next writer).
constexpr const char* kOpensTable =
    "CREATE TABLE IF NOT EXISTS opens("
    " id INTEGER PRIMARY KEY CHECK(id = 1),"
    " opened INTEGER NOT NULL,"
    " closed INTEGER NOT NULL)";

// A second way to a key's sub-keys, beside the index of their names: a name
// that one index lost is still found through the other.
constexpr const char* kKeysByParent = "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent)";

// The bytes of the writers file, one a writer that is open now; a writer past
// the last finds none and is not seen as open (its store is checked whole).
constexpr int kWriterBytes = 64;

constexpr const char* kSchema[] = {
    "CREATE TABLE keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER NOT NULL,"
    " depth INTEGER NOT NULL,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " class BLOB NOT NULL,"
    " written INTEGER NOT NULL,"
    " sum INTEGER NOT NULL,"
    " UNIQUE(parent, fold))",
    // Values keep the order in which they were first written (their id).
    "CREATE TABLE vals("
    " id INTEGER PRIMARY KEY,"
    " key INTEGER NOT NULL,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " sum INTEGER NOT NULL,"
    " UNIQUE(key, fold))",
    "CREATE INDEX vals_in_order ON vals(key)",
    kOpensTable,
    "INSERT INTO opens(id, opened, closed) VALUES(1, 0, 0)",
    kKeysByParent,
};

using Blob = std::string;

Blob littleEndian(std::u16string_view text) {
  Blob bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The folded name with the high byte first, so that comparing the bytes
// compares the code units.
Blob foldedKey(std::u16string_view name) {
  Blob bytes;
  const auto folded = regrules::fold(name);
  bytes.reserve(folded.size() * 2);
  for (char16_t c : folded) {
    bytes.push_back(static_cast<char>(c >> 8));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  return bytes;
}

std::u16string fromLittleEndian(const void* data, int size) {
  std::u16string text;
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (int i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

// FNV-1a over every field of a row, each field preceded by its length.
class Checksum {
 public:
  Checksum& add(std::int64_t number) {
    for (int i = 0; i < 8; ++i) byte(static_cast<unsigned char>(number >> (8 * i)));
    return *this;
  }
  Checksum& add(const void* data, std::size_t size) {
    add(static_cast<std::int64_t>(size));
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) byte(bytes[i]);
    return *this;
  }
  Checksum& add(const Blob& blob) { return add(blob.data(), blob.size()); }
  std::int64_t value() const { return static_cast<std::int64_t>(hash_); }

 private:
  void byte(unsigned char b) {
    hash_ ^= b;
    hash_ *= 1099511628211ull;
  }
  std::uint64_t hash_ = 14695981039346656037ull;
};

std::int64_t keySum(std::int64_t id, std::int64_t parent, std::int64_t depth, const Blob& name,
                    const Blob& fold, const Blob& className) {
  return Checksum().add(id).add(parent).add(depth).add(name).add(fold).add(className).value();
}

std::int64_t valueSum(std::int64_t key, const Blob& name, const Blob& fold, std::int64_t type,
                      const void* data, std::size_t size) {
  return Checksum().add(key).add(name).add(fold).add(type).add(data, size).value();
}

Blob columnBlob(sqlite3_stmt* statement, int column) {
  const void* data = sqlite3_column_blob(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  return data ? Blob(static_cast<const char*>(data), static_cast<std::size_t>(size)) : Blob();
}

int bindBlob(sqlite3_stmt* statement, int index, const void* data, std::size_t size) {
  if (size == 0) return sqlite3_bind_zeroblob(statement, index, 0);
  return sqlite3_bind_blob64(statement, index, data, size, SQLITE_TRANSIENT);
}
int bindBlob(sqlite3_stmt* statement, int index, const Blob& blob) {
  return bindBlob(statement, index, blob.data(), blob.size());
}

// Resets a cached statement when the step that uses it is over.
class Use {
 public:
  explicit Use(sqlite3_stmt* statement) : statement_(statement) {}
  ~Use() {
    if (statement_) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  sqlite3_stmt* operator*() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }

 private:
  sqlite3_stmt* statement_;
};

// The diagnostic of a store that is damaged: "is damaged", then what is wrong
// (" (in SQLite's words)" or ": in ours"), then what the user can do about it.
std::string damaged(const std::string& what) {
  return "is damaged" + what +
         "; it was left as it is: restore it from a backup, or move it aside to start with empty "
         "settings";
}

// What is wrong with a store in which a key or value fails its checksum when
// the store is opened.
constexpr const char* kRowFailsItsChecksum = " (a key or value fails its checksum)";

std::string systemError(int number) { return number ? std::strerror(number) : "unknown cause"; }

// A text of several lines (SQLite's integrity report) as one: its lines joined
// by "; ", without the report's headings ("*** in database main ***").
std::string oneLine(const std::string& text) {
  std::string line;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    auto part = text.substr(start, end - start);
    for (std::size_t at; (at = part.find("*** in database ")) != std::string::npos;) {
      const auto close = part.find(" ***", at + 16);
      part.erase(at, close == std::string::npos ? std::string::npos : close + 4 - at);
    }
    while (!part.empty() && part.back() == ' ') part.pop_back();
    while (!part.empty() && part.front() == ' ') part.erase(0, 1);
    if (!part.empty()) line += (line.empty() || line.back() == '(' ? "" : "; ") + part;
    start = end + 1;
  }
  return line;
}

}  // namespace

SqliteStore::SqliteStore(std::string path, StoreOptions options)
    : path_(std::move(path)), options_(std::move(options)) {
  if (!options_.fileSystemType) options_.fileSystemType = fileSystemTypeOf;
}

SqliteStore::~SqliteStore() { close(); }

void SqliteStore::close() {
  countClosed();
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  statements_.clear();
  keptKeys_.clear();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  if (state_ == State::Open) state_ = State::Closed;
  initialised_ = false;
  leftOpen_ = false;
  closedAgain_ = false;
  checkedWhole_ = false;
}

bool SqliteStore::Writable() const {
  if (options_.readOnly || state_ == State::Refused) return false;
  if (state_ == State::Open) return sqlite3_db_readonly(db_, "main") == 0;
  return true;
}

void SqliteStore::describe(const std::string& what) {
  diagnostic_ = text::fromUtf8(oneLine("The registry store " + path_ + " " + what));
}

std::int32_t SqliteStore::refuse(std::int32_t code, const std::string& reason) {
  // The connection is closed when the operation under way is over (statements
  // may still be in use here).
  describe(reason);
  state_ = State::Refused;
  refusal_ = code;
  return code;
}

std::int32_t SqliteStore::fail(int sqliteCode) {
  const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(sqliteCode);
  const int number = db_ ? sqlite3_system_errno(db_) : 0;
  auto note = [&](const std::string& what) { describe(what); };
  switch (sqliteCode & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return refuse(kErrorRegistryCorrupt, damaged(" (" + message + ")"));
    case SQLITE_FULL:
      note("could not be written: the disk is full");
      return kErrorDiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      note("may not be changed (" + message + ")");
      return kErrorAccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      note("stayed locked by another process");
      return kErrorBusy;
    case SQLITE_NOMEM:
      return kErrorOutOfMemory;
    case SQLITE_TOOBIG:
      return kErrorInvalidParameter;
    case SQLITE_CANTOPEN:
      if (number == EACCES || number == EPERM) {
        note("cannot be opened: " + systemError(number));
        return kErrorAccessDenied;
      }
      note("cannot be opened: " + systemError(number));
      return kErrorRegistryIoFailed;
    default:
      note("could not be read or written (" + message + ": " + systemError(number) + ")");
      return kErrorRegistryIoFailed;
  }
}

int SqliteStore::busyHandler(void* self, int count) {
  auto* store = static_cast<SqliteStore*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) store->busySince_ = now;
  // Writers wait their turn; only a lock held for a whole minute is given up on.
  if (now - store->busySince_ > std::chrono::seconds(60)) return 0;
  std::this_thread::sleep_for(
      std::chrono::microseconds(count < 20 ? 250 + 100 * (count % 5) : 1000 + 500 * (count % 4)));
  return 1;
}

sqlite3_stmt* SqliteStore::statement(const char* sql) {
  if (const auto it = statements_.find(sql); it != statements_.end()) return it->second;
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr) !=
      SQLITE_OK) {
    return nullptr;
  }
  statements_[sql] = prepared;
  return prepared;
}

std::int32_t SqliteStore::exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? kErrorSuccess : fail(rc);
}

std::int32_t SqliteStore::run(const char* sql) {
  Use use(statement(sql));
  if (!use) return fail(sqlite3_errcode(db_));
  const int rc = sqlite3_step(*use);
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? kErrorSuccess : fail(rc);
}

bool SqliteStore::findKept(const std::string& kept, KeyId& id) {
  if (!keepKeys_) return false;
  const auto it = keptKeys_.find(kept);
  if (it == keptKeys_.end()) return false;
  usedKeptKeys_ = true;
  id = it->second;
  return true;
}

void SqliteStore::keep(const std::string& kept, KeyId id) {
  // Only keys found in the same version of the store are kept together.
  if (unsigned version = 0;
      keepKeys_ && dataVersion(version) && (keptKeys_.empty() || version == keptVersion_)) {
    keptVersion_ = version;
    keptKeys_.emplace(kept, id);
  }
}

const std::string& SqliteStore::keptName(char kind, KeyId from, const void* name,
                                         std::size_t size) const {
  // Made in one buffer, so that looking a key up costs no allocation.
  keptBuffer_.assign(1, kind).append(reinterpret_cast<const char*>(&from), sizeof from);
  keptBuffer_.append(static_cast<const char*>(name), size);
  return keptBuffer_;
}

const std::string& SqliteStore::keptPath(KeyId from, std::u16string_view path) const {
  return keptName('P', from, path.data(), path.size() * sizeof(char16_t));
}

bool SqliteStore::IsKept(KeyId from, std::u16string_view path) const {
  return keptKeys_.count(keptPath(from, path)) != 0;
}

bool SqliteStore::FindKept(KeyId from, std::u16string_view path, KeyId& id) {
  return findKept(keptPath(from, path), id);
}

void SqliteStore::Keep(KeyId from, std::u16string_view path, KeyId id) {
  keep(keptPath(from, path), id);
}

bool SqliteStore::dataVersion(unsigned& version) {
  // Only a statement begins the read: before it, the version may be older
  // than the snapshot the statements see.
  return sqlite3_txn_state(db_, "main") != SQLITE_TXN_NONE &&
         sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
}

std::int32_t SqliteStore::ready(bool forWriting) {
  if (state_ == State::Refused) {
    close();
    return refusal_;
  }
  if (state_ == State::Closed) {
    if (path_.empty()) {
      if (!forWriting) return kMissing;
      diagnostic_ =
          u"The user's registry store has no place: neither XDG_STATE_HOME nor HOME is set";
      return kErrorAccessDenied;
    }
    const auto network = networkFileSystemName(options_.fileSystemType(path_));
    if (!network.empty()) {
      return refuse(kErrorNotSupported,
                    "is on a network file system (" + network +
                        "), where its file locking cannot be trusted; keep it on a local disk "
                        "(SIGPATCH_REGISTRY names another file)");
    }
    struct stat info {};
    if (::stat(path_.c_str(), &info) != 0) {
      if (errno == EACCES) {
        describe("cannot be reached: " + systemError(errno));
        return kErrorAccessDenied;
      }
      if (!forWriting) return kMissing;
      if (options_.readOnly) return kErrorAccessDenied;
      std::error_code error;
      std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
      if (error) {
        describe("cannot be created: " + error.message());
        const bool denied = error == std::errc::permission_denied ||
                            error == std::errc::operation_not_permitted ||
                            error == std::errc::read_only_file_system;
        return denied ? kErrorAccessDenied : kErrorRegistryIoFailed;
      }
      if (const auto code = open(true); code != 0) {
        close();
        return code;
      }
    } else if (S_ISDIR(info.st_mode)) {
      return refuse(kErrorRegistryIoFailed, "is a folder, not a file");
    } else if (!S_ISREG(info.st_mode)) {
      return refuse(kErrorRegistryIoFailed, "is not a regular file");
    } else if (const auto code = open(false); code != 0) {
      close();
      return code;
    }
  }
  // A store that was empty when it was opened may have been set up since.
  if (!initialised_) {
    if (const auto code = validate(); code != 0) return code;
  }
  if (!forWriting) return initialised_ ? kErrorSuccess : kMissing;
  if (!Writable()) {
    if (diagnostic_.empty()) {
      describe("may not be changed");
    }
    return kErrorAccessDenied;
  }
  return initialised_ ? kErrorSuccess : initialise();
}

std::int32_t SqliteStore::open(bool create) {
  // A file that does not begin with SQLite's header is damaged, whatever SQLite
  // would make of it; an empty file is a store that was never written.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && !create) {
    const int number = errno;
    describe("cannot be opened: " + systemError(number));
    return number == EACCES ? kErrorAccessDenied : kErrorRegistryIoFailed;
  }
  if (fd >= 0) {
    char header[100];
    const auto got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got != 0 && (got != static_cast<ssize_t>(sizeof header) ||
                     std::memcmp(header, "SQLite format 3", 16) != 0)) {
      return refuse(kErrorRegistryCorrupt,
                    damaged(": it does not begin with an SQLite database header"));
    }
  }
  // A connection is used by one thread at a time: SQLite's own mutexes are not needed.
  int flags =
      (options_.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  if (create && !options_.readOnly) flags |= SQLITE_OPEN_CREATE;
  const int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const auto code = fail(rc);
    close();
    return code;
  }
  state_ = State::Open;
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_handler(db_, busyHandler, this);
  // The write-ahead log and its index stay when the last connection closes, so
  // that a user who may only read the store can still open it.
  int persist = 1;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  if (const auto code = exec("PRAGMA synchronous=FULL; PRAGMA journal_size_limit=4194304");
      code != 0) {
    return code;
  }
  return validate();
}

std::int32_t SqliteStore::scalar(const char* sql, std::int64_t& value) {
  Use use(statement(sql));
  if (!use) return fail(sqlite3_errcode(db_));
  const int rc = sqlite3_step(*use);
  if (rc != SQLITE_ROW) return fail(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
  value = sqlite3_column_int64(*use, 0);
  return kErrorSuccess;
}

std::int32_t SqliteStore::validate() {
  std::int64_t objects = 0;
  if (const auto code = scalar("SELECT count(*) FROM sqlite_schema", objects); code != 0) {
    return code;
  }
  if (objects == 0) {
    initialised_ = false;
    return kErrorSuccess;
  }
  if (const auto code = checkFormat(); code != 0) return code;
  if (Writable()) {
    if (const auto code = useWriteAheadLog(); code != 0) return code;
  }
  if (!closedCleanly()) {
    leftOpen_ = true;
    if (const auto code = checkWhole(); code != 0) return code;
    closedAgain_ = Writable() && markClean();
  }
  initialised_ = true;
  return kErrorSuccess;
}

std::int32_t SqliteStore::checkWhole() {
  if (const auto code = checkIntegrity(); code != 0) return code;
  if (const auto code = checkKeySums(); code != 0) return code;
  if (const auto code = checkValueSums(); code != 0) return code;
  checkedWhole_ = true;
  return kErrorSuccess;
}

int SqliteStore::openWriters(bool create) {
  struct stat store {};
  if (::stat(path_.c_str(), &store) != 0) return -1;
  const std::string path = path_ + "-writers";
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW;
  int fd = create ? ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kFlags, 0600) : -1;
  if (fd >= 0 && ::geteuid() == 0 && store.st_uid != 0) {
    // Made by root for a store of another user: the store's owner keeps it.
    if (::fchown(fd, store.st_uid, store.st_gid) != 0) {
      ::close(fd);
      return -1;
    }
  }
  if (fd < 0) fd = ::open(path.c_str(), O_RDWR | kFlags);
  if (fd < 0 && !create && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | kFlags);
  if (fd < 0) return -1;
  // Only a file of the store's owner that nobody else may open counts: another
  // user's could claim writers that are not there.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != store.st_uid ||
      (info.st_mode & 077) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

namespace {

// Byte `byte` of the writers file, to lock or test as a writer's.
struct flock writerByte(int byte) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return lock;
}

}  // namespace

int SqliteStore::liveWriters() {
  const int fd = writersFd_ >= 0 ? writersFd_ : openWriters(false);
  if (fd < 0) return 0;
  int live = 0;
  for (int byte = 0; byte < kWriterBytes; ++byte) {
    auto lock = writerByte(byte);
    if (::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK) ++live;
  }
  if (fd != writersFd_) ::close(fd);
  return live;
}

bool SqliteStore::closedCleanly() {
  // A writer holds its byte from before the change that counts it in until
  // after the one that counts it out. A writer seen both before and after the
  // row was read held it when it was read; one that is seen while its count
  // is not in the row yet can only delay finding a writer that ended without
  // closing, whose count stays until the store is checked whole.
  const int before = liveWriters();
  std::int64_t opened = 0;
  std::int64_t closed = 0;
  {
    Use row(statement("SELECT opened, closed FROM opens WHERE id=1"));
    if (!row || sqlite3_step(*row) != SQLITE_ROW) return false;
    opened = sqlite3_column_int64(*row, 0);
    closed = sqlite3_column_int64(*row, 1);
  }
  return opened - closed <= std::min(before, liveWriters());
}

bool SqliteStore::markClean() {
  // Not being able to mark it (a full disk, a busy store) only means the next
  // connection checks it whole again.
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  bool marked = sqlite3_exec(db_, kOpensTable, nullptr, nullptr, nullptr) == SQLITE_OK &&
                sqlite3_exec(db_, kKeysByParent, nullptr, nullptr, nullptr) == SQLITE_OK &&
                sqlite3_exec(db_, "INSERT OR IGNORE INTO opens(id, opened, closed) VALUES(1, 0, 0)",
                             nullptr, nullptr, nullptr) == SQLITE_OK;
  if (marked) {
    // No writer counts itself in or out while this transaction holds the
    // store, so every writer holding its byte now is counted in and not out
    // yet, or will count itself in later: the writers still to close are at
    // most these.
    const std::string sql =
        "UPDATE opens SET closed = opened - " + std::to_string(liveWriters()) + " WHERE id=1";
    marked = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  if (marked) marked = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return marked;
}

std::int32_t SqliteStore::countOpened() {
  if (opened_ || opening_) return kErrorSuccess;
  holdWriterByte();
  auto code = exec(kOpensTable);
  if (code == 0) code = exec(kKeysByParent);
  if (code == 0) {
    code = exec(
        "INSERT OR IGNORE INTO opens(id, opened, closed) VALUES(1, 0, 0); "
        "UPDATE opens SET opened = opened + 1 WHERE id=1");
  }
  if (code != 0) {
    releaseWriterByte();
    return code;
  }
  opening_ = true;
  return kErrorSuccess;
}

void SqliteStore::settleOpened(bool committed) {
  if (!opening_) return;
  opening_ = false;
  opened_ = committed;
  if (!committed) releaseWriterByte();
}

void SqliteStore::holdWriterByte() {
  if (writersFd_ < 0) writersFd_ = openWriters(true);
  if (writersFd_ < 0) return;
  for (int byte = 0; byte < kWriterBytes; ++byte) {
    auto lock = writerByte(byte);
    if (::fcntl(writersFd_, F_OFD_SETLK, &lock) == 0) return;
  }
}

void SqliteStore::releaseWriterByte() {
  if (writersFd_ >= 0) ::close(writersFd_);
  writersFd_ = -1;
}

void SqliteStore::countClosed() {
  // The byte is let go after the count: between the two the writer still
  // shows as open, which can only delay a check, never lose one.
  if (opened_ && db_ && state_ == State::Open) {
    sqlite3_exec(db_, "UPDATE opens SET closed = closed + 1 WHERE id=1", nullptr, nullptr, nullptr);
  }
  releaseWriterByte();
  opened_ = false;
  opening_ = false;
}

SqliteStore::WholeCheck SqliteStore::CheckWhole() {
  WholeCheck check;
  const bool opening = !initialised_;
  check.result = ready(false);
  if (check.result == kMissing) {
    check.result = kErrorSuccess;
    return check;
  }
  check.exists = true;
  check.leftOpen = leftOpen_;
  if (check.result == 0 && !(opening && checkedWhole_)) {
    check.result = checkWhole();
    if (check.result == 0 && leftOpen_ && !closedAgain_) closedAgain_ = Writable() && markClean();
  }
  check.closedAgain = closedAgain_;
  if (check.result == 0) check.result = scalar("SELECT count(*) FROM keys", check.keys);
  if (check.result == 0) check.result = scalar("SELECT count(*) FROM vals", check.values);
  if (state_ == State::Refused) close();
  return check;
}

std::int32_t SqliteStore::checkFormat() {
  std::int64_t application = 0;
  std::int64_t version = 0;
  std::int64_t tables = 0;
  if (auto code = scalar("PRAGMA application_id", application); code != 0) return code;
  if (auto code = scalar("PRAGMA user_version", version); code != 0) return code;
  if (application != kApplicationId) {
    return refuse(kErrorRegistryCorrupt,
                  "is not a registry store of Sigpatch (another program's database); it was "
                  "left as it is");
  }
  if (version > kFormatVersion) {
    return refuse(kErrorRegistryCorrupt, "was written by a newer Sigpatch (store format " +
                                             std::to_string(version) + "); it was left as it is");
  }
  if (auto code = scalar("SELECT count(*) FROM sqlite_schema WHERE type='table' AND name IN "
                         "('keys','vals')",
                         tables);
      code != 0) {
    return code;
  }
  if (tables != 2 || version != kFormatVersion) return fail(SQLITE_CORRUPT);
  return kErrorSuccess;
}

std::int32_t SqliteStore::useWriteAheadLog() {
  std::int64_t ignored = 0;
  Use mode(statement("PRAGMA journal_mode"));
  if (mode && sqlite3_step(*mode) == SQLITE_ROW &&
      std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(*mode, 0)), "wal") != 0) {
    if (auto code = scalar("PRAGMA journal_mode=WAL", ignored); code != 0) return code;
  }
  return kErrorSuccess;
}

std::int32_t SqliteStore::checkIntegrity() {
  Use check(statement("PRAGMA integrity_check(1)"));
  if (!check) return fail(sqlite3_errcode(db_));
  const int rc = sqlite3_step(*check);
  if (rc != SQLITE_ROW) return fail(rc);
  const auto* verdict = reinterpret_cast<const char*>(sqlite3_column_text(*check, 0));
  if (!verdict || std::strcmp(verdict, "ok") != 0) {
    return refuse(kErrorRegistryCorrupt,
                  damaged(std::string(" (") + (verdict ? verdict : "no verdict") + ")"));
  }
  return kErrorSuccess;
}

std::int32_t SqliteStore::checkKeySums() {
  Use keys(statement("SELECT id, parent, depth, name, fold, class, sum FROM keys"));
  if (!keys) return fail(sqlite3_errcode(db_));
  int rc;
  while ((rc = sqlite3_step(*keys)) == SQLITE_ROW) {
    const auto expected = keySum(sqlite3_column_int64(*keys, 0), sqlite3_column_int64(*keys, 1),
                                 sqlite3_column_int64(*keys, 2), columnBlob(*keys, 3),
                                 columnBlob(*keys, 4), columnBlob(*keys, 5));
    if (expected != sqlite3_column_int64(*keys, 6)) {
      return refuse(kErrorRegistryCorrupt, damaged(kRowFailsItsChecksum));
    }
  }
  return rc == SQLITE_DONE ? kErrorSuccess : fail(rc);
}

std::int32_t SqliteStore::checkValueSums() {
  Use values(statement("SELECT key, name, fold, type, data, sum FROM vals"));
  if (!values) return fail(sqlite3_errcode(db_));
  int rc;
  while ((rc = sqlite3_step(*values)) == SQLITE_ROW) {
    const auto data = columnBlob(*values, 4);
    const auto expected =
        valueSum(sqlite3_column_int64(*values, 0), columnBlob(*values, 1), columnBlob(*values, 2),
                 sqlite3_column_int64(*values, 3), data.data(), data.size());
    if (expected != sqlite3_column_int64(*values, 5)) {
      return refuse(kErrorRegistryCorrupt, damaged(kRowFailsItsChecksum));
    }
  }
  return rc == SQLITE_DONE ? kErrorSuccess : fail(rc);
}

std::int32_t SqliteStore::initialise() {
  // Several processes may set up a new store at once. The one that switches it
  // to WAL first wins; a connection that still sees the file as it was must
  // read it again before it can see the switch, so a busy switch is retried.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (true) {
    if (const auto code = validate(); code != 0 || initialised_) return code;
    Use mode(statement("PRAGMA journal_mode=WAL"));
    if (!mode) return fail(sqlite3_errcode(db_));
    const int rc = sqlite3_step(*mode);
    if (rc == SQLITE_ROW) break;
    if ((rc & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() > deadline) return fail(rc);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (const auto code = exec("BEGIN IMMEDIATE"); code != 0) return code;
  std::int64_t objects = 0;
  {
    Use count(statement("SELECT count(*) FROM sqlite_schema"));
    const int rc = count ? sqlite3_step(*count) : sqlite3_errcode(db_);
    if (rc != SQLITE_ROW) {
      if (!sqlite3_get_autocommit(db_)) exec("ROLLBACK");
      return fail(rc);
    }
    objects = sqlite3_column_int64(*count, 0);
  }
  if (objects != 0) {
    // Another process set the store up in the meantime.
    exec("ROLLBACK");
    return validate();
  }
  std::int32_t code = 0;
  for (const char* sql : kSchema) {
    if (code == 0) code = exec(sql);
  }
  if (code == 0) {
    const std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                "; PRAGMA user_version=" + std::to_string(kFormatVersion);
    code = exec(pragmas.c_str());
  }
  for (int i = 0; i < 4 && code == 0; ++i) {
    Use insert(
        statement("INSERT INTO keys(id, parent, depth, name, fold, class, written, sum) "
                  "VALUES(?1, 0, 0, ?2, ?3, x'', ?4, ?5)"));
    if (!insert) {
      code = fail(sqlite3_errcode(db_));
      break;
    }
    const auto name = littleEndian(kRootKeys[i].name);
    const auto fold = foldedKey(kRootKeys[i].name);
    sqlite3_bind_int64(*insert, 1, rootId(i));
    bindBlob(*insert, 2, name);
    bindBlob(*insert, 3, fold);
    sqlite3_bind_int64(*insert, 4, static_cast<std::int64_t>(regrules::fileTimeNow()));
    sqlite3_bind_int64(*insert, 5, keySum(rootId(i), 0, 0, name, fold, Blob()));
    const int rc = sqlite3_step(*insert);
    if (rc != SQLITE_DONE) code = fail(rc);
  }
  if (code == 0) code = exec("COMMIT");
  if (!sqlite3_get_autocommit(db_)) exec("ROLLBACK");
  if (code == 0) initialised_ = true;
  return code;
}

std::int32_t SqliteStore::Read(const std::function<std::int32_t()>& body) {
  if (const auto code = ready(false); code != 0) return code;
  if (!sqlite3_get_autocommit(db_)) return body();
  if (const auto code = run("BEGIN"); code != 0) return code;
  // Keys are found through those kept from earlier reads; when the store has
  // changed since, the read is made again without them, in the same snapshot.
  keepKeys_ = true;
  usedKeptKeys_ = false;
  auto result = body();
  unsigned version = 0;
  if (usedKeptKeys_ && state_ == State::Open &&
      (!dataVersion(version) || version != keptVersion_)) {
    keptKeys_.clear();
    usedKeptKeys_ = false;
    result = body();
  }
  keepKeys_ = false;
  if (!sqlite3_get_autocommit(db_)) run("COMMIT");
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  if (state_ == State::Refused) close();
  return result;
}

std::int32_t SqliteStore::Write(const std::function<std::int32_t()>& body) {
  if (const auto code = ready(true); code != 0) return code;
  if (inTransaction_) {
    if (transactionBegun_ && sqlite3_get_autocommit(db_)) {
      // SQLite gave the caller's transaction up after a failure: nothing more
      // may be added to it.
      return kErrorRegistryIoFailed;
    }
    if (!transactionBegun_) {
      if (const auto code = exec("BEGIN IMMEDIATE"); code != 0) return code;
      transactionBegun_ = true;
      if (const auto code = countOpened(); code != 0) return code;
    }
    if (const auto code = exec("SAVEPOINT change"); code != 0) return code;
    auto result = body();
    if (sqlite3_get_autocommit(db_)) {
      if (result == 0) result = kErrorRegistryIoFailed;
    } else if (result == 0) {
      result = exec("RELEASE change");
    } else {
      sqlite3_exec(db_, "ROLLBACK TO change; RELEASE change", nullptr, nullptr, nullptr);
    }
    if (state_ == State::Refused) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (state_ == State::Refused) close();
    return result;
  }
  if (const auto code = exec("BEGIN IMMEDIATE"); code != 0) return code;
  auto result = countOpened();
  if (result == 0) result = body();
  if (result == 0) result = exec("COMMIT");
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  settleOpened(result == 0);
  if (state_ == State::Refused) close();
  return result;
}

void SqliteStore::BeginTransaction() {
  inTransaction_ = true;
  transactionBegun_ = false;
}

std::int32_t SqliteStore::CommitTransaction() {
  std::int32_t result = 0;
  if (state_ == State::Refused) {
    result = refusal_;
  } else if (transactionBegun_ && db_) {
    if (sqlite3_get_autocommit(db_)) {
      result = kErrorRegistryIoFailed;
    } else {
      result = exec("COMMIT");
      if (db_ && !sqlite3_get_autocommit(db_)) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      }
    }
  }
  settleOpened(result == 0);
  inTransaction_ = false;
  transactionBegun_ = false;
  return result;
}

void SqliteStore::RollbackTransaction() {
  if (transactionBegun_ && db_ && !sqlite3_get_autocommit(db_)) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  settleOpened(false);
  inTransaction_ = false;
  transactionBegun_ = false;
}

std::int32_t SqliteStore::KeyExists(KeyId id, bool& exists) {
  Use use(statement("SELECT 1 FROM keys WHERE id=?1"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, id);
  const int rc = sqlite3_step(*use);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(rc);
  exists = rc == SQLITE_ROW;
  return kErrorSuccess;
}

std::int32_t SqliteStore::KeyDepth(KeyId id, std::int64_t& depth) {
  Use use(statement("SELECT depth FROM keys WHERE id=?1"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, id);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE) return kErrorKeyDeleted;
  if (rc != SQLITE_ROW) return fail(rc);
  depth = sqlite3_column_int64(*use, 0);
  return kErrorSuccess;
}

namespace {

// Reads a value row (key, name, fold, type, data, sum) and checks its checksum.
bool readValueRow(sqlite3_stmt* row, SqliteStore::Value& value) {
  const auto name = columnBlob(row, 1);
  const auto data = columnBlob(row, 4);
  const auto type = sqlite3_column_int64(row, 3);
  if (valueSum(sqlite3_column_int64(row, 0), name, columnBlob(row, 2), type, data.data(),
               data.size()) != sqlite3_column_int64(row, 5)) {
    return false;
  }
  value.name = fromLittleEndian(name.data(), static_cast<int>(name.size()));
  value.type = static_cast<std::uint32_t>(type);
  value.data.assign(data.begin(), data.end());
  return true;
}

// What is wrong with a store in which a value read fails its checksum.
constexpr const char* kValueFailsItsChecksum = " (a value fails its checksum)";

}  // namespace

namespace {

// Whether a key row (id, parent, depth, name, fold, class, sum, ...) matches its checksum.
bool keyRowSound(sqlite3_stmt* row) {
  return keySum(sqlite3_column_int64(row, 0), sqlite3_column_int64(row, 1),
                sqlite3_column_int64(row, 2), columnBlob(row, 3), columnBlob(row, 4),
                columnBlob(row, 5)) == sqlite3_column_int64(row, 6);
}

// What is wrong with a store in which a key read fails its checksum.
constexpr const char* kKeyFailsItsChecksum = " (a key fails its checksum)";

}  // namespace

std::int32_t SqliteStore::FindChild(KeyId parent, std::u16string_view name, KeyId& child) {
  const auto fold = foldedKey(name);
  const std::string kept = keptName('C', parent, fold.data(), fold.size());
  if (findKept(kept, child)) return kErrorSuccess;
  Use use(statement(
      "SELECT id, parent, depth, name, fold, class, sum FROM keys WHERE parent=?1 AND fold=?2"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, parent);
  bindBlob(*use, 2, fold);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE) return confirmMissing(parent, fold, true);
  if (rc != SQLITE_ROW) return fail(rc);
  if (!keyRowSound(*use)) return refuse(kErrorRegistryCorrupt, damaged(kKeyFailsItsChecksum));
  child = sqlite3_column_int64(*use, 0);
  keep(kept, child);
  return kErrorSuccess;
}

std::int32_t SqliteStore::confirmMissing(KeyId parent, const std::string& fold, bool key) {
  if (checkedWhole_) return kErrorFileNotFound;
  Use scan(statement(
      key ? "SELECT id, parent, depth, name, fold, class, sum FROM keys INDEXED BY keys_by_parent "
            "WHERE parent=?1"
          : "SELECT key, name, fold, type, data, sum FROM vals INDEXED BY vals_in_order WHERE "
            "key=?1"));
  if (!scan) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*scan, 1, parent);
  int rc;
  Value ignored;
  while ((rc = sqlite3_step(*scan)) == SQLITE_ROW) {
    if (key ? !keyRowSound(*scan) : !readValueRow(*scan, ignored)) {
      return refuse(kErrorRegistryCorrupt,
                    damaged(key ? kKeyFailsItsChecksum : kValueFailsItsChecksum));
    }
    if (columnBlob(*scan, key ? 4 : 2) == fold) {
      return refuse(kErrorRegistryCorrupt, damaged(" (an index has lost a name)"));
    }
  }
  return rc == SQLITE_DONE ? kErrorFileNotFound : fail(rc);
}

std::int32_t SqliteStore::CreateChild(KeyId parent, std::int64_t depth, std::u16string_view name,
                                      std::u16string_view className, KeyId& child) {
  const auto nameBlob = littleEndian(name);
  const auto fold = foldedKey(name);
  const auto classBlob = littleEndian(className);
  {
    Use insert(
        statement("INSERT INTO keys(parent, depth, name, fold, class, written, sum) "
                  "VALUES(?1, ?2, ?3, ?4, ?5, ?6, 0)"));
    if (!insert) return fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(*insert, 1, parent);
    sqlite3_bind_int64(*insert, 2, depth);
    bindBlob(*insert, 3, nameBlob);
    bindBlob(*insert, 4, fold);
    bindBlob(*insert, 5, classBlob);
    sqlite3_bind_int64(*insert, 6, static_cast<std::int64_t>(regrules::fileTimeNow()));
    const int rc = sqlite3_step(*insert);
    if (rc != SQLITE_DONE) return fail(rc);
  }
  child = sqlite3_last_insert_rowid(db_);
  Use sum(statement("UPDATE keys SET sum=?2 WHERE id=?1"));
  if (!sum) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*sum, 1, child);
  sqlite3_bind_int64(*sum, 2, keySum(child, parent, depth, nameBlob, fold, classBlob));
  const int rc = sqlite3_step(*sum);
  return rc == SQLITE_DONE ? kErrorSuccess : fail(rc);
}

std::int32_t SqliteStore::HasChildren(KeyId id, bool& has) {
  Use use(statement("SELECT 1 FROM keys WHERE parent=?1 LIMIT 1"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, id);
  const int rc = sqlite3_step(*use);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(rc);
  has = rc == SQLITE_ROW;
  return kErrorSuccess;
}

std::int32_t SqliteStore::DeleteKey(KeyId id) {
  keptKeys_.clear();
  for (const char* sql : {"DELETE FROM vals WHERE key=?1", "DELETE FROM keys WHERE id=?1"}) {
    Use use(statement(sql));
    if (!use) return fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(*use, 1, id);
    const int rc = sqlite3_step(*use);
    if (rc != SQLITE_DONE) return fail(rc);
  }
  return kErrorSuccess;
}

std::int32_t SqliteStore::ChildAt(KeyId parent, std::uint32_t index, Child& child) {
  Use use(statement(
      "SELECT id, parent, depth, name, fold, class, sum, written FROM keys WHERE parent=?1 "
      "ORDER BY fold LIMIT 1 OFFSET ?2"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, parent);
  sqlite3_bind_int64(*use, 2, index);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE) return kErrorNoMoreItems;
  if (rc != SQLITE_ROW) return fail(rc);
  if (!keyRowSound(*use)) return refuse(kErrorRegistryCorrupt, damaged(kKeyFailsItsChecksum));
  child.id = sqlite3_column_int64(*use, 0);
  child.name = fromLittleEndian(sqlite3_column_blob(*use, 3), sqlite3_column_bytes(*use, 3));
  child.className = fromLittleEndian(sqlite3_column_blob(*use, 5), sqlite3_column_bytes(*use, 5));
  child.written = static_cast<std::uint64_t>(sqlite3_column_int64(*use, 7));
  return kErrorSuccess;
}

std::int32_t SqliteStore::FindValue(KeyId key, std::u16string_view name, Value& value) {
  Use use(statement("SELECT key, name, fold, type, data, sum FROM vals WHERE key=?1 AND fold=?2"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, key);
  const auto fold = foldedKey(name);
  bindBlob(*use, 2, fold);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE) return confirmMissing(key, fold, false);
  if (rc != SQLITE_ROW) return fail(rc);
  if (!readValueRow(*use, value)) {
    return refuse(kErrorRegistryCorrupt, damaged(kValueFailsItsChecksum));
  }
  return kErrorSuccess;
}

std::int32_t SqliteStore::ValueAt(KeyId key, std::uint32_t index, Value& value) {
  Use use(statement(
      "SELECT key, name, fold, type, data, sum FROM vals WHERE key=?1 ORDER BY id LIMIT 1 "
      "OFFSET ?2"));
  if (!use) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*use, 1, key);
  sqlite3_bind_int64(*use, 2, index);
  const int rc = sqlite3_step(*use);
  if (rc == SQLITE_DONE) return kErrorNoMoreItems;
  if (rc != SQLITE_ROW) return fail(rc);
  if (!readValueRow(*use, value)) {
    return refuse(kErrorRegistryCorrupt, damaged(kValueFailsItsChecksum));
  }
  return kErrorSuccess;
}

std::int32_t SqliteStore::SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                                   const std::uint8_t* data, std::size_t size) {
  const auto fold = foldedKey(name);
  // A value keeps the name it was first written with, and its place in the order.
  std::int64_t existing = 0;
  Blob storedName = littleEndian(name);
  {
    Use find(statement("SELECT id, name FROM vals WHERE key=?1 AND fold=?2"));
    if (!find) return fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(*find, 1, key);
    bindBlob(*find, 2, fold);
    const int rc = sqlite3_step(*find);
    if (rc == SQLITE_ROW) {
      existing = sqlite3_column_int64(*find, 0);
      storedName = columnBlob(*find, 1);
    } else if (rc != SQLITE_DONE) {
      return fail(rc);
    }
  }
  const auto sum = valueSum(key, storedName, fold, type, data, size);
  {
    Use write(statement(existing ? "UPDATE vals SET type=?2, data=?3, sum=?4 WHERE id=?1"
                                 : "INSERT INTO vals(key, type, data, sum, name, fold) "
                                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6)"));
    if (!write) return fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(*write, 1, existing ? existing : key);
    sqlite3_bind_int64(*write, 2, type);
    bindBlob(*write, 3, data, size);
    sqlite3_bind_int64(*write, 4, sum);
    if (!existing) {
      bindBlob(*write, 5, storedName);
      bindBlob(*write, 6, fold);
    }
    const int rc = sqlite3_step(*write);
    if (rc != SQLITE_DONE) return fail(rc);
  }
  Use touch(statement("UPDATE keys SET written=?2 WHERE id=?1"));
  if (!touch) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*touch, 1, key);
  sqlite3_bind_int64(*touch, 2, static_cast<std::int64_t>(regrules::fileTimeNow()));
  const int rc = sqlite3_step(*touch);
  return rc == SQLITE_DONE ? kErrorSuccess : fail(rc);
}

std::int32_t SqliteStore::DeleteValue(KeyId key, std::u16string_view name) {
  {
    Use remove(statement("DELETE FROM vals WHERE key=?1 AND fold=?2"));
    if (!remove) return fail(sqlite3_errcode(db_));
    sqlite3_bind_int64(*remove, 1, key);
    bindBlob(*remove, 2, foldedKey(name));
    const int rc = sqlite3_step(*remove);
    if (rc != SQLITE_DONE) return fail(rc);
    if (sqlite3_changes(db_) == 0) return kErrorFileNotFound;
  }
  Use touch(statement("UPDATE keys SET written=?2 WHERE id=?1"));
  if (!touch) return fail(sqlite3_errcode(db_));
  sqlite3_bind_int64(*touch, 1, key);
  sqlite3_bind_int64(*touch, 2, static_cast<std::int64_t>(regrules::fileTimeNow()));
  const int rc = sqlite3_step(*touch);
  return rc == SQLITE_DONE ? kErrorSuccess : fail(rc);
}

}  // namespace sigpatch::platform::posix
